#include "shell/FileFilter.h"

#include "common/FileName.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <memory>

namespace lumisnap {

namespace {

struct DirCloser
{
    void operator()(DIR *dir) const { closedir(dir); }
};

bool isDirectory(const QByteArray &folder, const dirent *entry)
{
    if (entry->d_type != DT_UNKNOWN)
        return entry->d_type == DT_DIR;
    struct stat st;
    return lstat((folder + entry->d_name).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

QStringList splitFilterPatterns(const QString &fileFilter)
{
    return fileFilter.split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

bool filterMeansAll(const QString &fileFilter, const QStringList &patterns)
{
    return fileFilter.isEmpty() || fileFilter == QLatin1String("*")
        || fileFilter == QLatin1String("*.*") || patterns.isEmpty();
}

std::optional<FilterNames> FilterNames::prepare(
    const QString &folderPath, const QString &fileFilter, const QStringList &patterns)
{
    if (folderPath.isEmpty() || filterMeansAll(fileFilter, patterns))
        return std::nullopt;
    FilterNames set;
    QString folder = folderPath;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    for (const QString &pattern : patterns) {
        if (!set.searchPattern(folder, pattern))
            break;
    }
    return set;
}

// One directory search for one pattern; d_type tells directories apart, lstat only
// when the file system leaves it unknown.
bool FilterNames::searchPattern(const QString &folderPath, const QString &pattern)
{
    const QByteArray folder = encodeFileName(folderPath);
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.constData()));
    if (!dir)
        return false;
    errno = 0;
    while (const dirent *entry = readdir(dir.get())) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != ".." && matchesWildcard(pattern, decodeFileName(name))
            && !isDirectory(folder, entry))
            m_names.emplace(name.constData(), size_t(name.size()));
        errno = 0;
    }
    return errno == 0;
}

bool FilterNames::contains(const QByteArray &fileName) const
{
    return m_names.find(std::string(fileName.constData(), size_t(fileName.size())))
        != m_names.end();
}

} // namespace lumisnap
