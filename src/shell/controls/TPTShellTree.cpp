#include "shell/controls/TPTShellTree.h"

#include "common/Error.h"
#include "common/ErrorReport.h"
#include "shell/controls/DragAutoScroll.h"
#include "shell/controls/FillScope.h"
#include "shell/controls/ReentryGuard.h"
#include "shell/controls/ScrollAnchor.h"
#include "shell/controls/ShellItemDelegate.h"
#include "shell/controls/ShellTreeModel.h"
#include "shell/controls/TPTCustomDraw.h"
#include "shell/controls/TPTShellList.h"
#include "shell/namespace/ShellEnum.h"
#include "shell/namespace/ShellModel.h"
#include "shell/namespace/TPTPidlList.h"
#include "shell/transfer/ShellCommands.h"
#include "shell/transfer/ShellDrag.h"
#include "shell/watch/TChangeHandlerThread.h"
#include "shell/watch/TPTDeviceChangeHandler.h"

#include <QApplication>
#include <QKeyEvent>

#include <cerrno>

namespace lumisnap {

namespace {

constexpr std::uint32_t NodeAttributeMask = SFGAO_HASSUBFOLDER | SFGAO_FILESYSTEM | SFGAO_FOLDER
    | SFGAO_FILESYSANCESTOR | SFGAO_VALIDATE | SFGAO_REMOVABLE | SFGAO_LINK | SFGAO_SHARE
    | SFGAO_GHOSTED;

// Three-way order of two nodes of one level; a failed comparison counts as equal.
int compareNodes(ShellFolder &folder, const ShellTreeNode &a, const ShellTreeNode &b)
{
    if (!a.shData() || !b.shData())
        return 0;
    const std::optional<int> order
        = folder.compareIDs(0, a.shData()->RelIdList(), b.shData()->RelIdList());
    if (!order)
        return 0;
    const auto low = std::int16_t(std::uint16_t(*order & 0xFFFF));
    return low < 0 ? -1 : (low > 0 ? 1 : 0);
}

} // namespace

TPTCustomShellTree::TPTCustomShellTree(QWidget *parent)
    : QTreeView(parent)
    , m_model(new ShellTreeModel([this](ShellTreeNode *node) { openLevel(node); },
          [this](ShellTreeNode *node, const QString &text) {
              bool renamed = false;
              runHandler([&] { renamed = renameNode(node, text); });
              return renamed;
          },
          this))
    , m_handOverTimer([this] { handOverSelected(); }, this)
    , m_refreshTimer([this] { RefreshTree(); }, this)
    , m_watch(this, [this](int ms) { startRefreshTimer(ms); })
{
    m_baseFolder.setChangeHandler([this](TPTShellLocator &) {
        if (!m_loading)
            FillTree();
    });
    m_currentFolder.setChangeHandler([this](TPTShellLocator &locator) {
        if (rootNode())
            SelectFolder(locator.GetIdList());
    });
    setModel(m_model);
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAutoScroll(false); // a drag scrolls on its own clock (DragAutoScroll)
    m_autoScroll = std::make_unique<DragAutoScroll>(this);
    applyDropOptions();
    setItemDelegate(new ShellItemDelegate(
        [this](const QModelIndex &, QStyleOptionViewItem &option) {
            return !m_rowDraw || m_rowDraw->applyTo(option);
        },
        nullptr, this));
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
        [this](const QModelIndex &current) { runHandler([&] { currentNodeChanged(current); }); });
    TPTDeviceChangeHandler::instance().Register(&TPTCustomShellTree::deviceChanged, this);
}

TPTCustomShellTree::~TPTCustomShellTree()
{
    m_watch.release();
    if (TPTDeviceChangeHandler *handler = TPTDeviceChangeHandler::existing())
        handler->Unregister(&TPTCustomShellTree::deviceChanged, this);
    m_handOverTimer.stop();
    m_refreshTimer.stop();
    if (m_list) {
        disconnect(m_listDestroyed);
        m_list->setLinkedTree(nullptr);
    }
    ++m_reentry;
    m_model->clear();
}

void TPTCustomShellTree::Loaded()
{
    if (!m_loading)
        return;
    m_loading = false;
    if ((m_options & ptstoAutoFill) && !rootNode())
        FillTree();
    if (m_list)
        m_list->followTree(m_currentFolder.GetIdList());
}

void TPTCustomShellTree::setShellList(TPTCustomShellList *list)
{
    if (list == m_list)
        return;
    if (m_list) {
        disconnect(m_listDestroyed);
        m_list->setLinkedTree(nullptr);
    }
    m_list = list;
    if (!m_list)
        return;
    m_list->setLinkedTree(this);
    m_listDestroyed = connect(m_list, &QObject::destroyed, this, [this] { m_list = nullptr; });
    const ReentryGuard guard(m_reentry); // the list must not make the tree select what it shows
    m_list->followTree(m_currentFolder.GetIdList());
}

void TPTCustomShellTree::setOptions(TPTShellTreeOptions options)
{
    if (options == m_options)
        return;
    const TPTShellTreeOptions toggled = options ^ m_options;
    m_options = options;
    if (toggled & ptstoOleDrop)
        applyDropOptions();
    if (m_loading)
        return;
    if ((toggled & ptstoDynamicRefresh) && !(options & ptstoDynamicRefresh))
        stopWatching();
    else if ((options & ptstoDynamicRefresh)
        && ((toggled & ptstoDynamicRefresh) || (m_watching && (toggled & ptstoIncludeNonFolders))))
        startWatching(); // anew, with the filter the options give now
}

void TPTCustomShellTree::setShowButtons(bool show)
{
    if (show == m_showButtons)
        return;
    m_showButtons = show;
    viewport()->update();
}

void TPTCustomShellTree::setColor(TColor color)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Base, toQColor(color));
    pal.setColor(QPalette::Window, toQColor(color));
    setPalette(pal);
}

void TPTCustomShellTree::setFontColor(TColor color)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Text,
        color == clNone ? QApplication::palette().color(QPalette::Text) : toQColor(color));
    setPalette(pal);
}

std::uint32_t TPTCustomShellTree::enumFlags() const
{
    return SHCONTF_FOLDERS
        | ((m_options & ptstoShowHidden) ? std::uint32_t(SHCONTF_INCLUDEHIDDEN) : 0u)
        | ((m_options & ptstoIncludeNonFolders) ? std::uint32_t(SHCONTF_NONFOLDERS) : 0u);
}

bool TPTCustomShellTree::busy() const
{
    return m_watch.dragging() || state() == QAbstractItemView::EditingState;
}

ShellTreeNode *TPTCustomShellTree::rootNode() const
{
    return m_model->node(m_model->index(0, 0));
}

ShellTreeNode *TPTCustomShellTree::selectedNode() const
{
    return m_model->node(currentIndex());
}

QModelIndex TPTCustomShellTree::indexOfNode(const ShellTreeNode *node) const
{
    return node ? node->index() : QModelIndex();
}

void TPTCustomShellTree::clearSelectionQuietly()
{
    const ReentryGuard guard(m_reentry);
    selectionModel()->clear();
}

void TPTCustomShellTree::FillTree()
{
    if (busy()) {
        m_refreshPending = true;
        return;
    }
    m_refreshPending = false;
    stopWatching();
    {
        FillScope scope;
        clearSelectionQuietly();
        {
            const ReentryGuard guard(m_reentry);
            m_model->clear();
        }
        m_baseShellFolder = shellModel().bindToFolder(m_baseFolder.GetIdList());
        if (!m_baseShellFolder)
            throw EShellError(qt_error_string(ENOENT));
        fillLevel(nullptr);
        if (m_currentFolder.holdsList())
            SelectFolder(m_currentFolder.GetIdList());
        else
            selectNode(rootNode());
        FlushPending();
    }
    if (m_options & ptstoDynamicRefresh)
        startWatching();
}

ShellTreeNode *TPTCustomShellTree::createRootNode()
{
    const IdList base
        = m_baseFolder.GetIdList().isNull() ? IdList::empty() : m_baseFolder.GetIdList();
    auto root = std::make_unique<ShellTreeNode>(
        std::make_unique<TPTShTreeData>(this, nullptr, base, m_baseShellFolder), SFGAO_FOLDER,
        true);
    root->setText(shellModel().displayName(base));
    ShellTreeNode *node = root.get();
    m_model->appendRow(root.release());
    emit OnInsertItem(this, node);
    return node;
}

// Every path that opens a level comes here (fill, keys, double clicks, the view asking
// for more): the children are made and sorted first and reach the view in one insertion,
// under the hourglass.
void TPTCustomShellTree::fillLevel(ShellTreeNode *node)
{
    WaitCursor wait;
    emit OnFillStart(this);
    const bool rootLevel = !node;
    if (rootLevel)
        node = createRootNode();
    node->setFilled(true);
    std::vector<IdList> items;
    const ShellFolderPtr folder = node->shData()->folder();
    if (!folder || enumerateChildren(*folder, enumFlags(), items) == EnumOutcome::CannotList) {
        node->setFilled(false); // keeps its button; the next opening tries again
        emit OnFillComplete(this);
        return;
    }
    std::vector<std::unique_ptr<ShellTreeNode>> children;
    for (const IdList &rel : items) {
        bool failed = false;
        if (auto child = makeChildNode(node, rel, &failed))
            children.push_back(std::move(child));
    }
    sortNodes(*folder, children);
    QList<QStandardItem *> rows;
    rows.reserve(qsizetype(children.size()));
    for (auto &child : children)
        rows.append(child.release());
    node->appendRows(rows);
    for (QStandardItem *child : rows)
        emit OnInsertItem(this, child);
    if (node->rowCount() == 0)
        node->setHasButton(false);
    if (rootLevel)
        expand(node->index());
    if (m_watching)
        watchLevel(node);
    emit OnFillComplete(this);
}

// The view asks for a level while it lays itself out: an error must not unwind there.
void TPTCustomShellTree::openLevel(ShellTreeNode *node)
{
    runHandler([&] {
        if (!node->filled())
            fillLevel(node);
    });
}

// An item that vanished between the listing and this question is skipped by the callers
// that fill, so a folder changing under the tree raises no error.
std::unique_ptr<ShellTreeNode> TPTCustomShellTree::makeChildNode(
    ShellTreeNode *parent, const IdList &rel, bool *failed)
{
    const ShellFolderPtr folder = parent->shData()->folder();
    const std::optional<std::uint32_t> attributes
        = folder ? folder->attributesOf(rel, NodeAttributeMask, enumFlags()) : std::nullopt;
    if (!attributes) {
        *failed = true;
        return nullptr;
    }
    const std::uint32_t a = *attributes;
    if (!(m_options & ptstoVirtualFolders) && !(a & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)))
        return nullptr;
    bool allow = true;
    emit OnAddItem(this, folder.get(), parent->shData()->AbsIdList(), rel, a, &allow);
    if (!allow)
        return nullptr;
    const bool button = (m_options & ptstoIncludeNonFolders)
        ? (a & (SFGAO_HASSUBFOLDER | SFGAO_FOLDER)) != 0
        : (a & SFGAO_HASSUBFOLDER) && (a & SFGAO_FOLDER);
    auto node = std::make_unique<ShellTreeNode>(
        std::make_unique<TPTShTreeData>(this, parent->shData(), rel), a, button);
    node->setText(folder->displayNameOf(rel, SHGDN_INFOLDER));
    return node;
}

void TPTCustomShellTree::sortNodes(
    ShellFolder &folder, std::vector<std::unique_ptr<ShellTreeNode>> &nodes)
{
    const std::vector<int> order = stableSortOrder(int(nodes.size()),
        [&](int a, int b) { return compareNodes(folder, *nodes[size_t(a)], *nodes[size_t(b)]); });
    std::vector<std::unique_ptr<ShellTreeNode>> sorted(nodes.size());
    for (size_t i = 0; i < order.size(); ++i)
        sorted[i] = std::move(nodes[size_t(order[i])]);
    nodes = std::move(sorted);
}

// Where a new node goes among sorted children: after every equal one, as a stable sort
// of the old children followed by the new would place it.
int TPTCustomShellTree::sortedPosition(
    ShellFolder &folder, ShellTreeNode *parent, const ShellTreeNode &node)
{
    int low = 0;
    int high = parent->rowCount();
    while (low < high) {
        const int middle = (low + high) / 2;
        const ShellTreeNode *child = parent->childNode(middle);
        if (child && compareNodes(folder, node, *child) < 0)
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

void TPTCustomShellTree::expandNode(ShellTreeNode *node)
{
    if (node->hasButton() && !node->filled())
        fillLevel(node);
    expand(node->index());
}

ShellTreeNode *TPTCustomShellTree::findChild(ShellTreeNode *parent, const IdList &item)
{
    const ShellFolderPtr folder = parent->shData()->folder();
    if (!folder)
        return nullptr;
    for (int i = 0; i < parent->rowCount(); ++i) {
        ShellTreeNode *c = parent->childNode(i);
        if (c && c->shData() && folder->compareIDs(0, c->shData()->RelIdList(), item) == 0)
            return c;
    }
    return nullptr;
}

void TPTCustomShellTree::SelectFolder(const IdList &target)
{
    if (m_reentry > 0)
        return;
    ShellTreeNode *node = rootNode();
    if (!node)
        return;
    const FlagScope immediate(m_immediate);
    const int base = IdListCount(m_baseFolder.GetIdList());
    const int count = IdListCount(target);
    if (count > 0)
        expandNode(node);
    const bool expandLast = m_list && (m_list->Options() & ptsloHideFoldersWhenLinkedToTree);
    for (int i = base; i < count; ++i) {
        const IdList item = IdListItem(target, i);
        ShellTreeNode *child = findChild(node, item);
        if (!child) {
            bool failed = false;
            std::unique_ptr<ShellTreeNode> made = makeChildNode(node, item, &failed);
            if (!made) {
                QApplication::beep();
                break;
            }
            child = made.get();
            const int position = sortedPosition(*node->shData()->folder(), node, *child);
            node->insertRow(position, made.release());
            emit OnInsertItem(this, child);
        }
        node = child;
        if (i < count - 1 || expandLast)
            expandNode(node);
    }
    selectNode(node);
    scrollTo(node->index());
}

void TPTCustomShellTree::selectNode(ShellTreeNode *node)
{
    if (!node)
        return;
    selectionModel()->setCurrentIndex(node->index(), QItemSelectionModel::ClearAndSelect);
}

void TPTCustomShellTree::currentNodeChanged(const QModelIndex &current)
{
    ShellTreeNode *node = m_model->node(current);
    emit OnChange(this, node);
    if (!node || !node->shData())
        return;
    if (m_reentry > 0 || m_loading) {
        const ReentryGuard guard(m_reentry);
        m_currentFolder.SetIdList(node->shData()->AbsIdList());
        return;
    }
    if (m_immediate || !m_list) {
        handOver(node);
        return;
    }
    m_handOverTimer.start(KeyboardHandOverDelay);
}

void TPTCustomShellTree::handOver(ShellTreeNode *node)
{
    m_immediate = false;
    m_handOverTimer.stop();
    const ReentryGuard guard(m_reentry);
    handOverFolder(node->shData()->AbsIdList());
}

void TPTCustomShellTree::handOverFolder(const IdList &absIdList)
{
    m_currentFolder.SetIdList(absIdList);
    if (m_list)
        m_list->followTree(absIdList);
}

void TPTCustomShellTree::handOverSelected()
{
    if (ShellTreeNode *node = selectedNode(); node && node->shData())
        handOver(node);
}

void TPTCustomShellTree::startRefreshTimer(int ms)
{
    m_refreshTimer.start(ms);
}

void TPTCustomShellTree::FlushPending(bool alsoListRefresh)
{
    if (handOverPending()) {
        m_handOverTimer.stop();
        handOverSelected();
    }
    if (alsoListRefresh && m_list)
        m_list->FlushRefresh();
}

void TPTCustomShellTree::GoUp(int levels)
{
    ShellTreeNode *node = selectedNode();
    if (!node)
        return;
    for (int i = 0; i < levels && node->parentNode(); ++i)
        node = node->parentNode();
    const FlagScope immediate(m_immediate);
    selectNode(node);
}

bool TPTCustomShellTree::event(QEvent *event)
{
    return m_watch.answer(event) || QTreeView::event(event);
}

void TPTCustomShellTree::showEvent(QShowEvent *event)
{
    QTreeView::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    if (!m_loading && (m_options & ptstoAutoFill) && !rootNode())
        QTimer::singleShot(0, this, [this] {
            runHandler([this] {
                if (!rootNode())
                    FillTree();
            });
        });
}

void TPTCustomShellTree::drawRow(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    auto *self = const_cast<TPTCustomShellTree *>(this);
    ShellTreeNode *node = m_model->node(index);
    TPTShTreeData *data = node ? node->shData() : nullptr;
    TPTTvCustomDraw cd(TPTCustomDraw::cdItemPrePaint, option.font,
        option.palette.color(QPalette::Text), option.palette.color(QPalette::Base));
    runHandler([&] {
        emit self->OnCustomDrawShEx(self, &cd, node, data, cd.drawStage());
        emit self->OnCustomDrawSh(self, &cd, node, data);
    });
    if (cd.apply().skipItem)
        return;
    m_rowDraw = &cd;
    QStyleOptionViewItem shown = option;
    if (m_dropIndex.isValid() && index.siblingAtColumn(0) == m_dropIndex)
        shown.state |= QStyle::State_Selected;
    QTreeView::drawRow(painter, shown, index);
    m_rowDraw = nullptr;
}

void TPTCustomShellTree::drawBranches(
    QPainter *painter, const QRect &rect, const QModelIndex &index) const
{
    if (m_showButtons)
        QTreeView::drawBranches(painter, rect, index);
}

} // namespace lumisnap
