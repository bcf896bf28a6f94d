#include "shell/FileFilter.h"

#include "common/FileName.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string_view>

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

bool isAscii(std::string_view text)
{
    for (const unsigned char c : text) {
        if (c >= 0x80)
            return false;
    }
    return true;
}

char foldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// matchesWildcard's rules on bytes, for an ASCII pattern and an ASCII name, where
// case folding is plain ASCII lower-casing. Names are matched tens of thousands of
// times per fill, and this needs no conversion to text.
bool matchesAsciiWildcard(std::string_view pattern, std::string_view name)
{
    std::size_t p = 0, n = 0, starN = 0;
    std::size_t starP = std::string_view::npos;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size()
            && (pattern[p] == '?' || foldAscii(pattern[p]) == foldAscii(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
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
    const bool patternIsAscii
        = std::all_of(pattern.begin(), pattern.end(), [](QChar c) { return c.unicode() < 0x80; });
    const QByteArray asciiPattern = pattern.toLatin1();
    auto matches = [&](std::string_view name) {
        if (patternIsAscii && isAscii(name))
            return matchesAsciiWildcard(
                std::string_view(asciiPattern.constData(), size_t(asciiPattern.size())), name);
        return matchesWildcard(
            pattern, decodeFileName(QByteArray(name.data(), qsizetype(name.size()))));
    };
    errno = 0;
    while (const dirent *entry = readdir(dir.get())) {
        const std::string_view name(entry->d_name);
        if (name != "." && name != ".." && matches(name) && !isDirectory(folder, entry))
            m_names.emplace(name);
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
