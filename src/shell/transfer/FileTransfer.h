#pragma once

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

class QProgressDialog;
class QWidget;

namespace lumisnap {

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

    // Stops at the first failure; what was done before it stays done.
    Outcome run(const QStringList &sources, const QString &folder, Mode mode);

    // The name a taken `name` gets on its n-th try: "photo (2).jpg" for n = 2.
    static QByteArray candidateName(const QByteArray &name, int n, bool isDirectory);

private:
    // An entry as it was copied: a moved source is removed only while it still is this.
    struct Copied
    {
        QByteArray path;
        struct stat st;
    };

    void transferOne(const QByteArray &source, const QByteArray &folder, Mode mode);
    void moveOne(const QByteArray &source, const QByteArray &folder);
    void copyOne(const QByteArray &source, const QByteArray &folder, bool removeAfter);
    QByteArray copyLink(const QByteArray &source, const QByteArray &folder);
    void copyFolder(const QByteArray &source, const struct stat &st, const QByteArray &target);
    void copyEntry(const QByteArray &source, const QByteArray &target);
    void copyFile(int in, const struct stat &st, int out, const QByteArray &source);
    void copyFileData(int in, int out, const QByteArray &source);
    void removeCopied(const QByteArray &source);
    QByteArray place(
        const QByteArray &from, const QByteArray &folder, const QByteArray &name, bool isDirectory);
    bool placeWithoutNoReplace(const QByteArray &from, const QByteArray &target,
        const QByteArray &shownName, bool isDirectory);
    QByteArray linkInto(const QByteArray &source, const QByteArray &folder);
    void advance(qint64 bytes);
    bool cancelled();

    QPointer<QWidget> m_owner;
    std::unique_ptr<QProgressDialog> m_progress;
    qint64 m_total = 0;
    qint64 m_done = 0;
    dev_t m_sourceDevice = 0;
    std::vector<Copied> m_copied; // of the current source, each after its contents
    Outcome m_outcome;
};

// Removes a file or a whole folder for good: only for a moved source whose copy is in place.
bool removeTree(const QByteArray &path);

} // namespace lumisnap
