#pragma once

#include <QWidget>

namespace lumisnap {

// A panel with a single border, a raised outer and a lowered inner bevel, and its
// caption centred. Clicks on it stay on it.
class TPanel : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
public:
    explicit TPanel(QWidget *parent = nullptr);

    const QString &caption() const { return m_caption; }
    void setCaption(const QString &caption);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_caption;
};

} // namespace lumisnap
