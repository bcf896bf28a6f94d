#include "shell/controls/TPTShListData.h"

#include "shell/controls/TPTShellList.h"
#include "shell/namespace/ShellModel.h"

namespace lumisnap {

namespace {

constexpr std::uint32_t DataAttributeMask = SFGAO_HASSUBFOLDER | SFGAO_FILESYSTEM | SFGAO_FOLDER
    | SFGAO_FILESYSANCESTOR | SFGAO_VALIDATE | SFGAO_LINK | SFGAO_SHARE | SFGAO_READONLY
    | SFGAO_GHOSTED | SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK | SFGAO_CANRENAME
    | SFGAO_CANDELETE;

QString systemFolderText()
{
    return QStringLiteral("System Folder");
}
QString sizeFormat()
{
    return QStringLiteral("%1KB");
}

} // namespace

TPTShListData::TPTShListData(
    TPTCustomShellList *owner, IdList relIdList, std::uint32_t includeAttributes)
    : m_owner(owner)
    , m_rel(std::move(relIdList))
    , m_includeAttributes(includeAttributes)
{
}

void TPTShListData::SetRelIdList(IdList list)
{
    m_rel = std::move(list);
    m_abs = IdList();
    m_attributes.reset();
    m_path.reset();
    m_displayName.reset();
    m_icon.reset();
    m_detailsComputed = false;
    m_typeText.reset();
}

const IdList &TPTShListData::AbsIdList()
{
    if (m_abs.isNull())
        m_abs = ConcatIdLists(m_owner ? m_owner->FolderIdList() : IdList(), m_rel);
    return m_abs;
}

QString TPTShListData::Path()
{
    if (!m_path)
        m_path = shellModel().pathText(AbsIdList());
    return *m_path;
}

QString TPTShListData::DisplayName()
{
    if (!m_displayName)
        m_displayName = shellModel().displayName(AbsIdList());
    return *m_displayName;
}

std::uint32_t TPTShListData::Attributes()
{
    if (m_attributes)
        return *m_attributes;
    std::uint32_t mask = DataAttributeMask;
    const QString path = Path();
    if (path.size() >= 4 && shellModel().driveType(path) == DriveType::Removable)
        mask &= ~std::uint32_t(SFGAO_READONLY);
    const ShellFolderPtr folder = m_owner ? m_owner->shellFolder() : nullptr;
    m_attributes = folder ? folder->attributesOf(m_rel, mask).value_or(0) : 0;
    return *m_attributes;
}

bool TPTShListData::IsLink()
{
    return Path().endsWith(QLatin1String(".lnk"), Qt::CaseInsensitive);
}

QString TPTShListData::SizeText()
{
    computeDetails();
    return m_sizeText;
}

QString TPTShListData::TypeText()
{
    if (!m_typeText)
        m_typeText = (Attributes() & SFGAO_FILESYSTEM) ? shellModel().typeName(AbsIdList())
                                                       : systemFolderText();
    return *m_typeText;
}

QString TPTShListData::ModifiedText()
{
    computeDetails();
    return m_modifiedText;
}

QString TPTShListData::ColumnText(int column)
{
    switch (column) {
    case 0:
        return DisplayName();
    case 1:
        return SizeText();
    case 2:
        return TypeText();
    case 3:
        return ModifiedText();
    default:
        return QString();
    }
}

QIcon TPTShListData::Icon()
{
    if (!m_icon)
        m_icon = shellModel().icon(AbsIdList());
    return *m_icon;
}

// A drive root (a mount point) gets no size or time: looking at a network mount that no
// longer answers would freeze the window.
void TPTShListData::computeDetails()
{
    if (m_detailsComputed)
        return;
    m_detailsComputed = true;
    const QString path = Path();
    if (path.isEmpty() || shellModel().driveType(path) != DriveType::NoRootDir)
        return;
    const std::optional<FileData> data = shellModel().findFile(path);
    if (!data)
        return;
    if (!data->isDirectory())
        m_sizeText = FormatSizeText(data->size);
    m_modifiedText = FormatModifiedText(data->modified);
}

QString TPTShListData::FormatSizeText(qint64 bytes, const QLocale &locale)
{
    QLocale grouped = locale;
    grouped.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    const qint64 kilobytes = bytes / 1024 + (bytes % 1024 > 0 ? 1 : 0);
    return sizeFormat().arg(grouped.toString(bytes < 0 ? 0 : kilobytes));
}

QString TPTShListData::FormatModifiedText(const QDateTime &time, const QLocale &locale)
{
    if (!time.isValid())
        return QString();
    const QDateTime local = time.toLocalTime();
    return locale.toString(local.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(local.time(), QLocale::ShortFormat);
}

} // namespace lumisnap
