#include "skin/TfcCaptureMessageClass.h"

#include <algorithm>

namespace lumisnap {

TfcCaptureMessageClass::TfcCaptureMessageClass(QObject *owner)
    : QObject(owner)
{
}

TfcCaptureMessageClass::~TfcCaptureMessageClass()
{
    unhook();
}

void TfcCaptureMessageClass::attach(QWidget *window)
{
    if (m_window) {
        unhook();
        m_enabled = false;
    }
    m_window = window;
    if (m_enabled)
        hook();
}

void TfcCaptureMessageClass::setEnabled(bool enabled)
{
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    if (enabled)
        hook();
    else
        unhook();
}

void TfcCaptureMessageClass::hook()
{
    if (m_window && !m_hooked) {
        m_window->installEventFilter(this);
        m_hooked = true;
    }
}

void TfcCaptureMessageClass::unhook()
{
    if (m_window && m_hooked)
        m_window->removeEventFilter(this);
    m_hooked = false;
}

bool TfcCaptureMessageClass::wanted(QEvent::Type type) const
{
    return std::find(m_types.begin(), m_types.end(), type) != m_types.end();
}

bool TfcCaptureMessageClass::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window || !AfterMessage || !wanted(event->type()))
        return QObject::eventFilter(watched, event);
    // Let the window handle the event first, as its own procedure would, then report it.
    QPointer<QWidget> window = m_window;
    static_cast<QObject *>(window.data())->event(event);
    if (window)
        AfterMessage(event);
    return true;
}

} // namespace lumisnap
