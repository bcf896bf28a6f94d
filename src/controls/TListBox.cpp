#include "controls/TListBox.h"

#include "common/Error.h"
#include "common/FileName.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <limits>

namespace lumisnap {

namespace {

constexpr int TextIndent = 2;
constexpr int SidewaysStep = 8;
// Entries come in many small batches while a drive is scanned: the rows and scroll
// bars are redrawn at most this often meanwhile, not after every batch.
constexpr int RefreshInterval = 100;

} // namespace

TListBox::TListBox(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    horizontalScrollBar()->setSingleStep(SidewaysStep);
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(RefreshInterval);
    connect(&m_refresh, &QTimer::timeout, this, &TListBox::refresh);
    updateScrollBars();
}

QString TListBox::Items(int index) const
{
    return decodeFileName(m_items.at(index).toByteArray());
}

void TListBox::setItemIndex(int index)
{
    m_itemIndex = index >= 0 && index < count() ? index : -1;
    if (m_itemIndex >= 0)
        ensureVisible(m_itemIndex);
    viewport()->update();
    announceDescriptionChange(this);
}

QString TListBox::faceDescription() const
{
    return m_itemIndex >= 0 ? Items(m_itemIndex) : QString();
}

void TListBox::clear()
{
    m_items.clear();
    m_itemIndex = -1;
    refresh();
    announceDescriptionChange(this);
}

void TListBox::addItems(std::span<const QByteArray> paths)
{
    if (paths.empty())
        return;
    if (paths.size() > std::size_t(std::numeric_limits<int>::max() - count()))
        throw EOutOfResources(QStringLiteral("Unable to insert a line"));
    m_items.insert(paths, [this](int index) {
        if (m_itemIndex >= index)
            ++m_itemIndex;
    });
    if (!m_refresh.isActive())
        m_refresh.start();
}

void TListBox::setItemHeight(int pixels)
{
    if (m_itemHeight == pixels || pixels < 1)
        return;
    m_itemHeight = pixels;
    updateScrollBars();
    viewport()->update();
}

void TListBox::setHorizontalExtent(int pixels)
{
    if (m_horizontalExtent == pixels)
        return;
    m_horizontalExtent = pixels;
    updateScrollBars();
    viewport()->update();
}

int TListBox::TopIndex() const
{
    return verticalScrollBar()->value();
}

QRect TListBox::itemRect(int index) const
{
    const int row = index - TopIndex();
    if (index < 0 || index >= count() || row < 0 || row * m_itemHeight >= viewport()->height())
        return {};
    return { -horizontalScrollBar()->value(), row * m_itemHeight,
        std::max(m_horizontalExtent, viewport()->width()), m_itemHeight };
}

int TListBox::visibleRows() const
{
    return std::max(1, viewport()->height() / m_itemHeight);
}

int TListBox::rowAt(int y) const
{
    return TopIndex() + std::max(0, y) / m_itemHeight;
}

void TListBox::updateScrollBars()
{
    const int rows = visibleRows();
    verticalScrollBar()->setRange(0, std::max(0, count() - rows));
    verticalScrollBar()->setPageStep(rows);
    horizontalScrollBar()->setRange(0, std::max(0, m_horizontalExtent - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void TListBox::refresh()
{
    m_refresh.stop();
    updateScrollBars();
    viewport()->update();
}

void TListBox::ensureVisible(int index)
{
    if (m_refresh.isActive())
        refresh(); // the scroll range must hold the entry
    const int top = TopIndex();
    if (index < top)
        verticalScrollBar()->setValue(index);
    else if (index >= top + visibleRows())
        verticalScrollBar()->setValue(index - visibleRows() + 1);
}

void TListBox::selectByUser(int index)
{
    if (count() == 0)
        return;
    index = std::clamp(index, 0, count() - 1);
    ensureVisible(index);
    if (index == m_itemIndex)
        return;
    m_itemIndex = index;
    viewport()->update();
    announceDescriptionChange(this);
    emit OnClick();
}

void TListBox::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    painter.setFont(font());
    const int first = TopIndex();
    const int last = std::min(count() - 1, first + viewport()->height() / m_itemHeight);
    for (int index = first; index <= last; ++index) {
        const QRect row = itemRect(index);
        const bool selected = index == m_itemIndex;
        if (selected)
            painter.fillRect(row, palette().highlight());
        painter.setPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(row.adjusted(TextIndent, 0, 0, 0),
            Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, displayFileName(Items(index)));
    }
}

void TListBox::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void TListBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    const int row = rowAt(event->position().toPoint().y());
    if (row < count())
        selectByUser(row);
}

// The selection follows the pointer while the button is held, as in a list box.
void TListBox::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        selectByUser(rowAt(event->position().toPoint().y()));
}

void TListBox::keyPressEvent(QKeyEvent *event)
{
    const int page = std::max(1, visibleRows() - 1);
    const int current = std::max(m_itemIndex, 0);
    switch (event->key()) {
    case Qt::Key_Up:
        return selectByUser(m_itemIndex < 0 ? 0 : current - 1);
    case Qt::Key_Down:
        return selectByUser(m_itemIndex < 0 ? 0 : current + 1);
    case Qt::Key_PageUp:
        return selectByUser(current - page);
    case Qt::Key_PageDown:
        return selectByUser(current + page);
    case Qt::Key_Home:
        return selectByUser(0);
    case Qt::Key_End:
        return selectByUser(count() - 1);
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void TListBox::scrollContentsBy(int, int)
{
    viewport()->update();
}

} // namespace lumisnap
