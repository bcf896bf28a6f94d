#pragma once

#include "controls/SortedPathList.h"
#include "skin/AccessibleFace.h"

#include <QAbstractScrollArea>
#include <QTimer>

#include <span>

namespace lumisnap {

// A sorted list box of paths: entries stand in the file list's name order whatever the
// order they come in, one of them can be selected, and the rows can be scrolled
// sideways up to a set extent. Rows are drawn straight from the list, so adding to a
// list of a hundred thousand entries costs what adding to a short one does. Assistive
// tools see a list, named with setAccessibleName, whose description is the selected
// entry: its rows are not made objects each.
class TListBox : public QAbstractScrollArea, public AccessibleFace
{
    Q_OBJECT
public:
    static constexpr int DefaultItemHeight = 16;

    explicit TListBox(QWidget *parent = nullptr);

    int count() const { return m_items.count(); }
    // An entry as lossless text (common/FileName.h).
    QString Items(int index) const;
    // The selected entry, -1 when none.
    int ItemIndex() const { return m_itemIndex; }
    // Selects by the program: scrolls the entry into view, raises no OnClick.
    void setItemIndex(int index);

    void clear();
    // Adds raw path bytes in their sorted places. More entries than the list can
    // number raise "Unable to insert a line", and none is added.
    void addItems(std::span<const QByteArray> paths);

    int ItemHeight() const { return m_itemHeight; }
    void setItemHeight(int pixels);
    int horizontalExtent() const { return m_horizontalExtent; }
    void setHorizontalExtent(int pixels);

    int TopIndex() const;
    // Where a row lies in the viewport; empty when it is not there.
    QRect itemRect(int index) const;

    QAccessible::Role faceRole() const override { return QAccessible::List; }
    QString faceName() const override { return QString(); }
    QString faceDescription() const override;

signals:
    // The selection changed by the mouse or the keyboard.
    void OnClick();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    int visibleRows() const;
    int rowAt(int y) const;
    void updateScrollBars();
    void refresh();
    void ensureVisible(int index);
    void selectByUser(int index);

    SortedPathList m_items;
    int m_itemIndex = -1;
    int m_itemHeight = DefaultItemHeight;
    int m_horizontalExtent = 0;
    QTimer m_refresh;
};

} // namespace lumisnap
