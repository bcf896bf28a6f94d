#include "shell/controls/TPTShellList.h"

#include "common/Error.h"
#include "common/ErrorReport.h"
#include "common/FileName.h"
#include "shell/controls/DragAutoScroll.h"
#include "shell/controls/FillScope.h"
#include "shell/controls/ReentryGuard.h"
#include "shell/controls/ScrollAnchor.h"
#include "shell/controls/ShellItemDelegate.h"
#include "shell/controls/ShellListModel.h"
#include "shell/controls/TPTCustomDraw.h"
#include "shell/controls/TPTShellTree.h"
#include "shell/namespace/FileFilter.h"
#include "shell/namespace/ShellEnum.h"
#include "shell/namespace/ShellModel.h"
#include "shell/namespace/TPTPidlList.h"
#include "shell/transfer/ShellDrag.h"
#include "shell/watch/TChangeHandlerThread.h"
#include "shell/watch/TPTDeviceChangeHandler.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMetaMethod>
#include <QSet>
#include <QTimer>

#include <cstdlib>
#include <numeric>

namespace lumisnap {

namespace {

constexpr std::uint32_t IncludeAttributeMask = SFGAO_HASSUBFOLDER | SFGAO_FILESYSTEM | SFGAO_FOLDER
    | SFGAO_FILESYSANCESTOR | SFGAO_REMOVABLE | SFGAO_LINK | SFGAO_SHARE | SFGAO_GHOSTED;
constexpr int InitialRowCapacity = 500;

// The sign of a comparison answer, carried in its low 16 bits.
int lowWordSign(int result)
{
    const auto value = std::int16_t(std::uint16_t(result & 0xFFFF));
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

// Column widths shared by every file list of the process, so a user's widths survive
// folder changes.
std::optional<std::vector<int>> &savedColumnWidths()
{
    static std::optional<std::vector<int>> widths;
    return widths;
}

QSet<int> rowsOf(const QModelIndexList &indexes)
{
    QSet<int> rows;
    for (const QModelIndex &index : indexes)
        rows.insert(index.row());
    return rows;
}

// Reports a change of the selected row as two, the way the list's users expect it:
// first the old row loses the selection (nothing is selected while that is
// reported), then the new row gains it.
class RowSelectionModel : public QItemSelectionModel
{
public:
    using QItemSelectionModel::QItemSelectionModel;
    using QItemSelectionModel::select;

    void select(const QItemSelection &selection, SelectionFlags command) override
    {
        if ((command & Clear) && hasSelection()
            && rowsOf(selectedIndexes()) != rowsOf(selection.indexes())) {
            QItemSelectionModel::select(QItemSelection(), Clear);
            command &= ~Clear;
        }
        QItemSelectionModel::select(selection, command);
    }
};

std::vector<ShellListModel::Column> builtInColumns()
{
    return {
        { QStringLiteral("Name"), Qt::AlignLeft, 200 },
        { QStringLiteral("Size"), Qt::AlignRight, 60 },
        { QStringLiteral("Type"), Qt::AlignLeft, 100 },
        { QStringLiteral("Modified"), Qt::AlignLeft, 120 },
    };
}

} // namespace

TPTCustomShellList::TPTCustomShellList(QWidget *parent)
    : QTreeView(parent)
    , m_model(std::make_unique<ShellListModel>())
    , m_refreshTimer([this] { refreshTimerFired(); }, this)
    , m_watch(this, [this](int ms) { m_refreshTimer.start(ms); })
{
    m_folder.setChangeHandler([this](TPTShellLocator &) { folderChanged(); });
    setModel(m_model.get());
    QItemSelectionModel *qtSelection = selectionModel();
    setSelectionModel(new RowSelectionModel(m_model.get(), this));
    delete qtSelection;
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAutoScroll(false); // a drag scrolls on its own clock (DragAutoScroll)
    m_autoScroll = std::make_unique<DragAutoScroll>(this);
    m_model->setRenameHandler([this](int row, const QString &text) {
        bool renamed = false;
        runHandler([&] { renamed = renameRow(row, text); });
        return renamed;
    });
    applyDropOptions();
    setItemDelegate(new ShellItemDelegate(
        [this](const QModelIndex &, QStyleOptionViewItem &option) {
            return !m_rowDraw || m_rowDraw->applyTo(option);
        },
        nullptr, this));
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    connect(header(), &QHeaderView::sectionClicked, this,
        [this](int section) { runHandler([&] { headerClicked(section); }); });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
        [this] { runHandler([&] { emit OnChange(this, SelectedIndex(), ctState); }); });
    // A focus move that selects nothing still counts as a change of the row's state.
    // A press moves the focus before it selects: that move is reported with the
    // selection it brings (mousePressEvent).
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
        [this](const QModelIndex &current) {
            runHandler([&] {
                if (m_pressing == 0 && !selectionModel()->isSelected(current))
                    emit OnChange(this, current.row(), ctState);
            });
        });
    setUpColumns();
    m_model->setColumns(m_model->columns()); // header sections for the widths below
    for (size_t i = 0; i < m_model->columns().size(); ++i)
        header()->resizeSection(int(i), m_model->columns()[i].width);
    updateSortMark();
    TPTDeviceChangeHandler::instance().Register(&TPTCustomShellList::deviceChanged, this);
}

TPTCustomShellList::~TPTCustomShellList()
{
    m_watch.release();
    if (TPTDeviceChangeHandler *handler = TPTDeviceChangeHandler::existing())
        handler->Unregister(&TPTCustomShellList::deviceChanged, this);
    if (m_widthsWorthKeeping)
        saveColumnWidths();
    setModel(nullptr);
}

void TPTCustomShellList::Loaded()
{
    if (!m_loading)
        return;
    m_loading = false;
    if ((m_options & ptsloAutoFill) && Count() == 0)
        postDeferredFill();
}

void TPTCustomShellList::setOptions(TPTShellListOptions options)
{
    if (options == m_options)
        return;
    const TPTShellListOptions toggled = options ^ m_options;
    m_options = options;
    if (toggled & ptsloOleDrop)
        applyDropOptions();
    if (m_loading)
        return;
    if ((toggled & ptsloDynamicRefresh) && (options & ptsloDynamicRefresh) && m_shellFolder)
        startWatching();
    else if ((toggled & ptsloDynamicRefresh) && !(options & ptsloDynamicRefresh))
        stopWatching();
    if (toggled & (ptsloHideFoldersWhenLinkedToTree | ptsloShowHidden))
        RefreshList();
}

void TPTCustomShellList::setFileFilter(const QString &filter)
{
    if (filter == m_fileFilter)
        return;
    m_fileFilter = filter;
    m_filterPatterns = splitFilterPatterns(filter);
    if ((m_options & ptsloAutoFill) && !m_loading)
        FillList();
}

void TPTCustomShellList::setHeaderSortDisplayMode(TPTLvHeaderSortDisplayMode mode)
{
    if (mode == m_sortDisplayMode)
        return;
    m_sortDisplayMode = mode;
    updateSortMark();
}

void TPTCustomShellList::setColor(TColor color)
{
    QPalette pal = palette();
    const QColor c = toQColor(color);
    pal.setColor(QPalette::Base, c);
    pal.setColor(QPalette::Window, c);
    setPalette(pal);
}

void TPTCustomShellList::folderChanged()
{
    if (m_reentry == 0) {
        const ReentryGuard guard(m_reentry);
        try {
            if (m_tree)
                m_tree->SelectFolder(m_folder.GetIdList());
            if (!m_loading)
                FillList();
        } catch (...) {
            emit OnFolderChanged(this);
            throw;
        }
    }
    emit OnFolderChanged(this);
}

void TPTCustomShellList::followTree(const IdList &absIdList)
{
    m_folder.SetIdList(absIdList);
    // A list never filled shows nothing yet, even when it is handed the folder it names
    // already (the root, at start).
    if (!m_shellFolder && !m_loading)
        FillList();
}

bool TPTCustomShellList::busy() const
{
    return m_watch.dragging() || state() == EditingState;
}

void TPTCustomShellList::FillList()
{
    if (busy()) {
        m_refreshPending = true;
        return;
    }
    m_refreshPending = false;
    FillScope scope;
    clearRows();
    const IdList folderIdList
        = m_folder.GetIdList().isNull() ? IdList::empty() : m_folder.GetIdList();
    const ShellFolderPtr folder = shellModel().bindToFolder(folderIdList);
    if (!folder) {
        stopWatching(); // what is watched is no longer what is shown
        throw EAbort(); // a folder that vanished or cannot be reached shows as an empty list
    }
    prepareFilter(folderIdList);
    try {
        populate(folder, folderIdList);
    } catch (...) {
        m_filterNames.reset();
        throw;
    }
    m_filterNames.reset();
    if (m_options & ptsloDynamicRefresh)
        startWatching();
}

std::uint32_t TPTCustomShellList::enumFlags() const
{
    return SHCONTF_FOLDERS | SHCONTF_NONFOLDERS
        | ((m_options & ptsloShowHidden) ? std::uint32_t(SHCONTF_INCLUDEHIDDEN) : 0u);
}

void TPTCustomShellList::clearRows()
{
    if (Count() == 0)
        return;
    if (isSignalConnected(QMetaMethod::fromSignal(&TPTCustomShellList::OnDeleteItem))) {
        for (int i = 0; i < Count(); ++i)
            emit OnDeleteItem(this, i, m_model->row(i));
    }
    m_model->resetRows({});
}

void TPTCustomShellList::prepareFilter(const IdList &folderIdList)
{
    m_filterNames.reset();
    const QString path = shellModel().pathText(folderIdList);
    if (std::optional<FilterNames> names
        = FilterNames::prepare(path, m_fileFilter, m_filterPatterns))
        m_filterNames = std::make_unique<FilterNames>(std::move(*names));
}

void TPTCustomShellList::populate(const ShellFolderPtr &folder, const IdList &folderIdList)
{
    emit OnFillStart(this);
    const IdList previousIdList = m_folderIdList;
    const ShellFolderPtr previousFolder = m_shellFolder;
    try {
        m_folderIdList = folderIdList;
        m_shellFolder = folder;
        setUpColumns();
        hintListing(*folder);
        std::vector<IdList> items;
        if (enumerateChildren(*folder, enumFlags(), items, InitialRowCapacity)
            == EnumOutcome::Failed)
            items.clear();
        std::vector<ShellListModel::Row> rows;
        rows.reserve(items.size());
        for (IdList &rel : items) {
            std::uint32_t attributes = includeAttributes(*folder, rel);
            if (includeItem(*folder, rel, attributes))
                rows.push_back(std::make_unique<TPTShListData>(this, std::move(rel), attributes));
        }
        // Sorted before the view sees them: one reset, no change of layout after it.
        std::vector<IdList> rels;
        rels.reserve(rows.size());
        for (const ShellListModel::Row &row : rows)
            rels.push_back(row->RelIdList());
        std::vector<ShellListModel::Row> sorted(rows.size());
        const std::vector<int> order = sortOrder(rels);
        for (size_t i = 0; i < order.size(); ++i)
            sorted[i] = std::move(rows[size_t(order[i])]);
        m_model->resetRows(std::move(sorted));
        for (size_t i = 0; i < m_model->columns().size(); ++i)
            header()->resizeSection(int(i), m_model->columns()[i].width);
        if (Count() > 0)
            selectionModel()->setCurrentIndex(m_model->index(0, 0), QItemSelectionModel::NoUpdate);
    } catch (...) {
        m_folderIdList = previousIdList;
        m_shellFolder = previousFolder;
        emit OnFillComplete(this);
        throw;
    }
    emit OnFillComplete(this);
}

// The cheap part of the include test, so that the folder can prepare the sort for the rows
// that will be there. Only a hint: what it gets wrong costs time, never the order.
void TPTCustomShellList::hintListing(ShellFolder &folder) const
{
    if (m_sortColumn == 0)
        return;
    const bool foldersShown = !((m_options & ptsloHideFoldersWhenLinkedToTree) && m_tree);
    folder.hintNextListing(std::abs(m_sortColumn) - 1,
        [filter = m_filterNames.get(), foldersShown](QByteArrayView fileName, bool isFolder) {
            return isFolder ? foldersShown : !filter || filter->contains(fileName);
        });
}

void TPTCustomShellList::saveColumnWidths()
{
    std::vector<int> widths;
    for (int i = 0; i < m_model->columnCount(); ++i)
        widths.push_back(header()->sectionSize(i));
    savedColumnWidths() = std::move(widths);
}

void TPTCustomShellList::setUpColumns()
{
    if (m_model->columnCount() > 0 && m_widthsWorthKeeping)
        saveColumnWidths();
    std::vector<ShellListModel::Column> columns = builtInColumns();
    if (const auto &saved = savedColumnWidths()) {
        for (size_t i = 0; i < columns.size() && i < saved->size(); ++i)
            columns[i].width = (*saved)[i];
    }
    m_widthsWorthKeeping = true;
    m_model->setColumns(std::move(columns));
    if (m_model->columnCount() < std::abs(m_sortColumn))
        m_sortColumn = 1;
    SetSortColumn(m_sortColumn);
}

// Everything the include test asks but whether a folder has sub-folders, which costs a
// directory read: it is asked only of folders that are shown, and only when an OnAddItem
// handler is there to see it (the row itself never uses it).
std::uint32_t TPTCustomShellList::includeAttributes(ShellFolder &folder, const IdList &rel)
{
    return folder.attributesOf(rel, IncludeAttributeMask & ~std::uint32_t(SFGAO_HASSUBFOLDER))
        .value_or(0);
}

bool TPTCustomShellList::includeItem(
    ShellFolder &folder, const IdList &rel, std::uint32_t &attributes)
{
    if (!(m_options & ptsloNonFilesystemAncestors)
        && !(attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)))
        return false;
    if ((m_options & ptsloHideFoldersWhenLinkedToTree) && m_tree && (attributes & SFGAO_FOLDER)
        && (attributes & SFGAO_FILESYSTEM) && !(attributes & SFGAO_FILESYSANCESTOR))
        return false;
    if (m_filterNames && !(attributes & SFGAO_FOLDER)
        && !m_filterNames->contains(folder.parsingFileName(rel)))
        return false;
    if (!isSignalConnected(QMetaMethod::fromSignal(&TPTCustomShellList::OnAddItem)))
        return true; // nobody else sees the attributes that cost more to find
    if (attributes & SFGAO_FOLDER)
        attributes |= folder.attributesOf(rel, SFGAO_HASSUBFOLDER, enumFlags()).value_or(0);
    bool allow = true;
    emit OnAddItem(this, &folder, m_folderIdList, rel, attributes, &allow);
    return allow;
}

bool TPTCustomShellList::addNewShellItem(
    const IdList &rel, std::vector<std::unique_ptr<TPTShListData>> &rows)
{
    try {
        std::uint32_t attributes = includeAttributes(*m_shellFolder, rel);
        if (!includeItem(*m_shellFolder, rel, attributes))
            return false;
        rows.push_back(std::make_unique<TPTShListData>(this, rel, attributes));
        return true;
    } catch (...) {
        QMessageBox::critical(this, windowTitle(), QStringLiteral("Exception in AddNewShellItem"));
        throw;
    }
}

std::vector<int> TPTCustomShellList::sortOrder(const std::vector<IdList> &rels) const
{
    const int count = int(rels.size());
    std::vector<int> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    if (m_sortColumn == 0 || !m_shellFolder || count < 2)
        return order;
    const int column = std::abs(m_sortColumn) - 1;
    const bool descending = m_sortColumn < 0;
    ShellFolder &folder = *m_shellFolder;
    std::vector<int> ranks;
    if (folder.sortRanks(column, rels, ranks) && ranks.size() == rels.size()) {
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return descending ? ranks[size_t(b)] < ranks[size_t(a)]
                              : ranks[size_t(a)] < ranks[size_t(b)];
        });
        return order;
    }
    // Pair by pair; a failed comparison counts as equal.
    return stableSortOrder(count, [&](int a, int b) {
        const std::optional<int> result
            = folder.compareIDs(column, rels[size_t(a)], rels[size_t(b)]);
        const int sign = result ? lowWordSign(*result) : 0;
        return descending ? -sign : sign;
    });
}

void TPTCustomShellList::sortRows()
{
    std::vector<IdList> rels;
    rels.reserve(size_t(Count()));
    for (int i = 0; i < Count(); ++i)
        rels.push_back(m_model->row(i)->RelIdList());
    m_model->reorderRows(sortOrder(rels));
}

void TPTCustomShellList::SetSortColumn(int column)
{
    m_sortColumnSetByCode = true;
    const bool changed = column != m_sortColumn;
    m_sortColumn = column;
    updateSortMark();
    if (changed)
        sortRows();
}

void TPTCustomShellList::updateSortMark()
{
    const bool show = m_sortDisplayMode != ptlvNone && m_sortColumn != 0;
    header()->setSortIndicatorShown(show);
    header()->setSortIndicator(m_sortColumn == 0 ? -1 : std::abs(m_sortColumn) - 1,
        m_sortColumn < 0 ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void TPTCustomShellList::headerClicked(int section)
{
    m_sortColumnSetByCode = false;
    emit OnColumnClick(this, section);
    if (m_sortColumnSetByCode)
        return;
    const int column = section + 1;
    SetSortColumn(column == std::abs(m_sortColumn) ? -m_sortColumn : column);
}

TPTShListData *TPTCustomShellList::SelectedData() const
{
    return m_model->row(SelectedIndex());
}

TPTShListData *TPTCustomShellList::ItemData(int index) const
{
    return m_model->row(index);
}

int TPTCustomShellList::SelectedIndex() const
{
    int first = -1;
    for (const QModelIndex &index : selectionModel()->selectedRows())
        if (first < 0 || index.row() < first)
            first = index.row();
    return first;
}

int TPTCustomShellList::Count() const
{
    return m_model->rowCount();
}

int TPTCustomShellList::NextItem(int from) const
{
    const int next = from < 0 ? 0 : from + 1;
    return next < Count() ? next : -1;
}

void TPTCustomShellList::SelectItem(int index)
{
    if (index < 0 || index >= Count())
        return;
    const QModelIndex target = m_model->index(index, 0);
    selectionModel()->setCurrentIndex(
        target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(target);
}

bool TPTCustomShellList::event(QEvent *event)
{
    return m_watch.answer(event) || QTreeView::event(event);
}

void TPTCustomShellList::showEvent(QShowEvent *event)
{
    QTreeView::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    if (!m_loading && (m_options & ptsloAutoFill) && Count() == 0)
        postDeferredFill();
}

void TPTCustomShellList::raiseControlDraw(int stage)
{
    if (!isSignalConnected(QMetaMethod::fromSignal(&TPTCustomShellList::OnCustomDrawShEx)))
        return;
    TPTLvCustomDraw cd(
        stage, font(), palette().color(QPalette::Text), palette().color(QPalette::Base));
    runHandler([&] { emit OnCustomDrawShEx(this, &cd, -1, nullptr, stage); });
}

void TPTCustomShellList::paintEvent(QPaintEvent *event)
{
    raiseControlDraw(TPTCustomDraw::cdPrePaint);
    QTreeView::paintEvent(event);
    raiseControlDraw(TPTCustomDraw::cdPostPaint);
}

// Each row's events run once per paint, before its cells are drawn.
void TPTCustomShellList::drawRow(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    auto *self = const_cast<TPTCustomShellList *>(this);
    TPTShListData *data = m_model->row(index.row());
    TPTLvCustomDraw cd(TPTCustomDraw::cdItemPrePaint, option.font,
        option.palette.color(QPalette::Text), option.palette.color(QPalette::Base));
    runHandler([&] {
        emit self->OnCustomDrawShEx(self, &cd, index.row(), data, cd.drawStage());
        emit self->OnCustomDrawSh(self, &cd, index.row(), data);
    });
    if (cd.apply().skipItem)
        return;
    m_rowDraw = &cd;
    QStyleOptionViewItem shown = option;
    if (index.row() == m_dropRow)
        shown.state |= QStyle::State_Selected;
    QTreeView::drawRow(painter, shown, index);
    m_rowDraw = nullptr;
    TPTLvCustomDraw after(TPTCustomDraw::cdItemPostPaint, option.font,
        option.palette.color(QPalette::Text), option.palette.color(QPalette::Base));
    runHandler(
        [&] { emit self->OnCustomDrawShEx(self, &after, index.row(), data, after.drawStage()); });
}

} // namespace lumisnap
