#include "controls/TScrollBox.h"

#include <QEvent>
#include <QMouseEvent>
#include <QScrollBar>

namespace lumisnap {

TScrollBox::TScrollBox(QWidget *parent)
    : QScrollArea(parent)
    , m_contents(new QWidget)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
    setWidget(m_contents);
    m_contents->installEventFilter(this);
    horizontalScrollBar()->setTracking(true);
    verticalScrollBar()->setTracking(true);
    setColor(clBlack);
}

void TScrollBox::setColor(TColor value)
{
    m_color = value;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, toQColor(value));
    for (QWidget *w : { static_cast<QWidget *>(this), viewport(), m_contents }) {
        w->setPalette(pal);
        w->setAutoFillBackground(true);
    }
    update();
}

void TScrollBox::setFillsBox(QWidget *child, bool fills)
{
    m_filling.removeAll(child);
    if (fills)
        m_filling.append(child);
    realign();
}

void TScrollBox::realign()
{
    if (m_realigning)
        return;
    m_realigning = true;
    // Two passes: showing a scroll bar shrinks the visible area.
    for (int pass = 0; pass < 2; ++pass) {
        const QSize visible = viewport()->size();
        QSize extent = visible;
        for (QObject *object : m_contents->children()) {
            auto *child = qobject_cast<QWidget *>(object);
            if (!child || m_filling.contains(child) || child->isHidden())
                continue;
            extent = extent.expandedTo(
                QSize(child->x() + child->width(), child->y() + child->height()));
        }
        m_contents->resize(extent);
        for (QWidget *child : std::as_const(m_filling))
            child->setGeometry(QRect(QPoint(0, 0), visible));
    }
    m_realigning = false;
}

void TScrollBox::setBottomDock(QWidget *dock)
{
    m_bottomDock = dock;
    dock->setParent(this);
    setViewportMargins(0, 0, 0, dock->height());
    // Scroll bars that come and go move the visible area's bottom.
    viewport()->installEventFilter(this);
    placeBottomDock();
}

void TScrollBox::placeBottomDock()
{
    if (!m_bottomDock)
        return;
    const QRect visible = viewport()->geometry();
    m_bottomDock->setGeometry(
        visible.left(), visible.bottom() + 1, visible.width(), m_bottomDock->height());
}

bool TScrollBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == viewport()) {
        if (event->type() == QEvent::Resize)
            placeBottomDock();
    } else if (watched == m_contents && event->type() == QEvent::ChildAdded) {
        if (auto *child = qobject_cast<QWidget *>(static_cast<QChildEvent *>(event)->child()))
            child->installEventFilter(this);
    } else if (watched != m_contents
        && (event->type() == QEvent::Resize || event->type() == QEvent::Move
            || event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
        realign();
    }
    return QScrollArea::eventFilter(watched, event);
}

void TScrollBox::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    realign();
    placeBottomDock();
}

void TScrollBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    QScrollArea::mouseReleaseEvent(event);
}

} // namespace lumisnap
