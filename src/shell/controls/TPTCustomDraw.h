#pragma once

#include "common/TColor.h"

#include <QColor>
#include <QFont>

class QStyleOptionViewItem;

namespace lumisnap {

// The font a custom-draw handler may change: the control's font coloured with the
// surface's text colour. Any setter remembers that a change was made.
class TPTCDFont
{
public:
    TPTCDFont(const QFont &font, const QColor &color)
        : m_font(font)
        , m_color(color)
    {
    }

    const QFont &font() const { return m_font; }
    QColor color() const { return m_color; }
    bool changed() const { return m_changed; }

    void setFont(const QFont &font);
    void setColor(const QColor &color);
    void setColor(TColor color) { setColor(toQColor(color)); }
    void setBold(bool bold);
    void setItalic(bool italic);
    void setPointSize(int size);
    void setFamily(const QString &family);

private:
    void touch() { m_changed = true; }

    QFont m_font;
    QColor m_color;
    bool m_changed = false;
};

// The solid brush of the row's background colour.
class TPTCDBrush
{
public:
    explicit TPTCDBrush(const QColor &color)
        : m_color(color)
    {
    }

    QColor color() const { return m_color; }
    bool changed() const { return m_changed; }
    void setColor(const QColor &color);
    void setColor(TColor color) { setColor(toQColor(color)); }

private:
    QColor m_color;
    bool m_changed = false;
};

// One paint notification of one row or node, handed to the OnCustomDrawSh events.
// A fresh one is made for each notification.
class TPTCustomDraw
{
public:
    enum Stage {
        cdOther = 0,
        cdPrePaint = 1,
        cdPostPaint = 2,
        cdItemPrePaint = 4,
        cdItemPostPaint = 5
    };

    TPTCustomDraw(
        int drawStage, const QFont &font, const QColor &textColor, const QColor &backColor);
    virtual ~TPTCustomDraw() = default;

    TPTCDFont &Font() { return m_font; }
    TPTCDBrush &Brush() { return m_brush; }
    int drawStage() const { return m_stage; }
    bool skipDefault() const { return m_skipDefault; }
    void setSkipDefault(bool skip) { m_skipDefault = skip; }

    // The apply step after the handlers ran.
    struct Result
    {
        bool notifyItems = false; // control pre-paint: per-item notifications wanted
        bool skipItem = false; // item pre-paint with the skip flag: do not draw the row
        bool newFont = false; // item pre-paint: `font` is the row's font
        QFont font;
        bool newTextColor = false;
        QColor textColor;
        bool newBackColor = false;
        QColor backColor;
    };
    Result apply() const;

    // Convenience for item delegates: applies the result to a view item's option
    // (font, text colour, background brush). Returns false when the row is skipped.
    bool applyTo(QStyleOptionViewItem &option) const;

private:
    int m_stage;
    TPTCDFont m_font;
    TPTCDBrush m_brush;
    bool m_skipDefault = false;
};

// The tree's and the list's wrappers: the same object; they exist so handlers can be
// typed per control.
class TPTTvCustomDraw : public TPTCustomDraw
{
public:
    using TPTCustomDraw::TPTCustomDraw;
};

class TPTLvCustomDraw : public TPTCustomDraw
{
public:
    using TPTCustomDraw::TPTCustomDraw;
};

} // namespace lumisnap
