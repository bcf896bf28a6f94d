#pragma once

#include "shell/watch/TChangeHandlerThread.h"

#include <sys/types.h>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QEvent;
class QWidget;

namespace lumisnap {

// What a shell control keeps to follow its folders live: its watcher thread, made on
// first use, and the marks that hold the watcher's messages back. Each message restarts
// the control's refresh wait, so a burst of changes gives one refresh once it is quiet.
class ChangeWatch
{
public:
    // `restartWait` (re)starts the control's refresh wait with the delay given.
    ChangeWatch(QWidget *control, std::function<void(int ms)> restartWait);
    ~ChangeWatch();
    ChangeWatch(const ChangeWatch &) = delete;
    ChangeWatch &operator=(const ChangeWatch &) = delete;

    TChangeHandlerThread &thread();
    TChangeHandlerThread *existingThread() const { return m_thread.get(); }
    void removeAll();
    // Ends the thread; no message comes after it.
    void release() { m_thread.reset(); }

    // A rename made through the control: the notification it causes is ignored once.
    void markRename() { m_renameMark = true; }
    void clearRenameMark() { m_renameMark = false; }
    bool renameMarked() const { return m_renameMark; }
    // A drag out of the control: notifications are ignored while it runs.
    void setDragging(bool dragging) { m_dragging = dragging; }
    bool dragging() const { return m_dragging; }

    // A watch follows the folder, not its path: the folder a watch was set on is noted,
    // so that a refresh can tell when the path now leads to another (renamed away and
    // made again, deleted and made again, mounted over) and watch that one instead.
    void noteWatched(const QString &path);
    bool pathLeadsElsewhere(const QString &path) const;

    // Answers the watcher's message where Qt delivers it; false for any other event.
    bool answer(QEvent *event);

private:
    void changeNotified();

    QWidget *m_control;
    std::function<void(int)> m_restartWait;
    std::unique_ptr<TChangeHandlerThread> m_thread;
    std::optional<std::pair<dev_t, ino_t>> m_watched;
    bool m_renameMark = false;
    bool m_dragging = false;
};

} // namespace lumisnap
