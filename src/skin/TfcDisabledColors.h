#pragma once

#include "common/TColor.h"

#include <functional>

namespace lumisnap {

// The colours a disabled host draws its text in: the shade for shadow and text, the
// highlight (unless clNone) for a copy one pixel right and down.
class TfcDisabledColors
{
public:
    explicit TfcDisabledColors(std::function<void()> changed)
        : m_changed(std::move(changed))
    {
    }

    TColor highlightColor() const { return m_highlightColor; }
    TColor shadeColor() const { return m_shadeColor; }

    void setHighlightColor(TColor value) { set(m_highlightColor, value); }
    void setShadeColor(TColor value) { set(m_shadeColor, value); }

private:
    void set(TColor &field, TColor value)
    {
        if (field == value)
            return;
        field = value;
        if (m_changed)
            m_changed();
    }

    std::function<void()> m_changed;
    TColor m_highlightColor = clBtnHighlight;
    TColor m_shadeColor = clBtnShadow;
};

} // namespace lumisnap
