#include "skin/TfcText.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace lumisnap {

namespace {

// The text as measured when "&" marks an accelerator: "&&" shows one "&", a single
// "&" shows nothing.
QString withoutAccelerators(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('&')) {
            out += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) {
            out += QLatin1Char('&');
            ++i;
        }
    }
    return out;
}

} // namespace

TfcText::TfcText(Host host)
    : m_host(std::move(host))
    , m_disabledColors([this] { changed(false); })
    , m_extrudeEffects([this] { changed(false); })
    , m_shadow([this](bool extent) { changed(extent); })
{
}

void TfcText::setRotation(int degrees)
{
    m_rotation = degrees;
    changed(true);
}

void TfcText::changed(bool extentChanged)
{
    if (extentChanged && m_host.adjustBounds)
        m_host.adjustBounds();
    if (m_host.invalidate)
        m_host.invalidate();
}

QStringList TfcText::lines() const
{
    if (m_caption.isEmpty())
        return {};
    return m_caption.split(QStringLiteral("\r\n"));
}

QSize TfcText::lineSize(const QFont &font, const QString &line, int wrapWidth) const
{
    const QFontMetrics metrics(font);
    const QString text = (m_options & toShowAccel) ? withoutAccelerators(line) : line;
    if (m_wordWrap) {
        return metrics
            .boundingRect(QRect(0, 0, std::max(wrapWidth, 1), 1 << 20), Qt::TextWordWrap, text)
            .size();
    }
    return QSize(metrics.horizontalAdvance(text), metrics.height());
}

QSize TfcText::textBlockSize(const QFont &font, const QRect &paintRect) const
{
    const QStringList all = lines();
    int width = 0, height = 0;
    for (qsizetype i = 0; i < all.size(); ++i) {
        const QSize size = lineSize(font, all[i], paintRect.width());
        width = std::max(width, size.width());
        height += size.height() + (i > 0 ? m_lineSpacing : 0);
    }
    return QSize(width, height);
}

QRect TfcText::textRect(const QFont &font, const QRect &paintRect, bool forAutoSize) const
{
    const QSize block = textBlockSize(font, paintRect);
    const int sx = m_shadow.enabled() ? m_shadow.xOffset() : 0;
    const int sy = m_shadow.enabled() ? m_shadow.yOffset() : 0;
    // Integer halving rounds toward zero, as C++ division does.
    int left = paintRect.x() + paintRect.width() / 2 - sx / 2 - block.width() / 2;
    int top = paintRect.y() + paintRect.height() / 2 - sy / 2 - block.height() / 2;
    const int outline = m_style == fclsOutline ? 2 : 0;
    int width = block.width() + std::abs(sx) + outline;
    int height = block.height() + std::abs(sy) + outline;
    if (!forAutoSize) {
        width = std::min(width, std::max(paintRect.width(), 0));
        height = std::min(height, std::max(paintRect.height(), 0));
    }
    left = std::max(left, paintRect.x());
    top = std::max(top, paintRect.y());
    return QRect(left, top, width, height);
}

int TfcText::drawFlags() const
{
    int flags = Qt::TextDontClip | Qt::AlignTop;
    if (m_rotation % 360 == 0 && m_alignment == taCenter)
        flags |= Qt::AlignHCenter;
    else if (m_rotation % 360 == 0 && m_alignment == taRightJustify)
        flags |= Qt::AlignRight;
    else
        flags |= Qt::AlignLeft;
    if (m_wordWrap)
        flags |= Qt::TextWordWrap;
    if (m_options & toShowAccel)
        flags |= Qt::TextShowMnemonic;
    return flags;
}

// The paint rectangle narrowed to the text by the alignments.
QRect TfcText::placedRect(const QFont &font, QRect r) const
{
    if (m_rotation % 360 != 0)
        return r;
    const QRect across = textRect(font, r, false);
    if (m_alignment == taLeftJustify)
        r = QRect(r.x(), r.y(), across.width(), r.height());
    else if (m_alignment == taRightJustify)
        r = QRect(r.x() + r.width() - across.width(), r.y(), across.width(), r.height());
    const QRect down = textRect(font, r, false);
    if (m_vAlignment == vaTop)
        r = QRect(r.x(), r.y(), r.width(), down.height());
    else if (m_vAlignment == vaBottom)
        r = QRect(r.x(), r.y() + r.height() - down.height(), r.width(), down.height());
    return r;
}

void TfcText::drawLines(QPainter &painter, QRect at, TColor colour) const
{
    const QColor pen = toQColor(colour);
    if (!pen.isValid())
        return;
    painter.setPen(pen);
    const int flags = drawFlags();
    const QFontMetrics metrics(painter.font());
    for (const QString &line : lines()) {
        const QString shown = (m_options & toShowEllipsis)
            ? metrics.elidedText(line, Qt::ElideRight, at.width(), flags)
            : line;
        painter.drawText(at, flags, shown);
        const int lineHeight
            = metrics.boundingRect(QRect(at.x(), at.y(), at.width(), 1 << 20), flags, shown)
                  .height();
        at.translate(0, lineHeight + m_lineSpacing);
    }
}

void TfcText::draw(QPainter &painter, const QRect &paintRect, const QFont &font, TColor fontColor)
{
    if (m_caption.isEmpty())
        return;
    const QRect r = placedRect(font, paintRect);
    const QRect d = textRect(font, r, false);
    painter.save();
    painter.setFont(font);
    painter.setBrush(Qt::NoBrush);
    if (m_rotation % 360 != 0) {
        painter.translate(d.topLeft());
        painter.rotate(-m_rotation);
        painter.translate(-d.topLeft());
    }
    const bool enabled = hostEnabled();
    if (m_shadow.enabled()) {
        drawLines(painter, d.translated(m_shadow.xOffset(), m_shadow.yOffset()),
            enabled ? m_shadow.color() : m_disabledColors.shadeColor());
    }
    if (enabled) {
        drawLines(painter, d, fontColor);
    } else {
        if (m_disabledColors.highlightColor() != clNone)
            drawLines(painter, d.translated(1, 1), m_disabledColors.highlightColor());
        drawLines(painter, d, m_disabledColors.shadeColor());
    }
    painter.restore();
}

} // namespace lumisnap
