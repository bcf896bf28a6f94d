#pragma once

#include <QEvent>
#include <QString>

#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

class QObject;

namespace lumisnap {

// What a watch reports: names of files, of folders, or both (created, deleted, or moved
// in or out of the folder).
enum TChangeFilter : std::uint32_t {
    FileNameChanges = 1,
    DirNameChanges = 2,
};

// The message a shell control's watcher posts to it for each change.
constexpr QEvent::Type ShellChangeMessage = QEvent::Type(1125);

// How long a shell control lets changes rest before it refreshes: a burst gives one
// refresh once it has been quiet this long.
constexpr int FocusedRefreshDelay = 400; // ms
constexpr int UnfocusedRefreshDelay = 2000; // ms

inline int refreshDelay(bool focused)
{
    return focused ? FocusedRefreshDelay : UnfocusedRefreshDelay;
}

// A thread that only waits: on one inotify descriptor for changes in the watched folders,
// and on an eventfd for commands. Each change it sees is posted to the target object as
// a TChangeMessage; all refresh work stays on the user-interface thread. The table of
// watches belongs to the thread: the caller changes it through commands and waits for
// each to be done, so the table needs no lock.
class TChangeHandlerThread
{
public:
    static constexpr int CommandTimeout = 2000; // ms
    static constexpr int QuitTimeout = 30000; // ms

    // The message posted; the slot is the watch that saw the change (-1 when the system
    // lost track of changes, and for several watches at once, the first).
    class TChangeMessage : public QEvent
    {
    public:
        TChangeMessage(QEvent::Type type, int slot)
            : QEvent(type)
            , m_slot(slot)
        {
        }
        int slot() const { return m_slot; }

    private:
        int m_slot;
    };

    TChangeHandlerThread(QObject *window, QEvent::Type message);
    // Stops the thread, waiting at most QuitTimeout; no message is posted once it starts.
    ~TChangeHandlerThread();
    TChangeHandlerThread(const TChangeHandlerThread &) = delete;
    TChangeHandlerThread &operator=(const TChangeHandlerThread &) = delete;

    // Watches one folder (no subtree: the system offers none, so asking for one fails).
    // Fails at once for an empty path and when the system refuses (a missing folder, the
    // per-user watch limit), and when the thread does not answer within CommandTimeout.
    bool AddWatch(
        const QString &path, std::uint32_t filter, bool watchSubtree, int *slot = nullptr);
    // Drops some watches; slots the system dropped already are skipped.
    bool RemoveWatches(const std::vector<int> &slotNumbers);
    // Drops every watch; messages still queued for the old ones are taken back.
    bool RemoveAll();
    // Returns once every change the system reported before the call has been posted.
    bool Synchronize();

    // The target calls this as it starts to answer a message: while one is waiting, later
    // changes are folded into it, so a burst never floods the event queue.
    void MessageTaken();

    // The watches in the table, as of the last command answered.
    int WatchCount() const;

private:
    struct Shared;
    struct Command;
    class Worker;

    bool runCommand(Command command);

    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
    int m_nextSlot = 0;
};

} // namespace lumisnap
