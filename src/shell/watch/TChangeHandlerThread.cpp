#include "shell/watch/TChangeHandlerThread.h"

#include "common/FileName.h"

#include <QCoreApplication>
#include <QObject>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <system_error>
#include <unordered_map>

namespace lumisnap {

namespace {

// What every folder watch asks of the system. Whether a changed entry is a file or a
// folder is sorted out per slot when the change comes.
constexpr std::uint32_t WatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO
    | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
constexpr std::uint32_t NameChanges = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
// The watched folder itself went away, or its file system did: every slot on it hears it.
constexpr std::uint32_t FolderGone = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED;
constexpr std::size_t ReadBufferSize = 64 * 1024;
constexpr int NoSlot = -1;

void closeDescriptor(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

} // namespace

struct TChangeHandlerThread::Command
{
    enum Code { Add, Remove, RemoveAll, Sync, Quit };
    Code code = Sync;
    int wd = -1; // Add: the watch the caller opened
    std::uint32_t filter = 0; // Add
    std::vector<int> slotNumbers; // Add: the slot it goes into; Remove: those to empty
    std::uint64_t sequence = 0;
};

// Everything both threads touch. It owns the descriptors and lives as long as either
// thread holds it, so a thread that outlives its owner's wait can still end cleanly.
struct TChangeHandlerThread::Shared
{
    int commandFd = -1;
    int inotifyFd = -1;
    QEvent::Type message = ShellChangeMessage;
    std::atomic<bool> messageWaiting { false };
    std::atomic<int> watchCount { 0 };

    std::mutex lock;
    std::condition_variable answered;
    QObject *target = nullptr; // none once the owner is going
    std::deque<Command> commands;
    std::uint64_t lastSent = 0;
    std::uint64_t lastDone = 0;
    bool finished = false;

    ~Shared()
    {
        closeDescriptor(commandFd);
        closeDescriptor(inotifyFd);
    }

    bool wake() const
    {
        const std::uint64_t one = 1;
        return ::write(commandFd, &one, sizeof one) == ssize_t(sizeof one);
    }

    // Under the lock, so the owner cannot be gone while the message is posted.
    void post(int slot)
    {
        const std::lock_guard guard(lock);
        if (target && !messageWaiting.exchange(true))
            QCoreApplication::postEvent(target, new TChangeMessage(message, slot));
    }
};

// The waiting side. The table of watches is its own: slot -> watch, and for each watch
// descriptor the slots on it (one folder may be watched from several places; the system
// gives them one descriptor, dropped when the last slot goes).
class TChangeHandlerThread::Worker
{
public:
    explicit Worker(std::shared_ptr<Shared> shared)
        : m_shared(std::move(shared))
        , m_buffer(ReadBufferSize)
    {
    }

    void run()
    {
        while (waitOnce()) { }
        const std::lock_guard guard(m_shared->lock);
        m_shared->finished = true;
        m_shared->answered.notify_all();
    }

private:
    struct Slot
    {
        int wd;
        std::uint32_t filter;
    };

    bool waitOnce()
    {
        pollfd fds[2] = { { m_shared->commandFd, POLLIN, 0 }, { m_shared->inotifyFd, POLLIN, 0 } };
        if (::poll(fds, 2, -1) < 0)
            return errno == EINTR;
        // Changes first: a command answered after them has seen every change before it.
        if (fds[1].revents & POLLIN)
            readChanges();
        if (fds[0].revents & POLLIN)
            return runCommands();
        return true;
    }

    void readChanges()
    {
        bool changed = false;
        int firstSlot = NoSlot;
        for (;;) {
            const ssize_t size = ::read(m_shared->inotifyFd, m_buffer.data(), m_buffer.size());
            if (size < 0 && errno == EINTR)
                continue;
            if (size <= 0)
                break; // drained
            std::size_t at = 0;
            while (at + sizeof(inotify_event) <= std::size_t(size)) {
                inotify_event event;
                std::memcpy(&event, m_buffer.data() + at, sizeof event);
                at += sizeof event + event.len;
                noteChange(event, changed, firstSlot);
            }
        }
        if (changed)
            m_shared->post(firstSlot);
    }

    void noteChange(const inotify_event &event, bool &changed, int &firstSlot)
    {
        if (event.mask & IN_Q_OVERFLOW) {
            changed = true; // changes were lost: whatever is shown may be out of date
            return;
        }
        const auto found = m_slotsOfWd.find(event.wd);
        if (found == m_slotsOfWd.end())
            return; // a watch dropped already
        const std::uint32_t kind = (event.mask & IN_ISDIR) ? DirNameChanges : FileNameChanges;
        for (int slot : found->second) {
            const auto watch = m_slots.find(slot);
            const std::uint32_t filter = watch != m_slots.end() ? watch->second.filter : 0;
            if ((event.mask & FolderGone) || ((event.mask & NameChanges) && (filter & kind))) {
                if (!changed)
                    firstSlot = slot;
                changed = true;
                break;
            }
        }
        if (event.mask & IN_IGNORED)
            forgetWatch(event.wd); // the system dropped it: deleted, unmounted
    }

    bool runCommands()
    {
        std::uint64_t counter = 0;
        if (::read(m_shared->commandFd, &counter, sizeof counter) < 0 && errno != EAGAIN)
            return false;
        std::deque<Command> commands;
        {
            const std::lock_guard guard(m_shared->lock);
            commands.swap(m_shared->commands);
        }
        bool quit = false;
        for (const Command &command : commands)
            quit = !runCommand(command) || quit;
        m_shared->watchCount = int(m_slots.size());
        const std::lock_guard guard(m_shared->lock);
        if (!commands.empty())
            m_shared->lastDone = commands.back().sequence;
        m_shared->answered.notify_all();
        return !quit;
    }

    bool runCommand(const Command &command)
    {
        switch (command.code) {
        case Command::Add:
            m_slots[command.slotNumbers.front()] = { command.wd, command.filter };
            m_slotsOfWd[command.wd].push_back(command.slotNumbers.front());
            break;
        case Command::Remove:
            for (int slot : command.slotNumbers)
                removeSlot(slot);
            break;
        case Command::RemoveAll:
            for (const auto &watch : m_slotsOfWd)
                ::inotify_rm_watch(m_shared->inotifyFd, watch.first);
            m_slots.clear();
            m_slotsOfWd.clear();
            break;
        case Command::Sync:
            readChanges(); // those that came with the command, too
            break;
        case Command::Quit:
            return false;
        }
        return true;
    }

    void removeSlot(int slot)
    {
        const auto found = m_slots.find(slot);
        if (found == m_slots.end())
            return;
        const int wd = found->second.wd;
        m_slots.erase(found);
        std::vector<int> &onWatch = m_slotsOfWd[wd];
        std::erase(onWatch, slot);
        if (onWatch.empty()) {
            m_slotsOfWd.erase(wd);
            ::inotify_rm_watch(m_shared->inotifyFd, wd);
        }
    }

    void forgetWatch(int wd)
    {
        const auto found = m_slotsOfWd.find(wd);
        if (found == m_slotsOfWd.end())
            return;
        for (int slot : found->second)
            m_slots.erase(slot);
        m_slotsOfWd.erase(found);
        m_shared->watchCount = int(m_slots.size());
    }

    std::shared_ptr<Shared> m_shared;
    std::vector<char> m_buffer;
    std::unordered_map<int, Slot> m_slots;
    std::unordered_map<int, std::vector<int>> m_slotsOfWd;
};

TChangeHandlerThread::TChangeHandlerThread(QObject *window, QEvent::Type message)
    : m_shared(std::make_shared<Shared>())
{
    m_shared->message = message;
    m_shared->target = window;
    m_shared->commandFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_shared->inotifyFd = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (m_shared->commandFd < 0 || m_shared->inotifyFd < 0)
        return; // the system's limits: no live updates, every command fails
    try {
        m_thread = std::thread([shared = m_shared] { Worker(shared).run(); });
    } catch (const std::system_error &) {
    }
}

TChangeHandlerThread::~TChangeHandlerThread()
{
    {
        const std::lock_guard guard(m_shared->lock);
        m_shared->target = nullptr;
    }
    if (!m_thread.joinable())
        return;
    std::unique_lock lock(m_shared->lock);
    Command quit;
    quit.code = Command::Quit;
    m_shared->commands.push_back(quit);
    const bool ended = m_shared->wake()
        && m_shared->answered.wait_for(
            lock, std::chrono::milliseconds(QuitTimeout), [this] { return m_shared->finished; });
    lock.unlock();
    if (ended)
        m_thread.join();
    else
        m_thread.detach(); // it holds what it uses and ends on its own
}

bool TChangeHandlerThread::runCommand(Command command)
{
    if (!m_thread.joinable())
        return false;
    std::unique_lock lock(m_shared->lock);
    const std::uint64_t sequence = ++m_shared->lastSent;
    command.sequence = sequence;
    m_shared->commands.push_back(std::move(command));
    if (!m_shared->wake())
        return false;
    const auto done = [&] { return m_shared->lastDone >= sequence || m_shared->finished; };
    return m_shared->answered.wait_for(lock, std::chrono::milliseconds(CommandTimeout), done)
        && m_shared->lastDone >= sequence;
}

bool TChangeHandlerThread::AddWatch(
    const QString &path, std::uint32_t filter, bool watchSubtree, int *slot)
{
    if (path.isEmpty() || watchSubtree || !m_thread.joinable())
        return false;
    const int wd
        = ::inotify_add_watch(m_shared->inotifyFd, encodeFileName(path).constData(), WatchMask);
    if (wd < 0)
        return false; // missing, not a folder, not readable, or past the per-user limit
    Command add;
    add.code = Command::Add;
    add.wd = wd;
    add.filter = filter;
    const int newSlot = m_nextSlot++;
    add.slotNumbers = { newSlot };
    if (!runCommand(std::move(add)))
        return false;
    if (slot)
        *slot = newSlot;
    return true;
}

bool TChangeHandlerThread::RemoveWatches(const std::vector<int> &slotNumbers)
{
    if (slotNumbers.empty())
        return true;
    Command remove;
    remove.code = Command::Remove;
    remove.slotNumbers = slotNumbers;
    return runCommand(std::move(remove));
}

bool TChangeHandlerThread::RemoveAll()
{
    Command removeAll;
    removeAll.code = Command::RemoveAll;
    if (!runCommand(std::move(removeAll)))
        return false;
    // A message about the old watches still waiting would refresh what is shown next.
    if (m_shared->target)
        QCoreApplication::removePostedEvents(m_shared->target, m_shared->message);
    m_shared->messageWaiting = false;
    return true;
}

bool TChangeHandlerThread::Synchronize()
{
    return runCommand(Command());
}

void TChangeHandlerThread::MessageTaken()
{
    m_shared->messageWaiting = false;
}

int TChangeHandlerThread::WatchCount() const
{
    return m_shared->watchCount;
}

} // namespace lumisnap
