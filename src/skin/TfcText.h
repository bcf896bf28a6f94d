#pragma once

#include "common/TColor.h"
#include "skin/TfcDisabledColors.h"
#include "skin/TfcExtrudeEffects.h"
#include "skin/TfcShadowEffects.h"

#include <QFlags>
#include <QFont>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>

class QPainter;

namespace lumisnap {

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TfcVAlignment { vaTop, vaVCenter, vaBottom };
enum TfcTextStyle { fclsDefault, fclsLowered, fclsRaised, fclsOutline };
enum TfcTextOption { toShowAccel = 0x1, toShowEllipsis = 0x2 };
Q_DECLARE_FLAGS(TfcTextOptions, TfcTextOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TfcTextOptions)

// Text with a drop shadow, drawn into a host control: the host hands in its font and
// colour for each paint and is called back to repaint, to re-measure itself, and to
// tell whether it is enabled.
class TfcText
{
public:
    struct Host
    {
        std::function<void()> invalidate;
        std::function<void()> adjustBounds;
        std::function<bool()> enabled;
    };

    explicit TfcText(Host host);
    virtual ~TfcText() = default;
    TfcText(const TfcText &) = delete;
    TfcText &operator=(const TfcText &) = delete;

    TAlignment alignment() const { return m_alignment; }
    void setAlignment(TAlignment value) { set(m_alignment, value, false); }
    TfcVAlignment vAlignment() const { return m_vAlignment; }
    void setVAlignment(TfcVAlignment value) { set(m_vAlignment, value, false); }
    int lineSpacing() const { return m_lineSpacing; }
    void setLineSpacing(int value) { set(m_lineSpacing, value, true); }
    TfcTextOptions options() const { return m_options; }
    void setOptions(TfcTextOptions value) { set(m_options, value, true); }
    TColor highlightColor() const { return m_highlightColor; }
    void setHighlightColor(TColor value) { set(m_highlightColor, value, false); }
    TColor shadeColor() const { return m_shadeColor; }
    void setShadeColor(TColor value) { set(m_shadeColor, value, false); }
    TColor outlineColor() const { return m_outlineColor; }
    void setOutlineColor(TColor value) { set(m_outlineColor, value, false); }
    TfcTextStyle style() const { return m_style; }
    void setStyle(TfcTextStyle value) { set(m_style, value, true); }
    bool wordWrap() const { return m_wordWrap; }
    void setWordWrap(bool value) { set(m_wordWrap, value, false); }
    int rotation() const { return m_rotation; }
    void setRotation(int degrees);

    TfcShadowEffects &shadow() { return m_shadow; }
    const TfcShadowEffects &shadow() const { return m_shadow; }
    TfcDisabledColors &disabledColors() { return m_disabledColors; }
    const TfcDisabledColors &disabledColors() const { return m_disabledColors; }
    TfcExtrudeEffects &extrudeEffects() { return m_extrudeEffects; }

    // The host's caption, copied in by the host; lines are cut at CR LF.
    const QString &caption() const { return m_caption; }
    void setCaption(const QString &caption) { m_caption = caption; }

    // Size of the text block alone, without the shadow.
    QSize textBlockSize(const QFont &font, const QRect &paintRect) const;

    // Where text and shadow together go in paintRect: centred, the text at the block's
    // top-left and the shadow at its offset. For auto-size the block is not limited
    // to paintRect.
    QRect textRect(const QFont &font, const QRect &paintRect, bool forAutoSize) const;

    // Shadow first, then (disabled hosts only) the highlight copy, then the text.
    void draw(QPainter &painter, const QRect &paintRect, const QFont &font, TColor fontColor);

private:
    template <typename T> void set(T &field, T value, bool extent)
    {
        if (field == value)
            return;
        field = value;
        changed(extent);
    }
    void changed(bool extentChanged);
    QStringList lines() const;
    QSize lineSize(const QFont &font, const QString &line, int wrapWidth) const;
    int drawFlags() const;
    QRect placedRect(const QFont &font, QRect paintRect) const;
    void drawLines(QPainter &painter, QRect at, TColor colour) const;
    bool hostEnabled() const { return !m_host.enabled || m_host.enabled(); }

    Host m_host;
    TAlignment m_alignment = taLeftJustify;
    TfcDisabledColors m_disabledColors;
    TfcExtrudeEffects m_extrudeEffects;
    TColor m_highlightColor = clBtnHighlight;
    int m_lineSpacing = 5;
    TfcTextOptions m_options = toShowAccel;
    TColor m_outlineColor = clBlack;
    int m_rotation = 0;
    TColor m_shadeColor = clBtnShadow;
    TfcShadowEffects m_shadow;
    TfcTextStyle m_style = fclsDefault;
    QString m_caption;
    TfcVAlignment m_vAlignment = vaTop;
    bool m_wordWrap = false;
};

// The text object as hosts publish it (labels' and buttons' TextOptions).
class TfcCaptionText : public TfcText
{
public:
    using TfcText::TfcText;
};

} // namespace lumisnap
