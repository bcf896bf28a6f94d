#pragma once

#include <QObject>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class QTimer;

namespace lumisnap {

class TTimerThread;

using TNotifyEvent = std::function<void(QObject *Sender)>;

// A timer that raises OnTimer every Interval milliseconds. By default its timing runs
// on a thread of its own (TTimerThread), which hands each tick to the user-interface
// thread, so a tick may draw and raise events; it can also run as a plain QTimer.
class TRxTimer : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabled)
    Q_PROPERTY(quint32 Interval READ Interval WRITE setInterval)
    Q_PROPERTY(bool SyncEvent READ SyncEvent WRITE setSyncEvent)
    Q_PROPERTY(bool Threaded READ Threaded WRITE setThreaded)
public:
    static constexpr quint32 kDefaultInterval = 1000;

    explicit TRxTimer(QObject *parent = nullptr);
    // A tick handed over and not yet run is never delivered, and nothing waits for it.
    ~TRxTimer() override;

    bool Enabled() const { return FEnabled; }
    void setEnabled(bool enabled);

    // 0 stops the timer.
    quint32 Interval() const { return FInterval; }
    void setInterval(quint32 milliseconds);

    // Threaded mode: run the tick on the user-interface thread (true) or on the timer
    // thread itself (false), where it must not wait for the user-interface thread.
    bool SyncEvent() const { return FSyncEvent; }
    void setSyncEvent(bool sync) { FSyncEvent = sync; }

    bool Threaded() const { return FThreaded; }
    void setThreaded(bool threaded);

    QThread::Priority ThreadPriority() const { return FThreadPriority; }
    void setThreadPriority(QThread::Priority priority);

    // The timer runs only while a handler is assigned.
    bool OnTimerAssigned() const;
    void setOnTimer(TNotifyEvent handler);

    // The tick: runs OnTimer when enabled, assigned and not being destroyed.
    void Timer();

    const TTimerThread &TimerThread() const { return *FTimerThread; }
    // The window timer, while the timer is not threaded.
    const QTimer *WindowTimer() const { return FWindowTimer.get(); }

private:
    void RestartTiming();
    bool ShouldRun() const;
    void RestartThread();
    void RestartWindowTimer();

    std::atomic<bool> FEnabled = true;
    quint32 FInterval = kDefaultInterval;
    std::atomic<bool> FSyncEvent = true;
    bool FThreaded = true;
    QThread::Priority FThreadPriority = QThread::NormalPriority;
    std::atomic<bool> FDestroying = false;

    mutable std::mutex FHandlerLock;
    TNotifyEvent FOnTimer;

    std::unique_ptr<TTimerThread> FTimerThread;
    std::unique_ptr<QTimer> FWindowTimer;
};

} // namespace lumisnap
