#include "shell/watch/ShellTimer.h"

#include "common/ErrorReport.h"

#include <algorithm>

namespace lumisnap {

namespace {

ManualClock *&installedClock()
{
    static ManualClock *clock = nullptr;
    return clock;
}

} // namespace

ShellTimer::ShellTimer(std::function<void()> onTimeout, QObject *parent)
    : QObject(parent)
    , m_onTimeout(std::move(onTimeout))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ShellTimer::fire);
}

ShellTimer::~ShellTimer()
{
    stop();
}

void ShellTimer::start(int ms)
{
    stop();
    if (ManualClock *clock = ManualClock::current()) {
        m_clock = clock;
        m_deadline = clock->now() + ms;
        clock->add(this);
        return;
    }
    m_timer.start(ms);
}

void ShellTimer::stop()
{
    m_timer.stop();
    if (m_clock) {
        m_clock->remove(this);
        m_clock = nullptr;
    }
}

bool ShellTimer::isActive() const
{
    return m_clock || m_timer.isActive();
}

void ShellTimer::fire()
{
    stop();
    runHandler(m_onTimeout);
}

ManualClock::ManualClock()
{
    installedClock() = this;
}

ManualClock::~ManualClock()
{
    for (ShellTimer *timer : std::vector<ShellTimer *>(m_pending))
        timer->stop();
    if (installedClock() == this)
        installedClock() = nullptr;
}

ManualClock *ManualClock::current()
{
    return installedClock();
}

void ManualClock::add(ShellTimer *timer)
{
    m_pending.push_back(timer);
}

void ManualClock::remove(ShellTimer *timer)
{
    std::erase(m_pending, timer);
}

void ManualClock::advance(int ms)
{
    const std::int64_t target = m_now + ms;
    for (;;) {
        // A handler may start or stop timers: look for the next one due every time.
        auto due = std::min_element(m_pending.begin(), m_pending.end(),
            [](const ShellTimer *a, const ShellTimer *b) { return a->m_deadline < b->m_deadline; });
        if (due == m_pending.end() || (*due)->m_deadline > target)
            break;
        m_now = std::max(m_now, (*due)->m_deadline);
        (*due)->fire();
    }
    m_now = target;
}

} // namespace lumisnap
