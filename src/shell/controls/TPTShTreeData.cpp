#include "shell/controls/TPTShTreeData.h"

#include "common/Error.h"
#include "shell/namespace/ShellModel.h"

namespace lumisnap {

TPTShTreeData::TPTShTreeData(
    TPTCustomShellTree *tree, TPTShTreeData *parent, const IdList &relIdList, ShellFolderPtr folder)
    : m_tree(tree)
    , m_parent(parent)
    , m_rel(CopyIdList(relIdList))
    , m_folder(std::move(folder))
    , m_model(&shellModel())
{
}

const IdList &TPTShTreeData::AbsIdList()
{
    if (m_abs.isNull())
        m_abs = m_parent ? ConcatIdLists(m_parent->AbsIdList(), m_rel) : CopyIdList(m_rel);
    return m_abs;
}

QString TPTShTreeData::Path()
{
    if (!m_model)
        throw EShellError(QStringLiteral("TPTShTreeData not initialised"));
    const IdList &abs = AbsIdList();
    if (abs.isNull())
        return QString();
    return m_model->pathText(abs);
}

ShellFolderPtr TPTShTreeData::folder()
{
    if (m_folder || !m_model)
        return m_folder;
    if (AbsIdList().isEmpty()) {
        m_folder = m_model->desktopFolder();
    } else if (m_parent) {
        if (const ShellFolderPtr parent = m_parent->folder())
            m_folder = parent->bindToObject(m_rel);
    } else {
        m_folder = m_model->bindToFolder(AbsIdList());
    }
    return m_folder;
}

ShellFolderPtr TPTShTreeData::parentFolder()
{
    if (m_parent)
        return m_parent->folder();
    if (!m_model)
        return nullptr;
    return SplitIdList(AbsIdList()).parentFolder;
}

bool TPTShTreeData::CanRename()
{
    if (!m_parent || !m_model || AbsIdList().isEmpty())
        return false;
    const ShellFolderPtr parent = m_parent->folder();
    if (!parent)
        return false;
    const auto attributes = parent->attributesOf(m_rel, SFGAO_FILESYSTEM | SFGAO_CAPABILITYMASK);
    return attributes && (*attributes & SFGAO_CANRENAME);
}

void TPTShTreeData::SetRelIdList(const IdList &list)
{
    m_rel = CopyIdList(list);
    Invalidate();
}

void TPTShTreeData::Invalidate()
{
    m_abs = IdList();
    m_folder.reset();
}

} // namespace lumisnap
