#include "shell/namespace/FileFilter.h"

#include "common/FileName.h"

#include <algorithm>
#include <string_view>

namespace lumisnap {

namespace {

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

bool endsWithFolded(std::string_view name, std::string_view foldedSuffix)
{
    if (name.size() < foldedSuffix.size())
        return false;
    const std::size_t start = name.size() - foldedSuffix.size();
    for (std::size_t i = 0; i < foldedSuffix.size(); ++i) {
        if (foldAscii(name[start + i]) != foldedSuffix[i])
            return false;
    }
    return true;
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

FilterPattern::FilterPattern(const QString &pattern)
    : m_text(pattern)
    , m_isAscii(
          std::all_of(pattern.begin(), pattern.end(), [](QChar c) { return c.unicode() < 0x80; }))
{
    if (!m_isAscii)
        return;
    m_ascii = pattern.toLatin1();
    const QByteArrayView literal
        = QByteArrayView(m_ascii).sliced(std::min<qsizetype>(1, m_ascii.size()));
    m_isSuffix = m_ascii.startsWith('*') && !literal.contains('*') && !literal.contains('?');
    if (m_isSuffix) {
        for (const char c : literal)
            m_foldedSuffix.append(foldAscii(c));
    }
}

bool FilterPattern::matches(QByteArrayView name) const
{
    return matches(name, isAscii(std::string_view(name.data(), std::size_t(name.size()))));
}

bool FilterPattern::matches(QByteArrayView name, bool nameIsAscii) const
{
    const std::string_view bytes(name.data(), std::size_t(name.size()));
    if (m_isSuffix && nameIsAscii)
        return endsWithFolded(bytes,
            std::string_view(m_foldedSuffix.constData(), std::size_t(m_foldedSuffix.size())));
    if (m_isAscii && nameIsAscii)
        return matchesAsciiWildcard(
            std::string_view(m_ascii.constData(), std::size_t(m_ascii.size())), bytes);
    return matchesWildcard(m_text, decodeFileName(name.toByteArray()));
}

std::optional<FilterNames> FilterNames::prepare(
    const QString &folderPath, const QString &fileFilter, const QStringList &patterns)
{
    if (folderPath.isEmpty() || filterMeansAll(fileFilter, patterns))
        return std::nullopt;
    FilterNames filter;
    filter.m_patterns.reserve(std::size_t(patterns.size()));
    for (const QString &pattern : patterns)
        filter.m_patterns.emplace_back(pattern);
    return filter;
}

bool FilterNames::contains(QByteArrayView fileName) const
{
    const bool ascii = isAscii(std::string_view(fileName.data(), std::size_t(fileName.size())));
    return std::any_of(m_patterns.begin(), m_patterns.end(),
        [&](const FilterPattern &pattern) { return pattern.matches(fileName, ascii); });
}

} // namespace lumisnap
