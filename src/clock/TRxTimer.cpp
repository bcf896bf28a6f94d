#include "clock/TRxTimer.h"

#include "clock/TTimerThread.h"
#include "common/Error.h"
#include "common/ErrorReport.h"

#include <QTimer>

#include <limits>

namespace lumisnap {

TRxTimer::TRxTimer(QObject *parent)
    : QObject(parent)
    , FTimerThread(std::make_unique<TTimerThread>(this))
{
}

TRxTimer::~TRxTimer()
{
    FEnabled = false;
    FDestroying = true;
    {
        std::lock_guard lock(FHandlerLock);
        FOnTimer = nullptr;
    }
    FTimerThread->Terminate();
    FWindowTimer.reset();
}

void TRxTimer::setEnabled(bool enabled)
{
    if (FEnabled == enabled)
        return;
    FEnabled = enabled;
    RestartTiming();
}

void TRxTimer::setInterval(quint32 milliseconds)
{
    if (FInterval == milliseconds)
        return;
    FInterval = milliseconds;
    RestartTiming();
}

void TRxTimer::setThreaded(bool threaded)
{
    if (FThreaded == threaded)
        return;
    FThreaded = threaded;
    RestartTiming();
}

void TRxTimer::setThreadPriority(QThread::Priority priority)
{
    if (FThreadPriority == priority)
        return;
    FThreadPriority = priority;
    if (FThreaded)
        RestartTiming();
}

bool TRxTimer::OnTimerAssigned() const
{
    std::lock_guard lock(FHandlerLock);
    return bool(FOnTimer);
}

void TRxTimer::setOnTimer(TNotifyEvent handler)
{
    const bool wasAssigned = OnTimerAssigned();
    {
        std::lock_guard lock(FHandlerLock);
        FOnTimer = std::move(handler);
    }
    if (wasAssigned != OnTimerAssigned())
        RestartTiming();
}

void TRxTimer::Timer()
{
    if (!FEnabled || FDestroying)
        return;
    // A copy: the handler may destroy this timer, and the thread may run it meanwhile.
    TNotifyEvent handler;
    {
        std::lock_guard lock(FHandlerLock);
        handler = FOnTimer;
    }
    if (handler)
        handler(this);
}

bool TRxTimer::ShouldRun() const
{
    return FInterval > 0 && FEnabled && OnTimerAssigned();
}

void TRxTimer::RestartTiming()
{
    if (FThreaded)
        RestartThread();
    else
        RestartWindowTimer();
}

void TRxTimer::RestartThread()
{
    FWindowTimer.reset();
    FTimerThread->Suspend();
    FTimerThread->SetInterval(FInterval);
    if (ShouldRun()) {
        FTimerThread->SetPriority(FThreadPriority);
        FTimerThread->Resume();
    }
}

void TRxTimer::RestartWindowTimer()
{
    FTimerThread->Suspend();
    if (FWindowTimer) {
        FWindowTimer->stop();
    } else {
        FWindowTimer = std::make_unique<QTimer>();
        connect(FWindowTimer.get(), &QTimer::timeout, this,
            [this] { runHandler([this] { Timer(); }); });
    }
    if (!ShouldRun())
        return;
    // QTimer counts in a signed int: a longer interval is one the platform refuses.
    if (FInterval <= quint32(std::numeric_limits<int>::max()))
        FWindowTimer->start(int(FInterval));
    if (!FWindowTimer->isActive())
        throw EOutOfResources(QStringLiteral("Not enough timers available"));
}

} // namespace lumisnap
