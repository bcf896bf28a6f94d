#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <initializer_list>
#include <vector>

namespace lumisnap {

// Watches one window and hands chosen events to AfterMessage once the window itself
// has handled them.
class TfcCaptureMessageClass : public QObject
{
    Q_OBJECT
public:
    explicit TfcCaptureMessageClass(QObject *owner = nullptr);
    ~TfcCaptureMessageClass() override;

    // Attaching unhooks the window watched before, which also turns the hook off.
    void attach(QWidget *window);
    QWidget *window() const { return m_window; }

    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    void setMessageTypes(std::initializer_list<QEvent::Type> types) { m_types = types; }

    std::function<void(QEvent *)> AfterMessage;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void hook();
    void unhook();
    bool wanted(QEvent::Type type) const;

    QPointer<QWidget> m_window;
    bool m_enabled = false;
    bool m_hooked = false;
    std::vector<QEvent::Type> m_types;
};

} // namespace lumisnap
