#include "shell/namespace/PosixEntry.h"

#include "shell/namespace/PosixLocation.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace lumisnap {

namespace {

qint64 toMsecs(const struct timespec &ts)
{
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

} // namespace

PosixShellFolder::EntryInfo entryKind(int dirFd, const char *name, unsigned char type)
{
    PosixShellFolder::EntryInfo info;
    info.known = true;
    info.exists = true;
    struct stat st;
    if (type == DT_UNKNOWN) {
        if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            info.exists = false;
            return info;
        }
        type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
    }
    info.isLink = type == DT_LNK;
    // A link to a directory browses like one; a dangling one or a loop is a plain item.
    info.isDir = type == DT_DIR
        || (info.isLink && ::fstatat(dirFd, name, &st, 0) == 0 && S_ISDIR(st.st_mode));
    return info;
}

void fillDetails(int dirFd, const char *name, PosixShellFolder::EntryInfo &info)
{
    struct stat st;
    if (::fstatat(dirFd, name, &st, 0) == 0
        || ::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
        info.size = S_ISDIR(st.st_mode) ? 0 : qint64(st.st_size);
        info.modified = toMsecs(st.st_mtim);
    }
    info.hasDetails = true;
}

QByteArrayView entryName(const IdList &child)
{
    if (child.size() < 5 || child.size() != child.bytes().size()
        || std::uint8_t(child.bytes()[2]) != std::uint8_t(PosixItemKind::Entry))
        return {};
    const QByteArrayView item = child.itemData(0);
    if (item.size() + 4 != child.size())
        return {}; // more than one item
    return item.sliced(1);
}

int byteOrder(QByteArrayView a, QByteArrayView b)
{
    const qsizetype common = std::min(a.size(), b.size());
    if (common > 0) {
        const int diff = std::memcmp(a.data(), b.data(), std::size_t(common));
        if (diff != 0)
            return diff < 0 ? -1 : 1;
    }
    return threeWay(a.size(), b.size());
}

} // namespace lumisnap
