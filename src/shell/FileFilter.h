#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace lumisnap {

// Splits a filter text at ";"; empty pieces are dropped, blanks stay part of a pattern.
QStringList splitFilterPatterns(const QString &fileFilter);

// Whether a filter lists every item: empty, "*", "*.*", or nothing but ";" pieces.
bool filterMeansAll(const QString &fileFilter, const QStringList &patterns);

// One wildcard pattern matched against raw name bytes, with matchesWildcard's rules.
// ASCII names against an ASCII pattern are matched on the bytes, folding only A-Z; any
// other name is decoded and matched as text.
class FilterPattern
{
public:
    explicit FilterPattern(const QString &pattern);
    bool matches(QByteArrayView name) const;

private:
    QString m_text;
    QByteArray m_ascii; // the pattern's bytes when it is all ASCII, else empty
    bool m_isAscii = false;
};

// The names of one folder that the filter patterns accept, found by one directory pass
// before the folder is enumerated, so that each item then costs one lookup instead of a
// pattern match. A pass matching every pattern accepts the same names as one search per
// pattern.
class FilterNames
{
public:
    // No set at all (every item passes) when the folder has no file-system path or the
    // filter lists everything. `folderPath` is a lossless path.
    static std::optional<FilterNames> prepare(
        const QString &folderPath, const QString &fileFilter, const QStringList &patterns);

    // `fileName`: raw bytes of a name without its folder.
    bool contains(QByteArrayView fileName) const;
    qsizetype size() const { return m_names.size(); }

private:
    void search(const QString &folderPath, const std::vector<FilterPattern> &patterns);

    QSet<QByteArray> m_names;
};

} // namespace lumisnap
