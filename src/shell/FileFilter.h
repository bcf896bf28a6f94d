#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <unordered_set>

namespace lumisnap {

// Splits a filter text at ";"; empty pieces are dropped, blanks stay part of a pattern.
QStringList splitFilterPatterns(const QString &fileFilter);

// Whether a filter lists every item: empty, "*", "*.*", or nothing but ";" pieces.
bool filterMeansAll(const QString &fileFilter, const QStringList &patterns);

// The names of one folder that the filter patterns accept, found by one directory search
// per pattern before the folder is enumerated, so that each item then costs one lookup
// instead of a pattern match.
class FilterNames
{
public:
    // No set at all (every item passes) when the folder has no file-system path or the
    // filter lists everything. `folderPath` is a lossless path.
    static std::optional<FilterNames> prepare(
        const QString &folderPath, const QString &fileFilter, const QStringList &patterns);

    // `fileName`: raw bytes of a name without its folder.
    bool contains(const QByteArray &fileName) const;
    qsizetype size() const { return qsizetype(m_names.size()); }

private:
    // False when the search failed for another reason than finding nothing.
    bool searchPattern(const QString &folderPath, const QString &pattern);

    std::unordered_set<std::string> m_names;
};

} // namespace lumisnap
