#include "mainform/TListBox.h"

#include <QStyledItemDelegate>

namespace lumisnap {

namespace {

// Every row is at least as wide as the extent, which makes the scroll range.
class ExtentDelegate : public QStyledItemDelegate
{
public:
    ExtentDelegate(const TListBox *box)
        : QStyledItemDelegate(const_cast<TListBox *>(box))
        , m_box(box)
    {
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setWidth(std::max(size.width(), m_box->horizontalExtent()));
        return size;
    }

private:
    const TListBox *m_box;
};

} // namespace

TListBox::TListBox(QWidget *parent)
    : QListWidget(parent)
{
    setItemDelegate(new ExtentDelegate(this));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void TListBox::setHorizontalExtent(int pixels)
{
    if (m_horizontalExtent == pixels)
        return;
    m_horizontalExtent = pixels;
    doItemsLayout();
}

} // namespace lumisnap
