#pragma once

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <sys/types.h>

class QWidget;

namespace lumisnap {

struct TransferProgress;

// Puts files into a folder as a drop or a paste does: copy, move or link, never over an
// existing name (a taken name gets a free one, "photo (2).jpg"). A copy is written under
// a hidden temporary name in the target folder and only then renamed into place, so a
// failed or cancelled copy leaves no part of a file under a real name; a move to another
// file system removes its source only once the copy and its folder entry are on disk, and
// only what was copied and has not changed since.
class FileTransfer
{
public:
    enum class Mode { Copy, Move, Link };

    struct Outcome
    {
        QStringList placed; // lossless paths of what now stands in the folder
        QString error; // the first failure, naming the file; empty when none
        bool cancelled = false;
    };

    // Stand-ins for tests: how a copy writes its bytes, and whether the user cancelled.
    using WriteFunction = std::function<ssize_t(int fd, const char *data, size_t size)>;
    using CancelCheck = std::function<bool()>;
    static WriteFunction setWriteFunction(WriteFunction write);
    static CancelCheck setCancelCheck(CancelCheck check);

    // The progress dialog, when one is needed, is a child of `owner`.
    explicit FileTransfer(QWidget *owner = nullptr);
    ~FileTransfer();

    // Stops at the first failure; what was done before it stays done. The files are
    // handled on a worker thread while this thread shows the progress and handles its
    // events; the stand-ins above are called there too.
    Outcome run(const QStringList &sources, const QString &folder, Mode mode);

    // The name a taken `name` gets on its n-th try: "photo (2).jpg" for n = 2.
    static QByteArray candidateName(const QByteArray &name, int n, bool isDirectory);

private:
    // Shows the progress dialog and keeps events flowing until the worker is done.
    void waitFor(TransferProgress &progress);

    QPointer<QWidget> m_owner;
};

// Removes a file or a whole folder for good: only for a moved source whose copy is in place.
bool removeTree(const QByteArray &path);

} // namespace lumisnap
