#include "shell/watch/ChangeWatch.h"

#include "common/ErrorReport.h"

#include <QWidget>

namespace lumisnap {

ChangeWatch::ChangeWatch(QWidget *control, std::function<void(int ms)> restartWait)
    : m_control(control)
    , m_restartWait(std::move(restartWait))
{
}

ChangeWatch::~ChangeWatch() = default;

TChangeHandlerThread &ChangeWatch::thread()
{
    if (!m_thread)
        m_thread = std::make_unique<TChangeHandlerThread>(m_control, ShellChangeMessage);
    return *m_thread;
}

void ChangeWatch::removeAll()
{
    if (m_thread)
        m_thread->RemoveAll();
}

bool ChangeWatch::answer(QEvent *event)
{
    if (event->type() != ShellChangeMessage)
        return false;
    runHandler([this] { changeNotified(); });
    return true;
}

void ChangeWatch::changeNotified()
{
    if (m_thread)
        m_thread->MessageTaken();
    if (m_renameMark) {
        m_renameMark = false;
        return;
    }
    if (!m_dragging)
        m_restartWait(refreshDelay(m_control->hasFocus()));
}

} // namespace lumisnap
