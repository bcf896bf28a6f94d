#pragma once

#include "shell/namespace/IdList.h"
#include "shell/namespace/ShellTypes.h"

#include <QDateTime>
#include <QIcon>
#include <QLocale>
#include <QString>

#include <cstdint>
#include <optional>

namespace lumisnap {

class TPTCustomShellList;

// The record behind one file-list row. Everything but the identifier list is fetched
// on first use and kept, so a row costs nothing until it is shown or asked for.
class TPTShListData
{
public:
    TPTShListData(TPTCustomShellList *owner, IdList relIdList, std::uint32_t includeAttributes = 0);

    TPTCustomShellList *owner() const { return m_owner; }
    const IdList &RelIdList() const { return m_rel; }
    // After a rename: every cached value is fetched again on next use.
    void SetRelIdList(IdList list);
    const IdList &AbsIdList();

    QString Path(); // "" for an item without a file-system path
    QString DisplayName();
    std::uint32_t Attributes();
    bool IsFolder() { return (Attributes() & SFGAO_FOLDER) != 0; }
    bool IsLink();
    bool CanRename() { return (Attributes() & SFGAO_CANRENAME) != 0; }
    QString SizeText();
    QString TypeText();
    QString ModifiedText();
    QString ColumnText(int column);
    QIcon Icon();
    // The attribute word the include test saw when the row was added.
    std::uint32_t IncludeAttributes() const { return m_includeAttributes; }

    // Whole kilobytes rounded up with the locale's thousands separator: "1,024KB".
    static QString FormatSizeText(qint64 bytes, const QLocale &locale = QLocale());
    // The locale's short date, one blank, the locale's short time.
    static QString FormatModifiedText(const QDateTime &time, const QLocale &locale = QLocale());

private:
    void computeDetails();

    TPTCustomShellList *m_owner;
    IdList m_rel;
    IdList m_abs;
    std::uint32_t m_includeAttributes;
    std::optional<std::uint32_t> m_attributes;
    std::optional<QString> m_path;
    std::optional<QString> m_displayName;
    std::optional<QIcon> m_icon;
    bool m_detailsComputed = false;
    QString m_sizeText, m_modifiedText;
    std::optional<QString> m_typeText; // apart: naming a type wakes the MIME database
};

} // namespace lumisnap
