#pragma once

#include "skin/ClickTracker.h"

#include <QWidget>

namespace lumisnap {

// A caption-less, transparent label: a hot area over text painted on the skin.
class TLabel : public QWidget
{
    Q_OBJECT
public:
    explicit TLabel(QWidget *parent = nullptr);

signals:
    void clicked();
    void mouseMoved(QMouseEvent *event);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    ClickTracker m_click;
};

} // namespace lumisnap
