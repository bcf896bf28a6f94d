#include "shell/namespace/FileSearch.h"

#include "common/FileName.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace lumisnap {

struct FileSearch::State
{
    DIR *dir = nullptr;
    QByteArray folder;
    QString pattern;
    std::uint32_t mask = faAnyFile;
    bool single = false; // a pattern without wildcards, already answered

    ~State()
    {
        if (dir)
            ::closedir(dir);
    }
};

namespace {

bool hasWildcard(QStringView pattern)
{
    return pattern.contains(u'*') || pattern.contains(u'?');
}

QDateTime toDateTime(const struct timespec &ts)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000);
}

bool skippedByMask(std::uint32_t attributes, std::uint32_t mask)
{
    return (attributes & (faHidden | faSysFile | faDirectory) & ~mask) != 0;
}

void fillDetails(const struct stat &st, FileData &out)
{
    out.size = S_ISDIR(st.st_mode) ? 0 : qint64(st.st_size);
    out.modified = toDateTime(st.st_mtim);
    if (!(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)))
        out.attributes |= faReadOnly;
}

} // namespace

FileSearch::FileSearch() = default;
FileSearch::~FileSearch() = default;

bool FileSearch::describe(const QByteArray &path, FileData &out, bool wantDetails)
{
    struct stat st;
    if (::lstat(path.constData(), &st) != 0)
        return false;
    out.name = path.mid(path.lastIndexOf('/') + 1);
    out.attributes = S_ISDIR(st.st_mode) ? std::uint32_t(faDirectory) : 0u;
    if (out.name.startsWith('.'))
        out.attributes |= faHidden;
    if (wantDetails) {
        struct stat target;
        // A dangling link still reports itself.
        fillDetails(
            S_ISLNK(st.st_mode) && ::stat(path.constData(), &target) == 0 ? target : st, out);
    }
    return true;
}

FileSearch::Status FileSearch::findFirst(
    const QString &pathPattern, std::uint32_t attributeMask, FileData &out)
{
    close();
    auto state = std::make_unique<State>();
    const qsizetype slash = pathPattern.lastIndexOf(u'/');
    const QString folder = slash < 0 ? QStringLiteral(".") : pathPattern.left(slash);
    state->folder = encodeFileName(folder.isEmpty() ? QStringLiteral("/") : folder);
    state->pattern = pathPattern.mid(slash + 1);
    state->mask = attributeMask;
    if (state->pattern.isEmpty())
        return Status::NoMatch;
    if (!hasWildcard(state->pattern)) {
        const QByteArray path = state->folder + '/' + encodeFileName(state->pattern);
        if (describe(path, out, m_wantDetails) && !skippedByMask(out.attributes, attributeMask)) {
            state->single = true;
            m_state = std::move(state);
            return Status::Found;
        }
    }
    state->dir = ::opendir(state->folder.constData());
    if (!state->dir)
        return Status::Failed;
    m_state = std::move(state);
    const Status status = findNext(out);
    if (status != Status::Found)
        close();
    return status;
}

FileSearch::Status FileSearch::findNext(FileData &out)
{
    if (!m_state || !m_state->dir)
        return Status::NoMatch;
    for (;;) {
        errno = 0;
        const struct dirent *entry = ::readdir(m_state->dir);
        if (!entry)
            return errno == 0 ? Status::NoMatch : Status::Failed;
        out = FileData();
        out.name = QByteArray(entry->d_name);
        if (out.name == "." || out.name == "..")
            continue;
        if (!matchesWildcard(m_state->pattern, decodeFileName(out.name)))
            continue;
        bool isDir = entry->d_type == DT_DIR;
        struct stat st;
        const bool needStat = entry->d_type == DT_UNKNOWN || m_wantDetails;
        if (needStat
            && ::fstatat(dirfd(m_state->dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue; // gone meanwhile
        if (entry->d_type == DT_UNKNOWN)
            isDir = S_ISDIR(st.st_mode);
        out.attributes = isDir ? std::uint32_t(faDirectory) : 0u;
        if (out.name.startsWith('.'))
            out.attributes |= faHidden;
        if (skippedByMask(out.attributes, m_state->mask))
            continue;
        if (m_wantDetails) {
            struct stat target;
            const bool link = S_ISLNK(st.st_mode)
                && ::fstatat(dirfd(m_state->dir), entry->d_name, &target, 0) == 0;
            fillDetails(link ? target : st, out);
        }
        return Status::Found;
    }
}

void FileSearch::close()
{
    m_state.reset();
}

} // namespace lumisnap
