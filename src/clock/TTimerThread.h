#pragma once

#include <QObject>
#include <QThread>

#include <memory>

namespace lumisnap {

class TRxTimer;

// The thread behind a tick timer: it sleeps the interval, then hands the tick to the
// user-interface thread and waits until it has run there, so ticks never overlap or
// queue up. POSIX threads cannot be suspended from outside, so a suspended timer
// thread waits on a condition instead.
class TTimerThread : public QObject
{
    Q_OBJECT
public:
    static constexpr quint32 kDefaultInterval = 1000;

    // Starts suspended.
    explicit TTimerThread(TRxTimer *owner);
    // Terminates and waits for the thread, which wakes at once: it never waits for a
    // tick that has not run yet.
    ~TTimerThread() override;

    void Suspend();
    void Resume();
    // Ends the thread; a tick handed over and not yet run is never delivered.
    // Call it from the user-interface thread only.
    void Terminate();

    bool Suspended() const;
    bool Terminated() const;

    // The copy of the owner's interval; a change takes effect from the next sleep.
    quint32 Interval() const;
    void SetInterval(quint32 milliseconds);
    void SetPriority(QThread::Priority priority);

    // True while a tick is handed to the user-interface thread and has not started.
    bool TickWaiting() const;

private:
    struct State;
    enum class Wake { Tick, Skip, Stop };

    void Execute();
    bool WaitWhileSuspended();
    Wake SleepInterval();
    bool HandOver();
    void Deliver(quint64 ticket);
    bool RunOnThread();
    void ReportLastError();

    TRxTimer *const FOwner;
    std::shared_ptr<State> FState;
    std::unique_ptr<QThread> FThread;
};

} // namespace lumisnap
