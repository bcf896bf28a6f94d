#include "shell/controls/ShellTreeModel.h"

#include "shell/namespace/ShellModel.h"

namespace lumisnap {

ShellTreeNode::ShellTreeNode(
    std::unique_ptr<TPTShTreeData> data, std::uint32_t attributes, bool hasButton)
    : m_data(std::move(data))
    , m_attributes(attributes)
    , m_hasButton(hasButton)
{
    setEditable(false);
}

QVariant ShellTreeNode::data(int role) const
{
    if (role == Qt::DecorationRole && m_data) {
        if (!m_icon)
            m_icon = shellModel().icon(m_data->AbsIdList());
        // Ghosted folders (hidden ones) are drawn dimmed.
        if (m_attributes & SFGAO_GHOSTED)
            return m_icon->pixmap(16, QIcon::Disabled);
        return *m_icon;
    }
    return QStandardItem::data(role);
}

void ShellTreeNode::setHasButton(bool hasButton)
{
    if (hasButton == m_hasButton)
        return;
    m_hasButton = hasButton;
    emitDataChanged();
}

ShellTreeNode *ShellTreeNode::parentNode() const
{
    QStandardItem *p = parent();
    return p && p->type() == Type ? static_cast<ShellTreeNode *>(p) : nullptr;
}

ShellTreeNode *ShellTreeNode::childNode(int row) const
{
    QStandardItem *c = child(row);
    return c && c->type() == Type ? static_cast<ShellTreeNode *>(c) : nullptr;
}

bool ShellTreeNode::isInside(const ShellTreeNode *ancestor) const
{
    for (const ShellTreeNode *n = this; n; n = n->parentNode())
        if (n == ancestor)
            return true;
    return false;
}

void ShellTreeNode::invalidateDescendants()
{
    for (int i = 0; i < rowCount(); ++i) {
        if (ShellTreeNode *c = childNode(i)) {
            if (c->m_data)
                c->m_data->Invalidate();
            c->m_icon.reset();
            c->invalidateDescendants();
        }
    }
}

ShellTreeModel::ShellTreeModel(FillLevel fill, Rename rename, QObject *parent)
    : QStandardItemModel(parent)
    , m_fill(std::move(fill))
    , m_rename(std::move(rename))
{
}

ShellTreeNode *ShellTreeModel::node(const QModelIndex &index) const
{
    QStandardItem *item = itemFromIndex(index);
    return item && item->type() == ShellTreeNode::Type ? static_cast<ShellTreeNode *>(item)
                                                       : nullptr;
}

bool ShellTreeModel::hasChildren(const QModelIndex &parent) const
{
    if (ShellTreeNode *n = node(parent))
        return n->hasButton() || n->rowCount() > 0;
    return QStandardItemModel::hasChildren(parent);
}

bool ShellTreeModel::canFetchMore(const QModelIndex &parent) const
{
    ShellTreeNode *n = node(parent);
    return n && n->hasButton() && !n->filled();
}

void ShellTreeModel::fetchMore(const QModelIndex &parent)
{
    if (ShellTreeNode *n = node(parent); n && m_fill && !n->filled())
        m_fill(n);
}

bool ShellTreeModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    ShellTreeNode *n = node(index);
    if (role == Qt::EditRole && n && m_rename)
        return m_rename(n, value.toString());
    return QStandardItemModel::setData(index, value, role);
}

} // namespace lumisnap
