#pragma once

#include "common/TColor.h"
#include "shell/controls/TPTShListData.h"
#include "shell/namespace/IdList.h"
#include "shell/namespace/ShellFolder.h"
#include "shell/namespace/TPTShellLocator.h"
#include "shell/watch/ChangeWatch.h"
#include "shell/watch/ShellTimer.h"

#include <QFlags>
#include <QTreeView>

#include <memory>
#include <optional>

namespace lumisnap {

class DragAutoScroll;
class FilterNames;
class ShellCommands;
class ShellListModel;
class TPTCustomDraw;
class TPTCustomShellTree;
struct TDeviceChangeMessage;

// Bit n of the set is option n.
enum TPTShellListOption : unsigned {
    ptsloAutoFill = 1u << 0,
    ptsloNonFilesystemAncestors = 1u << 1,
    ptsloDesignInteractive = 1u << 2,
    ptsloDefaultKeyHandling = 1u << 3,
    ptsloContextMenus = 1u << 4,
    ptsloDontChangeFolder = 1u << 5,
    ptsloDontGoBelowBase = 1u << 6,
    ptsloDynamicRefresh = 1u << 7,
    ptsloHideFoldersWhenLinkedToTree = 1u << 8,
    ptsloOleDrag = 1u << 9,
    ptsloOleDrop = 1u << 10,
    ptsloFolderContextMenu = 1u << 11,
    ptsloShowHidden = 1u << 12,
};
Q_DECLARE_FLAGS(TPTShellListOptions, TPTShellListOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TPTShellListOptions)

enum TPTLvHeaderSortDisplayMode { ptlvNone, ptlvLeftAlign, ptlvRightOfText, ptlvRightAlign };

// What changed in a row, for OnChange.
enum TItemChange { ctText, ctImage, ctState };

// A report view of one shell folder's items, filtered by wildcard patterns, with the
// columns Name, Size, Type and Modified. Rows are cheap until shown: captions, texts and
// icons are asked for when the view draws them.
class TPTCustomShellList : public QTreeView
{
    Q_OBJECT
public:
    static constexpr TPTShellListOptions DefaultOptions = ptsloAutoFill
        | ptsloNonFilesystemAncestors | ptsloDefaultKeyHandling | ptsloContextMenus
        | ptsloDynamicRefresh | ptsloOleDrag | ptsloOleDrop | ptsloFolderContextMenu
        | ptsloShowHidden;

    explicit TPTCustomShellList(QWidget *parent = nullptr);
    ~TPTCustomShellList() override;

    // Ends the loading state the control starts in: from now on setters fill at once,
    // and an empty list with ptsloAutoFill fills itself soon.
    void Loaded();
    bool loading() const { return m_loading; }

    TPTShellLocator &Folder() { return m_folder; }
    const IdList &FolderIdList() const { return m_folderIdList; }
    ShellFolderPtr shellFolder() const { return m_shellFolder; }

    TPTShellListOptions Options() const { return m_options; }
    void setOptions(TPTShellListOptions options);
    QString FileFilter() const { return m_fileFilter; }
    void setFileFilter(const QString &filter);
    QStringList FilterPatterns() const { return m_filterPatterns; }
    TPTLvHeaderSortDisplayMode HeaderSortDisplayMode() const { return m_sortDisplayMode; }
    void setHeaderSortDisplayMode(TPTLvHeaderSortDisplayMode mode);
    void setColor(TColor color);

    int SortColumn() const { return m_sortColumn; }
    void SetSortColumn(int column);

    void FillList();
    void RefreshList();

    // The accessors the windows use.
    TPTShListData *SelectedData() const;
    TPTShListData *ItemData(int index) const;
    int SelectedIndex() const; // -1 when no row is selected
    int Count() const;
    // The row after `from` (the first row when `from` is negative); -1 past the end.
    int NextItem(int from) const;
    // Selects one row (the others lose their selection) and focuses it; raises OnChange.
    void SelectItem(int index);

    // Commands on the rows.
    void OpenSelected();
    void OpenItem(int index);
    void BrowseTo(const IdList &absIdList);
    void GoUp(int levels);
    // Runs a shell command by its verb on the selected rows ("paste": on the folder).
    void RunVerb(const QString &verb);
    // Starts editing the focused row's name, when it may be renamed.
    void StartRename();
    bool ReadOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    // The row shown as the place a drag would drop on; -1 for none.
    int dropHighlightRow() const { return m_dropRow; }

    TPTCustomShellTree *linkedTree() const { return m_tree; }
    // Set by the tree when it links or unlinks this list.
    void setLinkedTree(TPTCustomShellTree *tree) { m_tree = tree; }
    // The tree hands over its selected folder.
    void followTree(const IdList &absIdList);

    // Live refresh. A rename made through the list marks itself: the change notification
    // it causes is ignored once. While a drag out of the list runs, notifications are
    // ignored and fills wait; refreshPending() then tells whether one did.
    void markRename() { m_watch.markRename(); }
    bool renameMarked() const { return m_watch.renameMarked(); }
    void setDragging(bool dragging) { m_watch.setDragging(dragging); }
    bool dragging() const { return m_watch.dragging(); }
    bool refreshPending() const { return m_refreshPending; }
    // The refresh waiting for changes to rest; FlushRefresh runs it at once.
    bool refreshScheduled() const { return m_refreshTimer.isActive(); }
    void FlushRefresh();
    // The watcher of the shown folder; none until the list first watches one.
    TChangeHandlerThread *changeThread() const { return m_watch.existingThread(); }

signals:
    void OnClick(QObject *Sender);
    void OnChange(QObject *Sender, int Item, lumisnap::TItemChange Change);
    void OnCustomDrawSh(
        QObject *aSender, lumisnap::TPTCustomDraw *aCD, int aItem, lumisnap::TPTShListData *aData);
    void OnCustomDrawShEx(QObject *aSender, lumisnap::TPTCustomDraw *aCD, int aItem,
        lumisnap::TPTShListData *aData, int aStage);
    // Clearing *afAllowAdd leaves the item out.
    void OnAddItem(QObject *aSender, lumisnap::ShellFolder *aParentIShf,
        const lumisnap::IdList &aParentAbsIdList, const lumisnap::IdList &aItemRelIdList,
        quint32 aAttribs, bool *afAllowAdd);
    void OnDeleteItem(QObject *aSender, int aNode, lumisnap::TPTShListData *aShListData);
    void OnColumnClick(QObject *Sender, int Column);
    void OnFillStart(QObject *Sender);
    void OnFillComplete(QObject *Sender);
    void OnFolderChanged(QObject *Sender);
    // Setting *afHandled takes the opening of the selected files over.
    void OnDblClickOpen(QObject *aSender, bool *afHandled);
    void OnPopupHint(QObject *aSender, const QString &hint);
    // The handler may change *aText before a rename is applied.
    void OnEdited(QObject *Sender, int Item, QString *aText);

protected:
    virtual bool handleShellKey(QKeyEvent *event);
    virtual void showItemContextMenu(const QPoint &pos);

    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;

    ShellListModel *listModel() const { return m_model.get(); }

private:
    // Fills and refreshes wait while the user drags or edits a name.
    bool busy() const;
    void startWatching();
    void stopWatching();
    void refreshTimerFired();
    static void deviceChanged(QObject *control, const TDeviceChangeMessage &message);

    void folderChanged();
    void clearRows();
    std::uint32_t enumFlags() const;
    void populate(const ShellFolderPtr &folder, const IdList &folderIdList);
    void hintListing(ShellFolder &folder) const;
    void setUpColumns();
    void saveColumnWidths();
    // Applies the include test; a shown folder's attributes gain SFGAO_HASSUBFOLDER.
    bool includeItem(ShellFolder &folder, const IdList &rel, std::uint32_t &attributes);
    std::uint32_t includeAttributes(ShellFolder &folder, const IdList &rel);
    bool addNewShellItem(const IdList &rel, std::vector<std::unique_ptr<TPTShListData>> &rows);
    void prepareFilter(const IdList &folderIdList);
    void sortRows();
    void refreshRows();
    void matchRows(const std::vector<IdList> &fresh, std::vector<char> &rowMatched,
        std::vector<char> &freshMatched) const;
    // The order of rows with these identifier lists by SortColumn: order[i] is the index
    // of the row that goes to place i.
    std::vector<int> sortOrder(const std::vector<IdList> &rels) const;
    void headerClicked(int section);
    void updateSortMark();
    void raiseControlDraw(int stage);
    void postDeferredFill();

    // Commands, drag and drop.
    std::vector<IdList> selectedRelIdLists() const;
    ShellCommands commandsOf(std::vector<IdList> items) const;
    void refreshAfterCommand();
    void beginDrag(Qt::MouseButton button);
    void applyDropOptions();
    // The folder a drop at `pos` goes into ("" for none) and the row that shows it.
    QString dropFolderAt(QPoint pos, bool rightButton, int &row);
    // What a drop into `folder`, shown by `row` (-1: the background), may do.
    std::uint32_t hoverEffect(
        QDropEvent *event, const QString &folder, int row, const QStringList &sources) const;
    void setDropRow(int row);
    void endDragOver();
    bool renameRow(int index, const QString &text);

    std::unique_ptr<ShellListModel> m_model;
    TPTShellLocator m_folder;
    IdList m_folderIdList;
    ShellFolderPtr m_shellFolder;
    TPTShellListOptions m_options = DefaultOptions;
    QString m_fileFilter;
    QStringList m_filterPatterns;
    std::unique_ptr<FilterNames> m_filterNames;
    int m_sortColumn = 1;
    bool m_sortColumnSetByCode = false;
    TPTLvHeaderSortDisplayMode m_sortDisplayMode = ptlvRightOfText;
    TPTCustomShellTree *m_tree = nullptr;
    int m_reentry = 0;
    int m_fillNesting = 0;
    int m_pressing = 0;
    bool m_loading = true;
    bool m_widthsWorthKeeping = false;
    bool m_deferredFillPosted = false;
    bool m_shownOnce = false;
    bool m_refreshPending = false;
    ShellTimer m_refreshTimer;
    ChangeWatch m_watch;
    bool m_readOnly = false;
    QPoint m_pressPos;
    Qt::MouseButton m_dragButton = Qt::NoButton; // the button that may start a drag
    bool m_menuOnRelease = false;
    int m_dropRow = -1;
    std::uint32_t m_dropAllowed = 0; // what the dragged items allow
    QStringList m_dropSources; // what the hovering drag carries
    std::unique_ptr<DragAutoScroll> m_autoScroll;
    // The row being drawn: its events ran once, its cells apply what they changed.
    mutable TPTCustomDraw *m_rowDraw = nullptr;
};

// The list as the forms place it.
class TPTShellList : public TPTCustomShellList
{
    Q_OBJECT
public:
    using TPTCustomShellList::TPTCustomShellList;
};

} // namespace lumisnap
