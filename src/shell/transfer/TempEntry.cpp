#include "shell/transfer/TempEntry.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace lumisnap {

namespace {

int lockedOpen(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::vector<QByteArray> namesIn(const QByteArray &path)
{
    std::vector<QByteArray> names;
    if (DIR *dir = ::opendir(path.constData())) {
        while (const dirent *entry = ::readdir(dir))
            if (const QByteArray name(entry->d_name); name != "." && name != "..")
                names.push_back(name);
        ::closedir(dir);
    }
    return names;
}

} // namespace

TempEntry::TempEntry(QByteArray path)
    : m_path(std::move(path))
    , m_lock(lockedOpen(m_path))
{
}

TempEntry::~TempEntry()
{
    if (!m_path.isEmpty())
        remove(m_path);
    release();
}

void TempEntry::release()
{
    m_path.clear();
    if (m_lock >= 0)
        ::close(m_lock);
    m_lock = -1;
}

void TempEntry::removeLeftovers(const QByteArray &folder)
{
    for (const QByteArray &name : namesIn(folder)) {
        if (!name.startsWith(Prefix))
            continue;
        const QByteArray path = folder + '/' + name;
        const int lock = lockedOpen(path);
        if (lock < 0)
            continue; // a live transfer's, or not ours to open
        remove(path);
        ::close(lock);
    }
}

bool TempEntry::remove(const QByteArray &path)
{
    struct stat st;
    if (::lstat(path.constData(), &st) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(st.st_mode))
        return ::unlink(path.constData()) == 0;
    ::chmod(path.constData(), 0700);
    bool ok = true;
    for (const QByteArray &name : namesIn(path))
        ok = remove(path + '/' + name) && ok;
    return ::rmdir(path.constData()) == 0 && ok;
}

} // namespace lumisnap
