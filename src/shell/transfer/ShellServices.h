#pragma once

#include <QString>

#include <memory>

class QMimeData;

namespace lumisnap {

// The desktop's clipboard as the shell commands use it. Tests install one of their own
// so that they never touch the machine's clipboard.
class ShellClipboard
{
public:
    virtual ~ShellClipboard() = default;
    virtual const QMimeData *mimeData() = 0; // null when empty
    virtual void setMimeData(std::unique_ptr<QMimeData> data) = 0;
    virtual void clear() = 0;
};

ShellClipboard &shellClipboard();
// Installs a clipboard (null restores the desktop's); returns the previous one.
std::shared_ptr<ShellClipboard> setShellClipboard(std::shared_ptr<ShellClipboard> clipboard);

// Where deleted files go: the freedesktop trash. Nothing here deletes for good.
class ShellTrash
{
public:
    virtual ~ShellTrash() = default;
    // False with a reason when the entry could not be moved (it then stays where it was).
    virtual bool moveToTrash(const QString &losslessPath, QString &reason) = 0;
};

ShellTrash &shellTrash();
std::shared_ptr<ShellTrash> setShellTrash(std::shared_ptr<ShellTrash> trash);

} // namespace lumisnap
