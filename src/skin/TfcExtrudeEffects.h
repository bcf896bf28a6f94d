#pragma once

#include "common/TColor.h"

#include <functional>

namespace lumisnap {

enum TfcOrientation { fcTopLeft, fcTopRight, fcBottomLeft, fcBottomRight };

// Extrusion settings; the program leaves them disabled, where they add nothing to
// the text's size or drawing, so only their values are kept.
class TfcExtrudeEffects
{
public:
    explicit TfcExtrudeEffects(std::function<void()> changed)
        : m_changed(std::move(changed))
    {
    }

    int depth() const { return m_depth; }
    bool enabled() const { return m_enabled; }
    TColor farColor() const { return m_farColor; }
    TColor nearColor() const { return m_nearColor; }
    TfcOrientation orientation() const { return m_orientation; }
    bool striated() const { return m_striated; }

    void setDepth(int value) { set(m_depth, value); }
    void setEnabled(bool value) { set(m_enabled, value); }
    void setFarColor(TColor value) { set(m_farColor, value); }
    void setNearColor(TColor value) { set(m_nearColor, value); }
    void setOrientation(TfcOrientation value) { set(m_orientation, value); }
    void setStriated(bool value) { set(m_striated, value); }

private:
    template <typename T> void set(T &field, T value)
    {
        if (field == value)
            return;
        field = value;
        if (m_changed)
            m_changed();
    }

    std::function<void()> m_changed;
    int m_depth = 10;
    bool m_enabled = false;
    TColor m_farColor = clBlack;
    TColor m_nearColor = clBlack;
    TfcOrientation m_orientation = fcBottomRight;
    bool m_striated = false;
};

} // namespace lumisnap
