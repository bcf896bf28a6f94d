#include "shell/controls/ShellItemDelegate.h"

#include <QApplication>
#include <QStyle>

namespace lumisnap {

ShellItemDelegate::ShellItemDelegate(CustomDraw customDraw, AfterDraw afterDraw, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_customDraw(std::move(customDraw))
    , m_afterDraw(std::move(afterDraw))
{
}

// Draws like the base class, but from an option the events have seen last: the base
// class would rebuild the option and lose their changes.
void ShellItemDelegate::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    if (m_customDraw && !m_customDraw(index, opt))
        return;
    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    if (m_afterDraw)
        m_afterDraw(index);
}

} // namespace lumisnap
