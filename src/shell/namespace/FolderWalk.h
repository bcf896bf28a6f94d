#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace lumisnap {

// Walks a folder tree depth first, one folder at a time, so that the caller can let
// the window breathe between folders. Names beginning with "." are left out; the walk
// stays on the mount of its root (its sub-volumes included) and never follows a symbolic
// link, so a drive mounted inside, a bind mount, an automount point (never triggered)
// and a link loop are all passed by. Folders that cannot be listed
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

    // Which mounted file system a folder lies on.
    struct Drive
    {
        dev_t device = 0;
        bool mountKnown = false;
        std::uint64_t mount = 0;
    };

private:
    int openFolder() const;
    bool onRootDrive(const Drive &drive) const;

    std::vector<QByteArray> m_pending; // a stack: the next folder last
    QByteArray m_folder;
    std::optional<Drive> m_root;
};

} // namespace lumisnap
