#pragma once

#include <QString>
#include <QUrl>

#include <memory>

namespace lumisnap {

// Opens a document with the program the desktop associates with it. The program
// uses the desktop's opener; tests install one that only records the requests.
class ShellOpen
{
public:
    virtual ~ShellOpen() = default;

    // `file` is resolved in `folder` when it is relative. Returns whether the desktop
    // accepted the request; callers that do not care may ignore it.
    virtual bool open(const QString &file, const QString &parameters, const QString &folder) = 0;
};

ShellOpen &shellOpen();

// The file URL of a lossless path (FileName.h), made from the name's raw bytes: a name
// that is not UTF-8 keeps its bytes, percent-encoded.
QUrl fileUrlOf(const QString &losslessPath);

// Installs an opener (null restores the desktop's); returns the previous one.
std::shared_ptr<ShellOpen> setShellOpen(std::shared_ptr<ShellOpen> opener);

} // namespace lumisnap
