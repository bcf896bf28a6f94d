#pragma once

#include "common/TColor.h"

#include <QScrollArea>

namespace lumisnap {

class TImage;

// A borderless scroll box: its children lie on contents(); children that fill the box
// take the visible size, free ones keep theirs, and the scroll range covers them all.
class TScrollBox : public QScrollArea
{
    Q_OBJECT
public:
    explicit TScrollBox(QWidget *parent = nullptr);

    QWidget *contents() const { return m_contents; }

    TColor Color() const { return m_color; }
    void setColor(TColor value);

    // Children that fill the box; the others are free.
    void setFillsBox(QWidget *child, bool fills);

    void realign();

    // A control docked along the bottom of the visible area, outside the scrolled
    // contents, so that scrolling reaches everything above it.
    void setBottomDock(QWidget *dock);

signals:
    void clicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QWidget *m_contents;
    TColor m_color = clBlack;
    void placeBottomDock();

    QList<QWidget *> m_filling;
    QWidget *m_bottomDock = nullptr;
    bool m_realigning = false;
};

} // namespace lumisnap
