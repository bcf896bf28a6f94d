#include "shell/namespace/LazyIcon.h"

#include <QIconEngine>
#include <QPainter>

#include <memory>
#include <optional>

namespace lumisnap {

namespace {

class LazyIconEngine final : public QIconEngine
{
public:
    explicit LazyIconEngine(std::function<QIcon()> lookUp)
        : m_lookUp(std::move(lookUp))
    {
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, mode, state);
    }

    QPixmap scaledPixmap(
        const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        return icon().pixmap(size / scale, scale, mode, state);
    }

    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return m_icon ? m_icon->actualSize(size, mode, state) : size;
    }

    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }

    QString iconName() override { return icon().name(); }

    bool isNull() override { return m_icon && m_icon->isNull(); }

    QString key() const override { return QStringLiteral("LazyIconEngine"); }

    QIconEngine *clone() const override
    {
        auto copy = std::make_unique<LazyIconEngine>(m_lookUp);
        copy->m_icon = m_icon;
        return copy.release();
    }

private:
    const QIcon &icon()
    {
        if (!m_icon)
            m_icon = m_lookUp();
        return *m_icon;
    }

    std::function<QIcon()> m_lookUp;
    std::optional<QIcon> m_icon;
};

} // namespace

QIcon lazyIcon(std::function<QIcon()> lookUp)
{
    // QIcon owns the engine it is given.
    return QIcon(std::make_unique<LazyIconEngine>(std::move(lookUp)).release());
}

} // namespace lumisnap
