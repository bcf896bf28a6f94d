#pragma once

#include "skin/AccessibleFace.h"
#include "skin/ClickTracker.h"

#include <QWidget>

namespace lumisnap {

// A caption-less, transparent label: a hot area over text painted on the skin. To
// assistive tools a link, named with setAccessibleName after the painted text.
class TLabel : public QWidget, public AccessibleFace
{
    Q_OBJECT
public:
    explicit TLabel(QWidget *parent = nullptr);

    QAccessible::Role faceRole() const override { return QAccessible::Link; }
    QString faceName() const override { return QString(); }
    bool facePressable() const override { return true; }
    void facePress() override { emit clicked(); }

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
