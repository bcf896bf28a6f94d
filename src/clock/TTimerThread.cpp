#include "clock/TTimerThread.h"

#include "clock/TRxTimer.h"
#include "common/ErrorReport.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <utility>

namespace lumisnap {

// Everything both threads touch, behind one lock. Shared, so that a tick that
// destroys its own timer can still sign off after the timer is gone.
struct TTimerThread::State
{
    mutable std::mutex lock;
    std::condition_variable wake;
    bool suspended = true;
    bool terminated = false;
    quint32 interval = kDefaultInterval;
    quint64 lastTicket = 0;
    // The ticket of the tick handed to the user-interface thread, 0 once it has run.
    quint64 handedOver = 0;
    bool tickStarted = false;
    std::exception_ptr lastError;
};

TTimerThread::TTimerThread(TRxTimer *owner)
    : FOwner(owner)
    , FState(std::make_shared<State>())
    , FThread(QThread::create([this] { Execute(); }))
{
    FThread->setObjectName(QStringLiteral("TTimerThread"));
    FThread->start();
}

TTimerThread::~TTimerThread()
{
    Terminate();
    // Destroyed by a tick on the timer thread itself: that thread ends once the tick
    // returns, and its object goes with it then.
    if (QThread::currentThread() == FThread.get()) {
        QThread *thread = FThread.release();
        connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    }
}

void TTimerThread::Suspend()
{
    std::lock_guard lock(FState->lock);
    FState->suspended = true;
}

void TTimerThread::Resume()
{
    {
        std::lock_guard lock(FState->lock);
        FState->suspended = false;
    }
    FState->wake.notify_all();
}

void TTimerThread::Terminate()
{
    {
        std::lock_guard lock(FState->lock);
        FState->terminated = true;
        FState->handedOver = 0;
    }
    FState->wake.notify_all();
    // The thread only ever waits on the state, so it ends at once.
    if (QThread::currentThread() != FThread.get())
        FThread->wait();
}

bool TTimerThread::Suspended() const
{
    std::lock_guard lock(FState->lock);
    return FState->suspended;
}

bool TTimerThread::Terminated() const
{
    std::lock_guard lock(FState->lock);
    return FState->terminated;
}

quint32 TTimerThread::Interval() const
{
    std::lock_guard lock(FState->lock);
    return FState->interval;
}

void TTimerThread::SetInterval(quint32 milliseconds)
{
    std::lock_guard lock(FState->lock);
    FState->interval = milliseconds;
}

void TTimerThread::SetPriority(QThread::Priority priority)
{
    FThread->setPriority(priority);
}

bool TTimerThread::TickWaiting() const
{
    std::lock_guard lock(FState->lock);
    return FState->handedOver != 0 && !FState->tickStarted;
}

void TTimerThread::Execute()
{
    while (WaitWhileSuspended()) {
        const Wake wake = SleepInterval();
        if (wake == Wake::Stop)
            return;
        if (wake == Wake::Skip || !FOwner->Enabled())
            continue;
        if (!FOwner->SyncEvent()) {
            if (!RunOnThread())
                return;
        } else if (!HandOver())
            return;
    }
}

bool TTimerThread::WaitWhileSuspended()
{
    std::unique_lock lock(FState->lock);
    FState->wake.wait(lock, [this] { return FState->terminated || !FState->suspended; });
    return !FState->terminated;
}

TTimerThread::Wake TTimerThread::SleepInterval()
{
    std::unique_lock lock(FState->lock);
    const auto until
        = std::chrono::steady_clock::now() + std::chrono::milliseconds(FState->interval);
    // Only termination cuts a sleep short: a new interval counts from the next one.
    if (FState->wake.wait_until(lock, until, [this] { return FState->terminated; }))
        return Wake::Stop;
    return FState->suspended ? Wake::Skip : Wake::Tick;
}

bool TTimerThread::HandOver()
{
    std::unique_lock lock(FState->lock);
    if (FState->terminated)
        return false;
    const quint64 ticket = ++FState->lastTicket;
    FState->handedOver = ticket;
    FState->tickStarted = false;
    // Posted under the lock, so Terminate cannot have run: this object is still alive,
    // and if it dies before the call runs, Qt drops the call with it.
    QMetaObject::invokeMethod(
        this, [this, ticket] { Deliver(ticket); }, Qt::QueuedConnection);
    FState->wake.wait(lock, [&] { return FState->terminated || FState->handedOver != ticket; });
    return !FState->terminated;
}

void TTimerThread::Deliver(quint64 ticket)
{
    const std::shared_ptr<State> state = FState;
    {
        std::unique_lock lock(state->lock);
        if (state->terminated || state->handedOver != ticket)
            return;
        // Stopped (Interval 0, disabled, no handler) since it was handed over.
        if (state->suspended) {
            state->handedOver = 0;
            lock.unlock();
            state->wake.notify_all();
            return;
        }
        state->tickStarted = true;
    }
    TRxTimer *owner = FOwner;
    // The tick may destroy the timer and with it this object: only state is used after.
    runHandler([owner] { owner->Timer(); });
    {
        std::lock_guard lock(state->lock);
        if (state->handedOver == ticket)
            state->handedOver = 0;
    }
    state->wake.notify_all();
}

// False when the tick has ended the timer, which may have destroyed this object: only
// the shared state is used after the tick.
bool TTimerThread::RunOnThread()
{
    const std::shared_ptr<State> state = FState;
    try {
        FOwner->Timer();
    } catch (...) {
        // Reported on the user-interface thread, where the error report may show a box.
        std::lock_guard lock(state->lock);
        if (state->terminated)
            return false;
        state->lastError = std::current_exception();
        QMetaObject::invokeMethod(
            this, [this] { ReportLastError(); }, Qt::QueuedConnection);
    }
    std::lock_guard lock(state->lock);
    return !state->terminated;
}

void TTimerThread::ReportLastError()
{
    std::exception_ptr error;
    {
        std::lock_guard lock(FState->lock);
        error = std::exchange(FState->lastError, nullptr);
    }
    if (!error)
        return;
    try {
        std::rethrow_exception(error);
    } catch (...) {
        reportCurrentException();
    }
}

} // namespace lumisnap
