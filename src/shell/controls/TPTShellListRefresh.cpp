// The file list kept up to date: the watch on its folder and the refresh it causes.
#include "shell/controls/TPTShellList.h"

#include "common/ErrorReport.h"
#include "shell/controls/FillScope.h"
#include "shell/controls/ReentryGuard.h"
#include "shell/controls/ScrollAnchor.h"
#include "shell/controls/ShellListModel.h"
#include "shell/controls/TPTShellTree.h"
#include "shell/namespace/FileFilter.h"
#include "shell/namespace/ShellEnum.h"
#include "shell/namespace/ShellModel.h"
#include "shell/namespace/TPTPidlList.h"
#include "shell/watch/TChangeHandlerThread.h"
#include "shell/watch/TPTDeviceChangeHandler.h"

#include <QTimer>

namespace lumisnap {

void TPTCustomShellList::RefreshList()
{
    if (busy()) {
        m_refreshPending = true;
        return;
    }
    // The desktop moved away, was deleted or came back: the root is listed afresh.
    if (Count() == 0 || !m_shellFolder
        || (m_folderIdList.isEmpty() && shellModel().rootMovedFrom(m_shellFolder))) {
        FillList();
        return;
    }
    m_refreshPending = false;
    FillScope scope;
    emit OnFillStart(this);
    prepareFilter(m_folderIdList);
    try {
        refreshRows();
    } catch (...) {
        m_filterNames.reset();
        emit OnFillComplete(this);
        throw;
    }
    m_filterNames.reset();
    emit OnFillComplete(this);
}

// Only the rows that changed are touched: vanished ones go, new ones are appended.
void TPTCustomShellList::refreshRows()
{
    // Watched again before it is listed, so that no change made in between is missed:
    // the system dropped the watch (a deleted folder's number may come back with the
    // new one), or the path leads to another folder.
    if (TChangeHandlerThread *thread = m_watch.existingThread(); thread
        && (thread->WatchCount() == 0
            || m_watch.pathLeadsElsewhere(shellModel().pathText(m_folderIdList))))
        startWatching();
    std::vector<IdList> fresh;
    const EnumOutcome outcome = enumerateChildren(*m_shellFolder, enumFlags(), fresh);
    if (outcome == EnumOutcome::CannotList) {
        clearRows(); // the folder can no longer be listed: deleted, renamed, unmounted
        stopWatching();
        return;
    }
    if (outcome == EnumOutcome::Failed)
        return; // a partial listing would delete rows that still exist
    std::vector<char> rowMatched, freshMatched;
    matchRows(fresh, rowMatched, freshMatched);
    std::vector<int> vanished;
    for (size_t i = 0; i < rowMatched.size(); ++i)
        if (!rowMatched[i])
            vanished.push_back(int(i));
    // Rows that go lose their selection first: nobody is told of a selected row whose
    // file is gone.
    QItemSelection gone;
    for (int row : vanished)
        if (selectionModel()->isRowSelected(row))
            gone.select(m_model->index(row, 0), m_model->index(row, m_model->columnCount() - 1));
    if (!gone.isEmpty())
        selectionModel()->select(gone, QItemSelectionModel::Deselect);
    ScrollAnchor anchor(*this);
    m_model->deleteRows(std::move(vanished),
        [this](int row, TPTShListData *data) { emit OnDeleteItem(this, row, data); });
    std::vector<ShellListModel::Row> added;
    for (size_t i = 0; i < fresh.size(); ++i)
        if (!freshMatched[i])
            addNewShellItem(fresh[i], added);
    m_model->appendRows(std::move(added));
    anchor.restore();
}

// Marks the rows still listed and the fresh lists that have a row. A folder with a
// file-system path compares its lists by their bytes, so a table finds each at once; any
// other folder is searched by halving in its own order.
void TPTCustomShellList::matchRows(const std::vector<IdList> &fresh, std::vector<char> &rowMatched,
    std::vector<char> &freshMatched) const
{
    if (shellModel().pathText(m_folderIdList).isEmpty()) {
        TPTPidlList old(m_shellFolder);
        old.setDuplicates(TPTPidlList::dupAccept);
        old.setCapacity(Count());
        for (int i = 0; i < Count(); ++i)
            old.Add(m_model->row(i)->RelIdList(), reinterpret_cast<void *>(std::intptr_t(i)));
        old.setSorted(true); // one sort instead of an ordered insert per row
        std::vector<char> oldMatched;
        matchFreshAgainstOld(old, fresh, oldMatched, freshMatched);
        rowMatched.assign(size_t(Count()), 0);
        for (int i = 0; i < old.Count(); ++i)
            if (oldMatched[size_t(i)])
                rowMatched[size_t(reinterpret_cast<std::intptr_t>(old.Object(i)))] = 1;
        return;
    }
    std::vector<IdList> rows;
    rows.reserve(size_t(Count()));
    for (int i = 0; i < Count(); ++i)
        rows.push_back(m_model->row(i)->RelIdList());
    matchFreshByBytes(rows, fresh, rowMatched, freshMatched);
}

void TPTCustomShellList::startWatching()
{
    m_refreshTimer.stop();
    m_watch.clearRenameMark(); // a rename's notice belongs to the watch it came from
    const QString path = shellModel().pathText(m_folderIdList);
    if (!m_watch.existingThread() && path.isEmpty())
        return; // a virtual folder has nothing to watch
    TChangeHandlerThread &thread = m_watch.thread();
    thread.RemoveAll();
    m_watch.noteWatched(path);
    thread.AddWatch(path, FileNameChanges | DirNameChanges, false);
}

void TPTCustomShellList::stopWatching()
{
    m_refreshTimer.stop();
    m_watch.removeAll();
}

void TPTCustomShellList::refreshTimerFired()
{
    if (m_tree)
        m_tree->FlushPending();
    RefreshList();
}

void TPTCustomShellList::FlushRefresh()
{
    if (!m_refreshTimer.isActive())
        return;
    m_refreshTimer.stop();
    refreshTimerFired();
}

// Media came or went: the list shows it at once, without waiting.
void TPTCustomShellList::deviceChanged(QObject *control, const TDeviceChangeMessage &message)
{
    auto *list = static_cast<TPTCustomShellList *>(control);
    if (message.arrivalOrRemoval() && !list->m_loading)
        list->RefreshList();
}

void TPTCustomShellList::postDeferredFill()
{
    if (m_deferredFillPosted)
        return;
    m_deferredFillPosted = true;
    QTimer::singleShot(0, this, [this] {
        m_deferredFillPosted = false;
        runHandler([this] {
            if (Count() == 0)
                FillList();
        });
    });
}

} // namespace lumisnap
