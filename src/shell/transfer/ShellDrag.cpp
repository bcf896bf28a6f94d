#include "shell/transfer/ShellDrag.h"

#include "shell/transfer/ShellDataObject.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

namespace lumisnap {

namespace {

DragExec &dragExec()
{
    static DragExec exec;
    return exec;
}

// Cancels the running drag when a mouse button other than the dragging one goes down.
class OtherButtonCancel : public QObject
{
public:
    explicit OtherButtonCancel(Qt::MouseButton button)
        : m_button(button)
    {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~OtherButtonCancel() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonPress
            && static_cast<QMouseEvent *>(event)->button() != m_button) {
            QDrag::cancel();
            return true;
        }
        return false;
    }

private:
    Qt::MouseButton m_button;
};

} // namespace

Qt::DropAction execShellDrag(QDrag &drag, Qt::DropActions allowed, Qt::MouseButton button)
{
    if (dragExec())
        return dragExec()(drag, allowed);
    const OtherButtonCancel cancel(button);
    return drag.exec(allowed, Qt::CopyAction);
}

DragExec setDragExec(DragExec exec)
{
    return std::exchange(dragExec(), std::move(exec));
}

Qt::DropAction dragShellItems(QWidget *source, const ShellItems &items, std::uint32_t allowed,
    const QPixmap &pixmap, Qt::MouseButton button)
{
    const QPointer<QDrag> drag = new QDrag(source);
    drag->setMimeData(makeShellMimeData(items).release());
    drag->setPixmap(pixmap);
    const Qt::DropAction result
        = execShellDrag(*drag, Qt::DropActions(int(allowed & DROPEFFECT_ALL)), button);
    if (drag)
        drag->deleteLater();
    return result;
}

bool dragStarts(const QMouseEvent *event, QPoint pressPos, Qt::MouseButton button)
{
    return button != Qt::NoButton && (event->buttons() & button)
        && (event->position().toPoint() - pressPos).manhattanLength()
        >= QApplication::startDragDistance();
}

std::uint32_t dropEffectOf(const QDropEvent *event, std::uint32_t allowed)
{
    allowed &= std::uint32_t(int(event->possibleActions()));
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool control = event->modifiers() & Qt::ControlModifier;
    const std::uint32_t wanted
        = shift && control ? DROPEFFECT_LINK : (shift ? DROPEFFECT_MOVE : DROPEFFECT_COPY);
    if (allowed & wanted)
        return wanted;
    for (const std::uint32_t effect : { DROPEFFECT_COPY, DROPEFFECT_MOVE, DROPEFFECT_LINK })
        if (allowed & effect)
            return effect;
    return DROPEFFECT_NONE;
}

void answerDrop(QDropEvent *event, std::uint32_t effect)
{
    if (effect == DROPEFFECT_NONE) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::DropAction(int(effect)));
    event->accept();
}

} // namespace lumisnap
