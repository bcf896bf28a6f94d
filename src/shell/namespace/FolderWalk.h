#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <sys/types.h>

#include <functional>
#include <vector>

namespace lumisnap {

// Walks a folder tree depth first, one folder at a time, so that the caller can let
// the window breathe between folders. Names beginning with "." are left out; the walk
// stays on the file system of its root and never follows a symbolic link, so a drive
// mounted inside and a link loop are both passed by. Folders that cannot be listed
// yield nothing.
class FolderWalk
{
public:
    // root: raw bytes of a folder path ending in "/", or empty for the current folder.
    explicit FolderWalk(QByteArray root);

    bool atEnd() const { return m_pending.empty(); }

    // Lists the next folder: every entry that is not a folder goes to onEntry, by name,
    // in the order the file system returns them; the sub-folders are walked next, in
    // the same order, each with all it holds before the following one.
    void listNext(const std::function<void(QByteArrayView name)> &onEntry);

    // The folder last listed, as given to the entries' paths (ends in "/" or is empty).
    const QByteArray &folder() const { return m_folder; }

private:
    int openFolder() const;

    std::vector<QByteArray> m_pending; // a stack: the next folder last
    QByteArray m_folder;
    dev_t m_device = 0;
    bool m_deviceKnown = false;
};

} // namespace lumisnap
