// The folder tree's commands, context menu, and drag and drop.
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
#include "shell/transfer/ShellDataObject.h"
#include "shell/transfer/ShellDrag.h"
#include "shell/watch/TChangeHandlerThread.h"
#include "shell/watch/TPTDeviceChangeHandler.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QKeyEvent>

#include <cerrno>

namespace lumisnap {

namespace {

constexpr std::uint32_t DragEffectMask = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK;

} // namespace

ShellTreeNode *TPTCustomShellTree::dropHighlightNode() const
{
    return m_model->node(m_dropIndex);
}

ShellCommands TPTCustomShellTree::commandsOf(ShellTreeNode *node) const
{
    TPTShTreeData *data = node->shData();
    return ShellCommands(
        data->parentFolder(), IdListAncestor(data->AbsIdList(), 1), { data->RelIdList() });
}

void TPTCustomShellTree::runShellCommand(ShellTreeNode *node, const char *verb)
{
    if (!node->shData())
        return;
    const ShellCommands commands = commandsOf(node);
    const bool network = isNetworkPath(node->shData()->Path());
    runThenRefresh([&] { commands.runVerb(QString::fromLatin1(verb), window()); },
        [&] {
            if (!network)
                RefreshTree();
        });
}

void TPTCustomShellTree::showNodeContextMenu(ShellTreeNode *node, const QPoint &pos)
{
    if (dragging())
        return;
    const ShellCommands commands = commandsOf(node);
    const QPersistentModelIndex index = indexOfNode(node);
    const int id
        = commands.popUp(this, viewport()->mapToGlobal(pos), !node->shData()->Path().isEmpty(),
            [this](const QString &hint) { emit OnPopupHint(this, hint); });
    if (id == 0 || !index.isValid())
        return;
    if (id == ShellCommands::RenameId) {
        setCurrentIndex(index);
        startRename();
        return;
    }
    runThenRefresh([&] { commands.runMenuId(id, window()); }, [this] { RefreshTree(); });
}

void TPTCustomShellTree::mouseMoveEvent(QMouseEvent *event)
{
    if (dragStarts(event, m_pressPos, m_dragButton) && !dragging() && (m_options & ptstoOleDrag)
        && state() != EditingState) {
        ShellTreeNode *node = m_model->node(indexAt(m_pressPos));
        if (node && node != rootNode() && node->shData()) {
            m_menuOnRelease = false; // a right-button drag shows no menu when it ends
            runHandler([&] { beginDrag(node, m_dragButton); });
            m_dragButton = Qt::NoButton;
            return;
        }
    }
    if (!(event->buttons() & Qt::RightButton))
        QTreeView::mouseMoveEvent(event);
}

void TPTCustomShellTree::beginDrag(ShellTreeNode *node, Qt::MouseButton button)
{
    Qt::DropAction result = Qt::IgnoreAction;
    {
        TPTShTreeData *data = node->shData();
        const ShellFolderPtr parent = data->parentFolder();
        const std::uint32_t allowed = parent
            ? parent->attributesOf(data->RelIdList(), DragEffectMask).value_or(DROPEFFECT_ALL)
            : DROPEFFECT_ALL;
        const ShellCommands commands = commandsOf(node);
        setDragging(true);
        m_dragIndex = indexOfNode(node);
        try {
            result
                = dragShellItems(this, commands.items(), allowed, node->icon().pixmap(32), button);
        } catch (...) {
            setDragging(false);
            m_dragIndex = QPersistentModelIndex();
            throw;
        }
        setDragging(false);
        m_dragIndex = QPersistentModelIndex();
    }
    if (result != Qt::IgnoreAction || m_refreshPending)
        RefreshTree();
}

void TPTCustomShellTree::applyDropOptions()
{
    const bool on = (m_options & ptstoOleDrop) != 0;
    setAcceptDrops(on);
    viewport()->setAcceptDrops(on);
}

QString TPTCustomShellTree::dropFolderAt(QPoint pos, bool entering, ShellTreeNode *&node) const
{
    node = m_model->node(indexAt(pos));
    if (!node || !node->shData() || (entering && node == rootNode())
        || !(node->attributes() & SFGAO_FOLDER)) {
        node = nullptr;
        return QString();
    }
    const QString path = node->shData()->Path();
    if (path.isEmpty())
        node = nullptr;
    return path;
}

// A folder dropped onto itself or below itself, or a node of this tree dropped onto its own
// parent, has no place there.
bool TPTCustomShellTree::isOwnPlace(const QString &folder, const QStringList &sources) const
{
    for (const QString &source : sources) {
        if (folder == source || folder.startsWith(source + '/'))
            return true;
        if (m_dragIndex.isValid() && folder == source.left(source.lastIndexOf('/')))
            return true;
    }
    return false;
}

void TPTCustomShellTree::setDropNode(ShellTreeNode *node)
{
    const QPersistentModelIndex index
        = node ? QPersistentModelIndex(indexOfNode(node)) : QPersistentModelIndex(m_dragIndex);
    if (index == m_dropIndex)
        return;
    m_dropIndex = index;
    viewport()->update();
}

void TPTCustomShellTree::dragOver(QDropEvent *event, bool entering)
{
    runHandler([&] {
        const QPoint pos = event->position().toPoint();
        ShellTreeNode *node = nullptr;
        const QString folder = dropFolderAt(pos, entering, node);
        const std::uint32_t effect = folder.isEmpty() || isOwnPlace(folder, m_dropSources)
            ? DROPEFFECT_NONE
            : dropEffectOf(event, m_dropAllowed);
        setDropNode(effect != DROPEFFECT_NONE ? node : nullptr);
        m_autoScroll->moved(pos);
        answerDrop(event, effect);
    });
}

void TPTCustomShellTree::endDragOver()
{
    m_autoScroll->stop();
    if (m_dropIndex.isValid()) {
        m_dropIndex = QPersistentModelIndex();
        viewport()->update();
    }
}

void TPTCustomShellTree::dragEnterEvent(QDragEnterEvent *event)
{
    const DroppedFiles files = readDroppedFiles(event->mimeData());
    // Data that names no local file (a web link) has no place here.
    m_dropAllowed = files.paths.isEmpty() ? DROPEFFECT_NONE : files.allowedEffects;
    m_dropSources = files.paths;
    dragOver(event, true);
    // Entered over no target, the drag is still taken, so that the moves decide per node.
    if (m_dropAllowed != DROPEFFECT_NONE)
        event->accept();
}

void TPTCustomShellTree::dragMoveEvent(QDragMoveEvent *event)
{
    dragOver(event, false);
}

void TPTCustomShellTree::dragLeaveEvent(QDragLeaveEvent *event)
{
    endDragOver();
    event->accept();
}

void TPTCustomShellTree::dropEvent(QDropEvent *event)
{
    runHandler([&] {
        ShellTreeNode *node = nullptr;
        const QString folder = dropFolderAt(event->position().toPoint(), false, node);
        const DroppedFiles files = readDroppedFiles(event->mimeData());
        const std::uint32_t effect = folder.isEmpty() || isOwnPlace(folder, files.paths)
            ? DROPEFFECT_NONE
            : dropEffectOf(event, files.allowedEffects);
        endDragOver();
        answerDrop(event, dropFilesInto(folder, files, effect, window()));
        RefreshTree();
    });
    endDragOver();
}

void TPTCustomShellTree::startRename()
{
    ShellTreeNode *node = selectedNode();
    if (!node || !node->shData() || node == rootNode() || node->shData()->AbsIdList().isEmpty()
        || !node->shData()->CanRename())
        return;
    node->setEditable(true);
    edit(node->index());
}

bool TPTCustomShellTree::renameNode(ShellTreeNode *node, const QString &text)
{
    QString name = text;
    emit OnEdited(this, node, &name);
    const ShellFolderPtr parentFolder = node->shData()->parentFolder();
    if (!parentFolder || name.isEmpty())
        return false;
    WaitCursor wait;
    markRename();
    QString reason;
    const IdList renamed
        = parentFolder->setNameOf(node->shData()->RelIdList(), name.left(MaxNameLength), &reason);
    // Nothing changed on disk: no notification comes that the mark could take.
    if (renamed.isNull() || renamed == node->shData()->RelIdList())
        m_watch.clearRenameMark();
    if (renamed.isNull()) {
        reportError(QStringLiteral("Cannot rename \"%1\" to \"%2\": %3")
                        .arg(node->text(), displayFileName(name.left(MaxNameLength)), reason));
        return false;
    }
    node->invalidateDescendants();
    node->shData()->SetRelIdList(renamed);
    {
        const ReentryGuard guard(m_reentry);
        node->setText(parentFolder->displayNameOf(renamed, SHGDN_INFOLDER));
        handOverFolder(node->shData()->AbsIdList());
    }
    if (m_refreshPending) // the editor is still open here: refresh once it has closed
        QTimer::singleShot(0, this, [this] { runHandler([this] { RefreshTree(); }); });
    return true;
}

void TPTCustomShellTree::keyPressEvent(QKeyEvent *event)
{
    runHandler([&] { handleKey(event); });
}

void TPTCustomShellTree::handleKey(QKeyEvent *event)
{
    if ((m_options & ptstoDefaultKeyHandling) && state() != EditingState) {
        const QKeySequence key(event->keyCombination());
        if (key == QKeySequence(Qt::Key_F2)) {
            startRename();
            return;
        }
        if (key == QKeySequence(Qt::Key_F5)) {
            RefreshTree();
            return;
        }
        const char *verb = nullptr;
        if (key == QKeySequence(Qt::CTRL | Qt::Key_X))
            verb = "cut";
        else if (key == QKeySequence(Qt::CTRL | Qt::Key_C))
            verb = "copy";
        else if (key == QKeySequence(Qt::CTRL | Qt::Key_V))
            verb = "paste";
        else if (event->key() == Qt::Key_Delete
            && (event->modifiers() & ~Qt::ShiftModifier) == Qt::NoModifier)
            verb = "delete";
        if (verb) {
            if (ShellTreeNode *node = selectedNode(); node && node != rootNode())
                runShellCommand(node, verb);
            return;
        }
    }
    // Qt scrolls to a new current row only with its drag auto-scroll on, which is off here.
    const QPersistentModelIndex before = currentIndex();
    QTreeView::keyPressEvent(event);
    if (currentIndex().isValid() && currentIndex() != before)
        scrollTo(currentIndex());
}

// The click is seen before the selection change it causes, so a selection made with the
// mouse is handed over at once.
void TPTCustomShellTree::mousePressEvent(QMouseEvent *event)
{
    m_immediate = true;
    m_pressPos = event->position().toPoint();
    m_dragButton = (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
        ? event->button()
        : Qt::NoButton;
    m_menuOnRelease = false;
    QTreeView::mousePressEvent(event);
}

void TPTCustomShellTree::mouseReleaseEvent(QMouseEvent *event)
{
    QTreeView::mouseReleaseEvent(event);
    m_immediate = false; // a click that selected nothing new must not speed up the keys
    if (event->button() == Qt::RightButton && std::exchange(m_menuOnRelease, false))
        showMenuAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton)
        return;
    runHandler([this] {
        // A click on the node a key move left pending: the list follows before the click
        // is told.
        FlushPending();
        emit OnClick(this);
    });
}

// The menu waits for the button's release when the press may still start a drag with it.
void TPTCustomShellTree::contextMenuEvent(QContextMenuEvent *event)
{
    if (!(m_options & ptstoContextMenus))
        return;
    if (event->reason() == QContextMenuEvent::Mouse && m_dragButton == Qt::RightButton
        && (QGuiApplication::mouseButtons() & Qt::RightButton)) {
        m_menuOnRelease = true;
        return;
    }
    showMenuAt(event->pos());
}

void TPTCustomShellTree::showMenuAt(QPoint pos)
{
    ShellTreeNode *node = m_model->node(indexAt(pos));
    if (node && node->shData() && !node->shData()->AbsIdList().isEmpty())
        runHandler([&] { showNodeContextMenu(node, pos); });
}

} // namespace lumisnap
