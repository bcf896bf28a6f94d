#pragma once

#include "skin/AccessibleFace.h"

#include <QWidget>

namespace lumisnap {

// A panel with a single border, a raised outer and a lowered inner bevel, and its
// caption centred. Clicks on it stay on it. Assistive tools see a pane named by its
// caption.
class TPanel : public QWidget, public AccessibleFace
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
public:
    explicit TPanel(QWidget *parent = nullptr);

    const QString &caption() const { return m_caption; }
    void setCaption(const QString &caption);

    QAccessible::Role faceRole() const override { return QAccessible::Pane; }
    QString faceName() const override { return m_caption.trimmed(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_caption;
};

} // namespace lumisnap
