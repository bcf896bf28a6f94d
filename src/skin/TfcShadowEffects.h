#pragma once

#include "common/TColor.h"

#include <functional>

namespace lumisnap {

// The drop shadow of a text: drawn first, at an offset from the text.
class TfcShadowEffects
{
public:
    // extentChanged tells whether the text's measured size may have changed.
    using Changed = std::function<void(bool extentChanged)>;

    explicit TfcShadowEffects(Changed changed)
        : m_changed(std::move(changed))
    {
    }

    TColor color() const { return m_color; }
    bool enabled() const { return m_enabled; }
    int xOffset() const { return m_xOffset; }
    int yOffset() const { return m_yOffset; }

    void setColor(TColor value) { set(m_color, value, false); }
    void setEnabled(bool value) { set(m_enabled, value, true); }
    void setXOffset(int value) { set(m_xOffset, value, true); }
    void setYOffset(int value) { set(m_yOffset, value, true); }

private:
    template <typename T> void set(T &field, T value, bool extent)
    {
        if (field == value)
            return;
        field = value;
        if (m_changed)
            m_changed(extent);
    }

    Changed m_changed;
    TColor m_color = clBtnShadow;
    bool m_enabled = false;
    int m_xOffset = 10;
    int m_yOffset = 10;
};

} // namespace lumisnap
