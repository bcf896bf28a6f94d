#pragma once

#include <QAbstractItemView>
#include <QPersistentModelIndex>
#include <QScrollBar>

namespace lumisnap {

// Keeps the row at the top of a view in its place while rows before it come and go,
// so a refresh does not move what the user is looking at.
class ScrollAnchor
{
public:
    explicit ScrollAnchor(QAbstractItemView &view)
        : m_view(view)
        , m_top(view.indexAt(QPoint(0, 0)))
        , m_topY(m_top.isValid() ? view.visualRect(m_top).top() : 0)
    {
    }

    // Scrolls the anchor row back to where it was, when it survived.
    void restore()
    {
        if (!m_top.isValid())
            return;
        const QRect now = m_view.visualRect(m_top);
        const int moved = now.top() - m_topY;
        if (moved == 0)
            return;
        const bool perItem = m_view.verticalScrollMode() == QAbstractItemView::ScrollPerItem;
        const int step = perItem ? std::max(1, now.height()) : 1;
        QScrollBar *bar = m_view.verticalScrollBar();
        bar->setValue(bar->value() + moved / step);
    }

private:
    QAbstractItemView &m_view;
    QPersistentModelIndex m_top;
    int m_topY;
};

} // namespace lumisnap
