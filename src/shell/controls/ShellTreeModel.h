#pragma once

#include "shell/controls/TPTShTreeData.h"

#include <QIcon>
#include <QStandardItemModel>

#include <functional>
#include <memory>
#include <optional>

namespace lumisnap {

// One folder of the tree. It owns its shell record; its level is filled when first
// opened, and until then `hasButton` says whether it may have sub-folders.
class ShellTreeNode : public QStandardItem
{
public:
    static constexpr int Type = QStandardItem::UserType + 1;

    ShellTreeNode(std::unique_ptr<TPTShTreeData> data, std::uint32_t attributes, bool hasButton);

    int type() const override { return Type; }
    QVariant data(int role) const override;

    TPTShTreeData *shData() const { return m_data.get(); }
    std::uint32_t attributes() const { return m_attributes; }
    bool hasButton() const { return m_hasButton; }
    void setHasButton(bool hasButton);
    bool filled() const { return m_filled; }
    void setFilled(bool filled) { m_filled = filled; }
    // The change watch on the node's folder, once its level is filled and watched.
    static constexpr int NoWatch = -1;
    int watchSlot() const { return m_watchSlot; }
    void setWatchSlot(int slot) { m_watchSlot = slot; }
    ShellTreeNode *parentNode() const;
    ShellTreeNode *childNode(int row) const;
    // Whether `ancestor` is this node or lies above it.
    bool isInside(const ShellTreeNode *ancestor) const;
    // Drops the cached absolute lists and folders of every node below this one.
    void invalidateDescendants();

private:
    std::unique_ptr<TPTShTreeData> m_data;
    std::uint32_t m_attributes;
    bool m_hasButton;
    bool m_filled = false;
    int m_watchSlot = NoWatch;
    mutable std::optional<QIcon> m_icon;
};

// Lets the view ask for a level only when a node is opened, and routes edits to the
// tree's rename.
class ShellTreeModel : public QStandardItemModel
{
    Q_OBJECT
public:
    using FillLevel = std::function<void(ShellTreeNode *)>;
    using Rename = std::function<bool(ShellTreeNode *, const QString &)>;

    ShellTreeModel(FillLevel fill, Rename rename, QObject *parent);

    ShellTreeNode *node(const QModelIndex &index) const;
    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

private:
    FillLevel m_fill;
    Rename m_rename;
};

} // namespace lumisnap
