// The file list's commands, context menu, renaming, and drag and drop.
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
#include "shell/transfer/ShellCommands.h"
#include "shell/transfer/ShellDataObject.h"
#include "shell/transfer/ShellDrag.h"
#include "shell/transfer/ShellOpen.h"
#include "shell/watch/TChangeHandlerThread.h"
#include "shell/watch/TPTDeviceChangeHandler.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMetaMethod>
#include <QMimeData>
#include <QSet>
#include <QTimer>

#include <cstdlib>
#include <numeric>

namespace lumisnap {

namespace {

constexpr std::uint32_t DragEffectMask = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK;

// Clears a flag of the control on every way out of a drag.
class DragScope
{
public:
    explicit DragScope(TPTCustomShellList &list)
        : m_list(list)
    {
        m_list.setDragging(true);
    }
    ~DragScope() { m_list.setDragging(false); }
    DragScope(const DragScope &) = delete;
    DragScope &operator=(const DragScope &) = delete;

private:
    TPTCustomShellList &m_list;
};

bool isShortcut(QKeyEvent *event, QKeySequence sequence)
{
    return QKeySequence(event->keyCombination()) == sequence;
}

} // namespace

std::vector<IdList> TPTCustomShellList::selectedRelIdLists() const
{
    std::vector<int> rows;
    for (const QModelIndex &index : selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    std::vector<IdList> rels;
    for (int row : rows)
        if (TPTShListData *data = m_model->row(row))
            rels.push_back(data->RelIdList());
    return rels;
}

ShellCommands TPTCustomShellList::commandsOf(std::vector<IdList> items) const
{
    return ShellCommands(m_shellFolder, m_folderIdList, std::move(items));
}

void TPTCustomShellList::refreshAfterCommand()
{
    if (!isNetworkPath(shellModel().pathText(m_folderIdList)))
        RefreshList();
}

void TPTCustomShellList::OpenSelected()
{
    const std::vector<IdList> rels = selectedRelIdLists();
    if (rels.size() < 2) {
        OpenItem(SelectedIndex());
        return;
    }
    bool handled = false;
    emit OnDblClickOpen(this, &handled);
    if (!handled)
        commandsOf(rels).invoke(ShellCommands::Open, window());
}

void TPTCustomShellList::OpenItem(int index)
{
    TPTShListData *data = m_model->row(index);
    if (!data)
        return;
    const WaitCursor wait;
    if (data->IsFolder()) {
        BrowseTo(data->AbsIdList());
        return;
    }
    if (data->IsLink()) {
        const QString path = data->Path();
        if (const std::optional<FileData> target = shellModel().findFile(path);
            target && target->isDirectory()) {
            BrowseTo(shellModel().desktopFolder()->parseDisplayName(path));
            return;
        }
    }
    bool handled = false;
    emit OnDblClickOpen(this, &handled);
    if (!handled)
        commandsOf({ data->RelIdList() }).invoke(ShellCommands::Open, window());
}

void TPTCustomShellList::BrowseTo(const IdList &absIdList)
{
    if ((m_options & ptsloDontChangeFolder) || absIdList.isNull())
        return;
    clearRows();
    if (m_tree)
        m_tree->SelectFolder(absIdList);
    else
        m_folder.SetIdList(absIdList);
}

void TPTCustomShellList::GoUp(int levels)
{
    if ((m_options & ptsloDontChangeFolder) || levels <= 0)
        return;
    if (m_tree) {
        m_tree->GoUp(levels);
        return;
    }
    const IdList up = IdListAncestor(m_folderIdList, levels);
    if (!up.isNull())
        m_folder.SetIdList(up);
}

void TPTCustomShellList::RunVerb(const QString &verb)
{
    if (!m_shellFolder)
        return;
    const bool onFolder = verb.compare(QLatin1String("paste"), Qt::CaseInsensitive) == 0;
    std::vector<IdList> rels;
    if (!onFolder) {
        rels = selectedRelIdLists();
        if (rels.empty())
            return;
    }
    // What was done before a failure shows too.
    runThenRefresh([&] { commandsOf(std::move(rels)).runVerb(verb, window()); },
        [this] { refreshAfterCommand(); });
}

bool TPTCustomShellList::handleShellKey(QKeyEvent *event)
{
    if (isShortcut(event, QKeySequence(Qt::CTRL | Qt::Key_A)))
        selectAll();
    else if (event->key() == Qt::Key_Delete
        && (event->modifiers() & ~Qt::ShiftModifier) == Qt::NoModifier)
        RunVerb(QStringLiteral("delete"));
    else if (isShortcut(event, QKeySequence(Qt::CTRL | Qt::Key_C)))
        RunVerb(QStringLiteral("copy"));
    else if (isShortcut(event, QKeySequence(Qt::CTRL | Qt::Key_X)))
        RunVerb(QStringLiteral("cut"));
    else if (isShortcut(event, QKeySequence(Qt::CTRL | Qt::Key_V)))
        RunVerb(QStringLiteral("paste"));
    else if (isShortcut(event, QKeySequence(Qt::Key_F5)))
        FillList();
    else if (isShortcut(event, QKeySequence(Qt::Key_F2)))
        StartRename();
    else if (isShortcut(event, QKeySequence(Qt::Key_Backspace)))
        GoUp(1);
    else if (isShortcut(event, QKeySequence(Qt::Key_Return))
        || isShortcut(event, QKeySequence(Qt::Key_Enter)))
        OpenSelected();
    else
        return false;
    return true;
}

void TPTCustomShellList::StartRename()
{
    const QModelIndex current = currentIndex();
    TPTShListData *data = m_model->row(current.row());
    if (!data || m_readOnly || !data->CanRename() || state() == EditingState)
        return;
    m_model->setEditableRow(current.row());
    edit(m_model->index(current.row(), 0));
}

bool TPTCustomShellList::renameRow(int index, const QString &text)
{
    m_model->setEditableRow(-1);
    TPTShListData *data = m_model->row(index);
    if (!data || !m_shellFolder)
        return false;
    QString name = text;
    emit OnEdited(this, index, &name);
    if (name.isEmpty() || name == data->DisplayName())
        return false;
    const WaitCursor wait;
    markRename();
    QString reason;
    const IdList renamed
        = m_shellFolder->setNameOf(data->RelIdList(), name.left(MaxNameLength), &reason);
    if (renamed.isNull() || renamed == data->RelIdList())
        m_watch.clearRenameMark(); // nothing changed on disk: no notification comes
    if (m_refreshPending) // the editor is still open here: refresh once it has closed
        QTimer::singleShot(0, this, [this] { runHandler([this] { RefreshList(); }); });
    if (renamed.isNull()) {
        reportError(
            QStringLiteral("Cannot rename \"%1\" to \"%2\": %3")
                .arg(data->DisplayName(), displayFileName(name.left(MaxNameLength)), reason));
        return false;
    }
    data->SetRelIdList(renamed);
    return true;
}

void TPTCustomShellList::showItemContextMenu(const QPoint &pos)
{
    if (!m_shellFolder)
        return;
    std::vector<IdList> rels;
    if (selectionModel()->isSelected(indexAt(pos)))
        rels = selectedRelIdLists();
    else if (!(m_options & ptsloFolderContextMenu))
        return;
    const ShellCommands commands = commandsOf(std::move(rels));
    TPTShListData *focused = m_model->row(currentIndex().row());
    const bool canRename = focused && !focused->Path().isEmpty() && !m_readOnly;
    const int id = commands.popUp(this, viewport()->mapToGlobal(pos), canRename,
        [this](const QString &hint) { emit OnPopupHint(this, hint); });
    if (id == ShellCommands::RenameId)
        StartRename();
    else if (id != 0)
        runThenRefresh(
            [&] { commands.runMenuId(id, window()); }, [this] { refreshAfterCommand(); });
}

void TPTCustomShellList::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        runHandler([this] { OpenSelected(); });
}

void TPTCustomShellList::mouseMoveEvent(QMouseEvent *event)
{
    if (dragStarts(event, m_pressPos, m_dragButton) && !dragging() && (m_options & ptsloOleDrag)
        && state() != EditingState) {
        m_menuOnRelease = false; // a right-button drag shows no menu when it ends
        runHandler([&] { beginDrag(m_dragButton); });
        m_dragButton = Qt::NoButton;
        return;
    }
    if (!(event->buttons() & Qt::RightButton))
        QTreeView::mouseMoveEvent(event);
}

void TPTCustomShellList::beginDrag(Qt::MouseButton button)
{
    std::vector<IdList> rels = selectedRelIdLists();
    if (rels.empty() || !m_shellFolder)
        return;
    Qt::DropAction result = Qt::IgnoreAction;
    {
        const DragScope scope(*this);
        const std::uint32_t allowed
            = m_shellFolder->attributesOf(rels, DragEffectMask).value_or(DROPEFFECT_ALL);
        const ShellCommands commands = commandsOf(std::move(rels));
        TPTShListData *data = SelectedData();
        result = dragShellItems(
            this, commands.items(), allowed, data ? data->Icon().pixmap(32) : QPixmap(), button);
    }
    if (result != Qt::IgnoreAction || m_refreshPending)
        FillList();
}

void TPTCustomShellList::applyDropOptions()
{
    const bool on = (m_options & ptsloOleDrop) != 0;
    setAcceptDrops(on);
    viewport()->setAcceptDrops(on);
}

// A row that is a folder takes the drop itself. Anywhere else the drop goes into the
// list's own folder, except during a drag that started in this list: there it would
// only put the files back where they are (a right-button drag still copies).
QString TPTCustomShellList::dropFolderAt(QPoint pos, bool rightButton, int &row)
{
    row = -1;
    const QModelIndex index = indexAt(pos);
    if (TPTShListData *data = m_model->row(index.row()); data && data->IsFolder()) {
        const QString path = data->Path();
        if (!path.isEmpty()) {
            row = index.row();
            return path;
        }
    }
    if (dragging() && !rightButton)
        return QString();
    return shellModel().pathText(m_folderIdList);
}

std::uint32_t TPTCustomShellList::hoverEffect(
    QDropEvent *event, const QString &folder, int row, const QStringList &sources) const
{
    if (folder.isEmpty())
        return DROPEFFECT_NONE;
    // A folder has no place in itself or below itself.
    for (const QString &source : sources)
        if (folder == source || folder.startsWith(source + '/'))
            return DROPEFFECT_NONE;
    std::uint32_t allowed = m_dropAllowed;
    if (dragging() && row < 0) // a right-button drag back onto its own list copies
        allowed &= ~std::uint32_t(DROPEFFECT_MOVE);
    return dropEffectOf(event, allowed);
}

void TPTCustomShellList::setDropRow(int row)
{
    if (row == m_dropRow)
        return;
    m_dropRow = row;
    viewport()->update();
}

void TPTCustomShellList::endDragOver()
{
    m_autoScroll->stop();
    setDropRow(-1);
}

void TPTCustomShellList::dragEnterEvent(QDragEnterEvent *event)
{
    const DroppedFiles files = readDroppedFiles(event->mimeData());
    // Data that names no local file (a web link) has no place here.
    m_dropAllowed = files.paths.isEmpty() ? DROPEFFECT_NONE : files.allowedEffects;
    m_dropSources = files.paths;
    dragMoveEvent(event);
    // Entered over no target, the drag is still taken, so that the moves decide per row.
    if (m_dropAllowed != DROPEFFECT_NONE)
        event->accept();
}

void TPTCustomShellList::dragMoveEvent(QDragMoveEvent *event)
{
    runHandler([&] {
        const QPoint pos = event->position().toPoint();
        int row = -1;
        const QString folder = dropFolderAt(pos, m_dragButton == Qt::RightButton, row);
        const std::uint32_t effect = hoverEffect(event, folder, row, m_dropSources);
        setDropRow(effect != DROPEFFECT_NONE ? row : -1);
        m_autoScroll->moved(pos);
        answerDrop(event, effect);
    });
}

void TPTCustomShellList::dragLeaveEvent(QDragLeaveEvent *event)
{
    endDragOver();
    event->accept();
}

void TPTCustomShellList::dropEvent(QDropEvent *event)
{
    runHandler([&] {
        int row = -1;
        const QString folder
            = dropFolderAt(event->position().toPoint(), m_dragButton == Qt::RightButton, row);
        const DroppedFiles files = readDroppedFiles(event->mimeData());
        const std::uint32_t effect = hoverEffect(event, folder, row, files.paths);
        endDragOver();
        answerDrop(event, dropFilesInto(folder, files, effect, window()));
        refreshAfterCommand();
    });
    endDragOver();
}

// A notch over another shell control scrolls that one, wherever the focus is.
void TPTCustomShellList::wheelEvent(QWheelEvent *event)
{
    QWidget *under = QApplication::widgetAt(event->globalPosition().toPoint());
    while (under && !qobject_cast<TPTCustomShellList *>(under)
        && !qobject_cast<TPTCustomShellTree *>(under))
        under = under->parentWidget();
    if (under && under != this) {
        QWheelEvent copy(under->mapFromGlobal(event->globalPosition()), event->globalPosition(),
            event->pixelDelta(), event->angleDelta(), event->buttons(), event->modifiers(),
            event->phase(), event->inverted());
        QCoreApplication::sendEvent(static_cast<QAbstractScrollArea *>(under)->viewport(), &copy);
        return;
    }
    QTreeView::wheelEvent(event);
}

void TPTCustomShellList::keyPressEvent(QKeyEvent *event)
{
    runHandler([&] {
        if ((m_options & ptsloDefaultKeyHandling) && state() != EditingState
            && handleShellKey(event))
            return;
        // Qt scrolls to a new current row only with its drag auto-scroll on, which is off here.
        const QPersistentModelIndex before = currentIndex();
        QTreeView::keyPressEvent(event);
        if (currentIndex().isValid() && currentIndex() != before)
            scrollTo(currentIndex());
    });
}

void TPTCustomShellList::mousePressEvent(QMouseEvent *event)
{
    const QPersistentModelIndex before = currentIndex();
    {
        ReentryGuard pressing(m_pressing);
        QTreeView::mousePressEvent(event);
    }
    // A drag starts from a row the press left selected.
    m_pressPos = event->position().toPoint();
    m_dragButton = (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
            && selectionModel()->isSelected(indexAt(m_pressPos))
        ? event->button()
        : Qt::NoButton;
    m_menuOnRelease = false;
    const QModelIndex current = currentIndex();
    if (before != current && !selectionModel()->isSelected(current))
        runHandler([&] { emit OnChange(this, current.row(), ctState); });
}

void TPTCustomShellList::mouseReleaseEvent(QMouseEvent *event)
{
    QTreeView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        runHandler([this] { emit OnClick(this); });
    if (event->button() == Qt::RightButton && std::exchange(m_menuOnRelease, false))
        runHandler([&] { showItemContextMenu(event->position().toPoint()); });
}

// The menu waits for the button's release when the press may still start a drag with it.
void TPTCustomShellList::contextMenuEvent(QContextMenuEvent *event)
{
    runHandler([&] {
        if (!(m_options & ptsloContextMenus) || m_watch.dragging())
            return;
        if (event->reason() == QContextMenuEvent::Mouse && m_dragButton == Qt::RightButton
            && (QGuiApplication::mouseButtons() & Qt::RightButton)) {
            m_menuOnRelease = true;
            return;
        }
        showItemContextMenu(event->pos());
    });
}

} // namespace lumisnap
