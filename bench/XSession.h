#pragma once

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include <sys/types.h>

namespace bench {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

struct Rect
{
    int x = 0, y = 0, width = 0, height = 0;

    bool intersects(const Rect &other) const
    {
        return x < other.x + other.width && other.x < x + width && y < other.y + other.height
            && other.y < y + height;
    }
    Rect moved(int dx, int dy) const { return { x + dx, y + dy, width, height }; }
    int centreX() const { return x + width / 2; }
    int centreY() const { return y + height / 2; }
};

// A client of the X server that sends input as a user would (XTest) and sees every
// drawing on the screen (Damage on the root window, one event per drawn rectangle).
class XSession
{
public:
    XSession(); // throws std::runtime_error without a server or its extensions
    ~XSession();
    XSession(const XSession &) = delete;
    XSession &operator=(const XSession &) = delete;

    Rect screen() const { return m_screen; }

    // The mapped top-level windows of a process, by _NET_WM_PID.
    std::vector<Rect> windowsOf(pid_t pid);

    void move(int x, int y);
    void click(); // button 1 down and up where the pointer is
    void key(std::uint32_t keysym); // down and up

    // Forgets the drawing seen so far.
    void discardDamage();
    struct Drawing
    {
        Clock::time_point first, last;
        int rectangles = 0;
    };
    // Waits for drawing that touches `area` and then stops for `settle`: when it began
    // and ended, or nothing when none came within `timeout`.
    std::optional<Drawing> drawingIn(const Rect &area, Milliseconds settle, Milliseconds timeout);

    // The screen's pixels in `area`, as 0x00RRGGBB.
    std::vector<std::uint32_t> grab(const Rect &area);

private:
    void fakeInput(std::uint8_t type, std::uint8_t detail, int x = 0, int y = 0);
    std::uint8_t keycodeOf(std::uint32_t keysym);
    // The next damaged rectangle, or nothing when none comes before `deadline`.
    std::optional<Rect> nextDamage(Clock::time_point deadline);

    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> m_owned;
    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = XCB_NONE;
    Rect m_screen;
    xcb_damage_damage_t m_damage = XCB_NONE;
    std::uint8_t m_damageEvent = 0;
    xcb_atom_t m_pidAtom = XCB_NONE;
};

} // namespace bench
