#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <vector>

namespace lumisnap {

class ManualClock;

// A single-shot delay of a shell control (the tree's hand-over, the refresh waits). It runs
// on the event loop's clock, or on a ManualClock while a test has one installed, so that
// tests move time by hand instead of sleeping. Its handler runs where Qt calls in, so an
// error is reported there and never unwinds into the event loop.
class ShellTimer : public QObject
{
    Q_OBJECT
public:
    explicit ShellTimer(std::function<void()> onTimeout, QObject *parent = nullptr);
    ~ShellTimer() override;

    // (Re)starts the wait: the handler runs once, `ms` from now.
    void start(int ms);
    void stop();
    bool isActive() const;

private:
    friend class ManualClock;
    void fire();

    std::function<void()> m_onTimeout;
    QTimer m_timer;
    ManualClock *m_clock = nullptr; // the clock the pending wait runs on, when manual
    std::int64_t m_deadline = 0;
};

// A clock that only moves when told. While one exists, every ShellTimer started runs on it.
class ManualClock
{
public:
    ManualClock();
    ~ManualClock();
    ManualClock(const ManualClock &) = delete;
    ManualClock &operator=(const ManualClock &) = delete;

    // Moves time on by `ms`, running every wait that falls due, in order of its deadline.
    void advance(int ms);
    std::int64_t now() const { return m_now; }

    static ManualClock *current();

private:
    friend class ShellTimer;
    void add(ShellTimer *timer);
    void remove(ShellTimer *timer);

    std::int64_t m_now = 0;
    std::vector<ShellTimer *> m_pending;
};

} // namespace lumisnap
