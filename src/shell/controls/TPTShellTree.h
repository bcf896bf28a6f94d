#pragma once

#include "common/TColor.h"
#include "shell/controls/TPTShTreeData.h"
#include "shell/namespace/IdList.h"
#include "shell/namespace/ShellFolder.h"
#include "shell/namespace/TPTShellLocator.h"
#include "shell/watch/ChangeWatch.h"
#include "shell/watch/ShellTimer.h"

#include <QFlags>
#include <QStandardItem>
#include <QTimer>
#include <QTreeView>

#include <memory>
#include <vector>

namespace lumisnap {

class DragAutoScroll;
class ShellCommands;
class ShellTreeModel;
class ShellTreeNode;
class TPTCustomDraw;
class TPTCustomShellList;
struct TDeviceChangeMessage;

// Bit n of the set is option n.
enum TPTShellTreeOption : unsigned {
    ptstoAutoFill = 1u << 0,
    ptstoVirtualFolders = 1u << 1,
    ptstoDesignInteractive = 1u << 2,
    ptstoDefaultKeyHandling = 1u << 3,
    ptstoContextMenus = 1u << 4,
    ptstoDynamicRefresh = 1u << 5,
    ptstoIncludeNonFolders = 1u << 6,
    ptstoOleDrag = 1u << 7,
    ptstoOleDrop = 1u << 8,
    ptstoShowHidden = 1u << 9,
};
Q_DECLARE_FLAGS(TPTShellTreeOptions, TPTShellTreeOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TPTShellTreeOptions)

// The folders of the shell namespace below a base folder, each level filled when first
// opened. A linked file list always shows the selected folder: a mouse click hands it
// over at once, a keyboard move once the keys have rested for KeyboardHandOverDelay.
class TPTCustomShellTree : public QTreeView
{
    Q_OBJECT
public:
    static constexpr int KeyboardHandOverDelay = 500; // ms
    static constexpr TPTShellTreeOptions DefaultOptions = ptstoAutoFill | ptstoVirtualFolders
        | ptstoDefaultKeyHandling | ptstoContextMenus | ptstoDynamicRefresh | ptstoOleDrag
        | ptstoOleDrop | ptstoShowHidden;

    explicit TPTCustomShellTree(QWidget *parent = nullptr);
    ~TPTCustomShellTree() override;

    // Ends the loading state the control starts in: fills an empty tree (with
    // ptstoAutoFill) and hands the current folder to the linked list.
    void Loaded();
    bool loading() const { return m_loading; }

    TPTShellLocator &BaseFolder() { return m_baseFolder; }
    TPTShellLocator &CurrentFolder() { return m_currentFolder; }
    TPTCustomShellList *ShellList() const { return m_list; }
    void setShellList(TPTCustomShellList *list);
    TPTShellTreeOptions Options() const { return m_options; }
    void setOptions(TPTShellTreeOptions options);
    bool ShowButtons() const { return m_showButtons; }
    void setShowButtons(bool show);
    void setShowRoot(bool show) { setRootIsDecorated(show); }
    void setIndent(int indent) { setIndentation(indent); }
    void setColor(TColor color);
    void setFontColor(TColor color);

    void FillTree();
    void RefreshTree();
    void SelectFolder(const IdList &absIdList);
    void GoUp(int levels);
    // Runs a pending keyboard hand-over at once.
    void FlushPending(bool alsoListRefresh = false);

    ShellTreeNode *rootNode() const;
    ShellTreeNode *selectedNode() const;
    QModelIndex indexOfNode(const ShellTreeNode *node) const;
    // The node shown as the place a drag would drop on; none when null.
    ShellTreeNode *dropHighlightNode() const;
    bool handOverPending() const { return m_handOverTimer.isActive(); }
    bool refreshScheduled() const { return m_refreshTimer.isActive(); }

    // Live refresh. A rename made through the tree marks itself: the change notification
    // it causes is ignored once. While a drag out of the tree runs, notifications are
    // ignored and fills wait; refreshPending() then tells whether one did.
    void markRename() { m_watch.markRename(); }
    bool renameMarked() const { return m_watch.renameMarked(); }
    void setDragging(bool dragging) { m_watch.setDragging(dragging); }
    bool dragging() const { return m_watch.dragging(); }
    bool refreshPending() const { return m_refreshPending; }
    // The watcher of the filled levels; none until the tree first watches.
    TChangeHandlerThread *changeThread() const { return m_watch.existingThread(); }

signals:
    void OnClick(QObject *Sender);
    void OnChange(QObject *Sender, QStandardItem *Node);
    void OnCustomDrawSh(QObject *aSender, lumisnap::TPTCustomDraw *aCD, QStandardItem *aNode,
        lumisnap::TPTShTreeData *aData);
    void OnCustomDrawShEx(QObject *aSender, lumisnap::TPTCustomDraw *aCD, QStandardItem *aNode,
        lumisnap::TPTShTreeData *aData, int aStage);
    // Clearing *afAllowAdd leaves the folder out.
    void OnAddItem(QObject *aSender, lumisnap::ShellFolder *aParentIShf,
        const lumisnap::IdList &aParentAbsIdList, const lumisnap::IdList &aItemRelIdList,
        quint32 aAttribs, bool *afAllowAdd);
    void OnInsertItem(QObject *aSender, QStandardItem *aNode);
    void OnDeleteItem(QObject *aSender, QStandardItem *aNode, lumisnap::TPTShTreeData *aShTreeData);
    // The handler may change *aText before the rename is applied.
    void OnEdited(QObject *Sender, QStandardItem *Node, QString *aText);
    void OnFillStart(QObject *Sender);
    void OnFillComplete(QObject *Sender);
    void OnPopupHint(QObject *aSender, const QString &hint);

protected:
    virtual void runShellCommand(ShellTreeNode *node, const char *verb);
    virtual void showNodeContextMenu(ShellTreeNode *node, const QPoint &pos);
    // (Re)starts the wait before a refresh; a keyboard hand-over has a timer of its own.
    void startRefreshTimer(int ms);

    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;
    void drawBranches(
        QPainter *painter, const QRect &rect, const QModelIndex &index) const override;

private:
    std::uint32_t enumFlags() const;
    bool busy() const;
    void fillLevel(ShellTreeNode *node);
    void openLevel(ShellTreeNode *node);
    ShellTreeNode *createRootNode();
    std::unique_ptr<ShellTreeNode> makeChildNode(
        ShellTreeNode *parent, const IdList &rel, bool *failed);
    ShellTreeNode *findChild(ShellTreeNode *parent, const IdList &item);
    void expandNode(ShellTreeNode *node);
    static void sortNodes(ShellFolder &folder, std::vector<std::unique_ptr<ShellTreeNode>> &nodes);
    static int sortedPosition(
        ShellFolder &folder, ShellTreeNode *parent, const ShellTreeNode &node);
    void handleKey(QKeyEvent *event);
    void deleteNode(ShellTreeNode *node);
    void refreshNode(ShellTreeNode *node, ShellTreeNode *&remembered);
    void currentNodeChanged(const QModelIndex &current);
    void handOver(ShellTreeNode *node);
    void selectNode(ShellTreeNode *node);
    void clearSelectionQuietly();
    void handOverFolder(const IdList &absIdList);
    void handOverSelected();
    void startRename();
    bool renameNode(ShellTreeNode *node, const QString &text);
    // Every filled level with a folder path is watched (there are no subtree watches).
    void startWatching();
    void stopWatching();
    std::uint32_t watchFilter() const;
    void watchLevel(ShellTreeNode *node);
    void unwatchLevels(ShellTreeNode *node);
    static void deviceChanged(QObject *control, const TDeviceChangeMessage &message);

    // Commands, drag and drop.
    ShellCommands commandsOf(ShellTreeNode *node) const;
    void beginDrag(ShellTreeNode *node, Qt::MouseButton button);
    void applyDropOptions();
    // The folder path a drop at `pos` goes into ("" for none) and its node.
    QString dropFolderAt(QPoint pos, bool entering, ShellTreeNode *&node) const;
    bool isOwnPlace(const QString &folder, const QStringList &sources) const;
    void setDropNode(ShellTreeNode *node);
    void dragOver(QDropEvent *event, bool entering);
    void showMenuAt(QPoint pos);
    void endDragOver();

    ShellTreeModel *m_model;
    TPTShellLocator m_baseFolder;
    TPTShellLocator m_currentFolder;
    ShellFolderPtr m_baseShellFolder;
    TPTCustomShellList *m_list = nullptr;
    QMetaObject::Connection m_listDestroyed;
    TPTShellTreeOptions m_options = DefaultOptions;
    ShellTimer m_handOverTimer;
    ShellTimer m_refreshTimer;
    ChangeWatch m_watch;
    bool m_watching = false;
    bool m_refreshPending = false;
    bool m_immediate = false;
    int m_reentry = 0;
    bool m_loading = true;
    bool m_showButtons = true;
    bool m_shownOnce = false;
    mutable TPTCustomDraw *m_rowDraw = nullptr;
    QPoint m_pressPos;
    Qt::MouseButton m_dragButton = Qt::NoButton;
    bool m_menuOnRelease = false;
    QPersistentModelIndex m_dragIndex; // the node a drag out of this tree carries
    QPersistentModelIndex m_dropIndex;
    std::uint32_t m_dropAllowed = 0;
    QStringList m_dropSources; // what the hovering drag carries
    std::unique_ptr<DragAutoScroll> m_autoScroll;
};

// The tree as the forms place it.
class TPTShellTree : public TPTCustomShellTree
{
    Q_OBJECT
public:
    using TPTCustomShellTree::TPTCustomShellTree;
};

} // namespace lumisnap
