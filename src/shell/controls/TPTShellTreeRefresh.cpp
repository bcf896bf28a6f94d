// The folder tree kept up to date: watches on the filled levels and the refresh they cause.
#include "shell/controls/TPTShellTree.h"

#include "common/ErrorReport.h"
#include "shell/controls/FillScope.h"
#include "shell/controls/ReentryGuard.h"
#include "shell/controls/ScrollAnchor.h"
#include "shell/controls/ShellTreeModel.h"
#include "shell/controls/TPTShellList.h"
#include "shell/namespace/ShellEnum.h"
#include "shell/namespace/ShellModel.h"
#include "shell/namespace/TPTPidlList.h"
#include "shell/watch/TChangeHandlerThread.h"
#include "shell/watch/TPTDeviceChangeHandler.h"

#include <QTimer>

namespace lumisnap {

void TPTCustomShellTree::RefreshTree()
{
    if (busy()) {
        m_refreshPending = true;
        return;
    }
    ShellTreeNode *root = rootNode();
    // The desktop moved away, was deleted or came back: the root is made afresh.
    if (!root
        || (IdListCount(m_baseFolder.GetIdList()) == 0
            && shellModel().rootMovedFrom(m_baseShellFolder))) {
        FillTree();
        return;
    }
    m_refreshPending = false;
    // A watch follows a folder, not its path: a level renamed away, deleted or mounted
    // over and made again is watched afresh, before it is listed.
    if (m_watching)
        startWatching();
    FillScope scope;
    emit OnFillStart(this);
    ScrollAnchor anchor(*this);
    ShellTreeNode *remembered = selectedNode();
    clearSelectionQuietly();
    refreshNode(root, remembered);
    anchor.restore();
    {
        const FlagScope immediate(m_immediate);
        selectNode(remembered ? remembered : rootNode());
    }
    emit OnFillComplete(this);
}

void TPTCustomShellTree::deleteNode(ShellTreeNode *node)
{
    unwatchLevels(node);
    emit OnDeleteItem(this, node, node->shData());
    QStandardItem *parent = node->parent() ? node->parent() : m_model->invisibleRootItem();
    parent->removeRow(node->row());
}

void TPTCustomShellTree::refreshNode(ShellTreeNode *node, ShellTreeNode *&remembered)
{
    const ShellFolderPtr folder = node->shData() ? node->shData()->folder() : nullptr;
    if (!node->filled() || !folder)
        return;
    const bool hasPath = !node->shData()->Path().isEmpty();
    TPTPidlList old(hasPath ? nullptr : folder);
    old.setDuplicates(TPTPidlList::dupAccept);
    for (int i = 0; i < node->rowCount(); ++i)
        if (ShellTreeNode *c = node->childNode(i); c && c->shData())
            old.Add(c->shData()->RelIdList(), c);
    old.setSorted(true);
    std::vector<IdList> fresh;
    if (enumerateChildren(*folder, enumFlags(), fresh) != EnumOutcome::Listed)
        return; // an unreadable or half-read folder keeps what it shows
    std::vector<char> oldMatched, freshMatched;
    matchFreshAgainstOld(old, fresh, oldMatched, freshMatched);
    for (int i = 0; i < old.Count(); ++i) {
        if (oldMatched[size_t(i)])
            continue;
        auto *gone = static_cast<ShellTreeNode *>(old.Object(i));
        if (remembered && remembered->isInside(gone))
            remembered = node;
        deleteNode(gone);
    }
    std::vector<std::unique_ptr<ShellTreeNode>> added;
    for (size_t i = 0; i < fresh.size(); ++i) {
        bool failed = false;
        if (!freshMatched[i])
            if (auto child = makeChildNode(node, fresh[i], &failed))
                added.push_back(std::move(child));
    }
    // New folders go straight to their sorted places: the rest of the level stays put.
    sortNodes(*folder, added);
    for (auto &child : added) {
        ShellTreeNode *inserted = child.get();
        const int position = sortedPosition(*folder, node, *inserted);
        node->insertRow(position, child.release());
        emit OnInsertItem(this, inserted);
    }
    node->setHasButton(node->rowCount() > 0);
    for (int i = 0; i < node->rowCount(); ++i)
        if (ShellTreeNode *c = node->childNode(i))
            refreshNode(c, remembered);
}

std::uint32_t TPTCustomShellTree::watchFilter() const
{
    return (m_options & ptstoIncludeNonFolders) ? FileNameChanges | DirNameChanges
                                                : std::uint32_t(DirNameChanges);
}

void TPTCustomShellTree::startWatching()
{
    m_watch.thread().RemoveAll();
    m_watching = true;
    const std::function<void(ShellTreeNode *)> watchFilled = [&](ShellTreeNode *node) {
        node->setWatchSlot(ShellTreeNode::NoWatch);
        if (node->filled())
            watchLevel(node);
        for (int i = 0; i < node->rowCount(); ++i)
            if (ShellTreeNode *child = node->childNode(i))
                watchFilled(child);
    };
    if (ShellTreeNode *root = rootNode())
        watchFilled(root);
}

void TPTCustomShellTree::stopWatching()
{
    m_watching = false;
    m_watch.removeAll();
}

// A virtual folder ("Computer") has no path and gets no watch; a folder the system
// refuses (gone, unreadable, past the watch limit) just goes unwatched.
void TPTCustomShellTree::watchLevel(ShellTreeNode *node)
{
    if (!m_watch.existingThread() || !node->shData())
        return;
    int slot = ShellTreeNode::NoWatch;
    if (m_watch.existingThread()->AddWatch(node->shData()->Path(), watchFilter(), false, &slot))
        node->setWatchSlot(slot);
}

void TPTCustomShellTree::unwatchLevels(ShellTreeNode *node)
{
    if (!m_watch.existingThread() || !m_watching)
        return;
    std::vector<int> slotNumbers;
    const std::function<void(ShellTreeNode *)> collect = [&](ShellTreeNode *n) {
        if (n->watchSlot() != ShellTreeNode::NoWatch)
            slotNumbers.push_back(n->watchSlot());
        for (int i = 0; i < n->rowCount(); ++i)
            if (ShellTreeNode *child = n->childNode(i))
                collect(child);
    };
    collect(node);
    m_watch.existingThread()->RemoveWatches(slotNumbers);
}

// Media came or went: the tree shows it at once, without waiting.
void TPTCustomShellTree::deviceChanged(QObject *control, const TDeviceChangeMessage &message)
{
    auto *tree = static_cast<TPTCustomShellTree *>(control);
    if (message.arrivalOrRemoval() && !tree->m_loading)
        tree->RefreshTree();
}

} // namespace lumisnap
