#pragma once

#include <QListWidget>

namespace lumisnap {

// A list box whose rows can be scrolled sideways up to a set extent, so that long
// entries can be read.
class TListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit TListBox(QWidget *parent = nullptr);

    int horizontalExtent() const { return m_horizontalExtent; }
    void setHorizontalExtent(int pixels);

private:
    int m_horizontalExtent = 0;
};

} // namespace lumisnap
