// The folder tree's commands, context menu, and drag and drop.
#include "shell/TPTShellTree.h"

#include "common/ErrorReport.h"
#include "shell/ShellCommands.h"
#include "shell/ShellDataObject.h"
#include "shell/ShellDrag.h"
#include "shell/ShellModel.h"
#include "shell/ShellTreeModel.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <QPointer>

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
    try {
        commands.runVerb(QString::fromLatin1(verb), window());
    } catch (...) {
        if (!network)
            RefreshTree();
        throw;
    }
    if (!network)
        RefreshTree();
}

void TPTCustomShellTree::showNodeContextMenu(ShellTreeNode *node, const QPoint &pos)
{
    if (dragging())
        return;
    const ShellCommands commands = commandsOf(node);
    QMenu menu(this);
    commands.fillMenu(menu, !node->shData()->Path().isEmpty());
    connect(&menu, &QMenu::hovered, this, [this](QAction *action) {
        runHandler([&] { emit OnPopupHint(this, action->statusTip()); });
    });
    const QPersistentModelIndex index = indexOfNode(node);
    const QAction *chosen = menu.exec(viewport()->mapToGlobal(pos));
    if (!chosen || !index.isValid())
        return;
    const int id = chosen->data().toInt();
    if (id == ShellCommands::RenameId) {
        setCurrentIndex(index);
        startRename();
        return;
    }
    try {
        if (id >= ShellCommands::FirstId)
            commands.invoke(id - ShellCommands::FirstId, window());
        else if (id >= ShellCommands::SendToFirstId && id <= ShellCommands::SendToLastId)
            commands.sendTo(id, window());
    } catch (...) {
        RefreshTree();
        throw;
    }
    RefreshTree();
}

void TPTCustomShellTree::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragButton != Qt::NoButton && (event->buttons() & m_dragButton) && !dragging()
        && (m_options & ptstoOleDrag) && state() != EditingState
        && (event->position().toPoint() - m_pressPos).manhattanLength()
            >= QApplication::startDragDistance()) {
        ShellTreeNode *node = m_model->node(indexAt(m_pressPos));
        if (node && node != rootNode() && node->shData()) {
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
        const QPointer<QDrag> drag = new QDrag(this);
        drag->setMimeData(makeShellMimeData(commands.items()).release());
        drag->setPixmap(node->icon().pixmap(32));
        try {
            result = execShellDrag(*drag, Qt::DropActions(int(allowed & DROPEFFECT_ALL)), button);
        } catch (...) {
            setDragging(false);
            m_dragIndex = QPersistentModelIndex();
            throw;
        }
        if (drag)
            drag->deleteLater();
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

void TPTCustomShellTree::setDropNode(ShellTreeNode *node)
{
    const QPersistentModelIndex index = node ? QPersistentModelIndex(indexOfNode(node))
                                             : QPersistentModelIndex(m_dragIndex);
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
        const std::uint32_t effect = folder.isEmpty()
            ? DROPEFFECT_NONE
            : chooseDropEffect(std::uint32_t(int(event->possibleActions())) & m_dropAllowed,
                event->modifiers() & Qt::ShiftModifier, event->modifiers() & Qt::ControlModifier);
        setDropNode(effect != DROPEFFECT_NONE ? node : nullptr);
        m_autoScroll->moved(pos);
        if (effect == DROPEFFECT_NONE) {
            event->ignore();
            return;
        }
        event->setDropAction(Qt::DropAction(int(effect)));
        event->accept();
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
    m_dropAllowed = readDroppedFiles(event->mimeData()).allowedEffects;
    dragOver(event, true);
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
        const std::uint32_t effect = folder.isEmpty()
            ? DROPEFFECT_NONE
            : chooseDropEffect(std::uint32_t(int(event->possibleActions())) & files.allowedEffects,
                event->modifiers() & Qt::ShiftModifier, event->modifiers() & Qt::ControlModifier);
        endDragOver();
        const std::uint32_t done = dropFilesInto(folder, files, effect, window());
        if (done == DROPEFFECT_NONE)
            event->ignore();
        else {
            event->setDropAction(Qt::DropAction(int(done)));
            event->accept();
        }
        RefreshTree();
    });
    endDragOver();
}

} // namespace lumisnap
