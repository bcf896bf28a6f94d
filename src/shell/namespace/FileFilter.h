#pragma once

#include <QByteArray>
#include <QByteArrayView>
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
    // The same, told whether the name is all ASCII: a filter of several patterns asks
    // that once per name.
    bool matches(QByteArrayView name, bool nameIsAscii) const;

private:
    QString m_text;
    QByteArray m_ascii; // the pattern's bytes when it is all ASCII, else empty
    bool m_isAscii = false;
    // "*" and a literal ("*.jpg"), the usual form: its tail is compared, no search needed.
    bool m_isSuffix = false;
    QByteArray m_foldedSuffix;
};

// The filter of one fill: the patterns of a folder that has a file-system path. Each
// item's name is matched on its bytes as the enumeration hands it over, so the folder is
// read once; this accepts exactly the names a directory search per pattern would find.
class FilterNames
{
public:
    // No filter at all (every item passes) when the folder has no file-system path or the
    // filter lists everything.
    static std::optional<FilterNames> prepare(
        const QString &folderPath, const QString &fileFilter, const QStringList &patterns);

    // `fileName`: raw bytes of a name without its folder.
    bool contains(QByteArrayView fileName) const;

private:
    std::vector<FilterPattern> m_patterns;
};

} // namespace lumisnap
