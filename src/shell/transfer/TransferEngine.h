#pragma once

#include "shell/transfer/FileTransfer.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

namespace lumisnap {

// What the user-interface thread and the worker share while a transfer runs.
struct TransferProgress
{
    std::atomic<qint64> total { 0 }; // bytes to copy, known once the sources are sized
    std::atomic<qint64> done { 0 };
    std::atomic<bool> cancel { false };
    std::atomic<bool> finished { false };
};

// The file work of one transfer: sizing, copying, syncing, placing and removing moved
// sources. It runs on a worker thread, so it touches no widget and no object of another
// thread; it hears of a cancel through `progress` between chunks and between entries.
class TransferEngine
{
public:
    explicit TransferEngine(TransferProgress &progress);

    // Stops at the first failure; what was done before it stays done. Never throws.
    FileTransfer::Outcome run(
        const QStringList &sources, const QString &folder, FileTransfer::Mode mode) noexcept;

    static FileTransfer::WriteFunction &writeFunction();
    static FileTransfer::CancelCheck &cancelCheck();

private:
    using Mode = FileTransfer::Mode;

    // An entry as it was copied: a moved source is removed only while it still is this.
    struct Copied
    {
        QByteArray path;
        struct stat st;
    };

    void sizeSources(const std::vector<QByteArray> &sources, const QByteArray &folder, Mode mode);
    // The bytes a copy of `path` writes; entries on another device than `device` count none.
    qint64 treeSize(const QByteArray &path, const dev_t *device = nullptr);
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
    bool cancelRequested();
    // Throws when the user has cancelled.
    void checkCancel();

    TransferProgress &m_progress;
    dev_t m_sourceDevice = 0;
    std::vector<QByteArray> m_sized; // sources already counted in the total
    std::vector<Copied> m_copied; // of the current source, each after its contents
    FileTransfer::Outcome m_outcome;
};

} // namespace lumisnap
