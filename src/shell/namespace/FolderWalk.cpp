#include "shell/namespace/FolderWalk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

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

void FolderWalk::listNext(const std::function<void(QByteArrayView name)> &onEntry)
{
    if (m_pending.empty())
        return;
    m_folder = std::move(m_pending.back());
    m_pending.pop_back();
    const int fd = openFolder();
    if (fd < 0)
        return;
    struct stat status;
    if (::fstat(fd, &status) != 0 || (m_deviceKnown && status.st_dev != m_device)) {
        ::close(fd);
        return;
    }
    if (!m_deviceKnown) {
        m_device = status.st_dev;
        m_deviceKnown = true;
    }
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
        if (isFolder(dir.get(), *entry))
            m_pending.push_back(m_folder + entry->d_name + '/');
        else
            onEntry(QByteArrayView(entry->d_name));
    }
    std::reverse(m_pending.begin() + std::ptrdiff_t(firstSubFolder), m_pending.end());
}

} // namespace lumisnap
