#include "shell/controls/TPTCustomDraw.h"

#include <QStyleOptionViewItem>

namespace lumisnap {

void TPTCDFont::setFont(const QFont &font)
{
    m_font = font;
    touch();
}

void TPTCDFont::setColor(const QColor &color)
{
    m_color = color;
    touch();
}

void TPTCDFont::setBold(bool bold)
{
    m_font.setBold(bold);
    touch();
}

void TPTCDFont::setItalic(bool italic)
{
    m_font.setItalic(italic);
    touch();
}

void TPTCDFont::setPointSize(int size)
{
    if (size > 0)
        m_font.setPointSize(size);
    touch();
}

void TPTCDFont::setFamily(const QString &family)
{
    m_font.setFamily(family);
    touch();
}

void TPTCDBrush::setColor(const QColor &color)
{
    m_color = color;
    m_changed = true;
}

TPTCustomDraw::TPTCustomDraw(
    int drawStage, const QFont &font, const QColor &textColor, const QColor &backColor)
    : m_stage(drawStage)
    , m_font(font, textColor)
    , m_brush(backColor)
{
}

TPTCustomDraw::Result TPTCustomDraw::apply() const
{
    Result result;
    if (m_stage == cdPrePaint) {
        result.notifyItems = true;
        return result;
    }
    if (m_stage != cdItemPrePaint)
        return result;
    if (m_skipDefault) {
        result.skipItem = true;
        return result;
    }
    if (m_font.changed()) {
        result.newFont = true;
        result.font = m_font.font();
        result.newTextColor = m_font.color().isValid();
        result.textColor = m_font.color();
    }
    if (m_brush.changed() && m_brush.color().isValid()) {
        result.newBackColor = true;
        result.backColor = m_brush.color();
    }
    return result;
}

bool TPTCustomDraw::applyTo(QStyleOptionViewItem &option) const
{
    const Result result = apply();
    if (result.skipItem)
        return false;
    if (result.newFont)
        option.font = result.font;
    if (result.newTextColor)
        option.palette.setColor(QPalette::Text, result.textColor);
    if (result.newBackColor)
        option.backgroundBrush = QBrush(result.backColor);
    return true;
}

} // namespace lumisnap
