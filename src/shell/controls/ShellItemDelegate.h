#pragma once

#include <QStyledItemDelegate>

#include <functional>

namespace lumisnap {

// Paints rows and nodes of the shell controls, handing each paint to the control first
// so that its custom-draw events may change the font and colours of that item alone.
class ShellItemDelegate : public QStyledItemDelegate
{
public:
    // Raises the events for one item and applies what they changed to `option`;
    // returns false when the item must not be drawn.
    using CustomDraw = std::function<bool(const QModelIndex &index, QStyleOptionViewItem &option)>;
    // Runs after an item was drawn (the item post-paint stage).
    using AfterDraw = std::function<void(const QModelIndex &index)>;

    ShellItemDelegate(CustomDraw customDraw, AfterDraw afterDraw, QObject *parent);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;

private:
    CustomDraw m_customDraw;
    AfterDraw m_afterDraw;
};

} // namespace lumisnap
