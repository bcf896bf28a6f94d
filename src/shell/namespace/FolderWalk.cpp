#include "shell/namespace/FolderWalk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <optional>

namespace lumisnap {

namespace {

struct DirCloser
{
    void operator()(DIR *dir) const { ::closedir(dir); }
};

bool isFolder(DIR *dir, const dirent &entry)
{
    if (entry.d_type != DT_UNKNOWN)
        return entry.d_type == DT_DIR;
    struct stat status;
    return ::fstatat(::dirfd(dir), entry.d_name, &status, AT_SYMLINK_NOFOLLOW) == 0
        && S_ISDIR(status.st_mode);
}

// Looked at without mounting an automount point or following a link: opening such a
// point would mount it, and an unreachable server would hold the window up.
std::optional<FolderWalk::Drive> driveOf(int dirfd, const char *name, int flags)
{
    struct statx status;
    if (::statx(dirfd, name, flags | AT_NO_AUTOMOUNT | AT_SYMLINK_NOFOLLOW,
            STATX_TYPE | STATX_MNT_ID, &status)
            != 0
        || !S_ISDIR(status.stx_mode) || (status.stx_attributes & STATX_ATTR_AUTOMOUNT))
        return std::nullopt;
    FolderWalk::Drive drive;
    drive.device = makedev(status.stx_dev_major, status.stx_dev_minor);
    drive.mountKnown = (status.stx_mask & STATX_MNT_ID) != 0;
    drive.mount = status.stx_mnt_id;
    return drive;
}

} // namespace

FolderWalk::FolderWalk(QByteArray root)
{
    m_pending.push_back(std::move(root));
}

// Opened without the trailing "/", which would follow a link put in the folder's place
// since it was listed.
int FolderWalk::openFolder() const
{
    QByteArray path = m_folder.isEmpty() ? QByteArray(".") : m_folder;
    if (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// A bind mount of the drive's own file system is another mount, a sub-volume of it is
// not; the device number tells them apart only where the kernel gives no mount id.
bool FolderWalk::onRootDrive(const Drive &drive) const
{
    if (drive.mountKnown && m_root->mountKnown)
        return drive.mount == m_root->mount;
    return drive.device == m_root->device;
}

void FolderWalk::listNext(const std::function<void(QByteArrayView name)> &onEntry)
{
    if (m_pending.empty())
        return;
    m_folder = std::move(m_pending.back());
    m_pending.pop_back();
    const int fd = openFolder();
    if (fd < 0)
        return;
    // Checked again: the folder may have been replaced since it was queued.
    const std::optional<Drive> here = driveOf(fd, "", AT_EMPTY_PATH);
    if (!here || (m_root && !onRootDrive(*here))) {
        ::close(fd);
        return;
    }
    if (!m_root)
        m_root = here;
    const std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
    if (!dir) {
        ::close(fd);
        return;
    }
    // The folder is closed before its sub-folders are opened: however deep the tree,
    // one folder at a time is open.
    const std::size_t firstSubFolder = m_pending.size();
    while (const dirent *entry = ::readdir(dir.get())) {
        if (entry->d_name[0] == '.')
            continue;
        if (isFolder(dir.get(), *entry)) {
            const std::optional<Drive> drive = driveOf(::dirfd(dir.get()), entry->d_name, 0);
            if (drive && onRootDrive(*drive))
                m_pending.push_back(m_folder + entry->d_name + '/');
        } else
            onEntry(QByteArrayView(entry->d_name));
    }
    std::reverse(m_pending.begin() + std::ptrdiff_t(firstSubFolder), m_pending.end());
}

} // namespace lumisnap
