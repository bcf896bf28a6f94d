#include "XSession.h"

#include <xcb/xtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>

#include <poll.h>
#include <time.h>

namespace bench {
namespace {

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T> Reply<T> own(T *reply)
{
    return Reply<T>(reply, &std::free);
}

constexpr std::uint8_t Button1 = 1;

} // namespace

XSession::XSession()
    : m_owned(xcb_connect(nullptr, nullptr), &xcb_disconnect)
    , m_connection(m_owned.get())
{
    if (xcb_connection_has_error(m_connection))
        throw std::runtime_error("no X server (is DISPLAY set?)");
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    m_root = screen->root;
    m_screen = { 0, 0, screen->width_in_pixels, screen->height_in_pixels };

    const xcb_query_extension_reply_t *xtest = xcb_get_extension_data(m_connection, &xcb_test_id);
    const xcb_query_extension_reply_t *damage
        = xcb_get_extension_data(m_connection, &xcb_damage_id);
    if (!xtest || !xtest->present || !damage || !damage->present)
        throw std::runtime_error("the X server lacks the XTest or the Damage extension");
    std::free(xcb_damage_query_version_reply(
        m_connection, xcb_damage_query_version(m_connection, 1, 1), nullptr));
    m_damageEvent = damage->first_event + XCB_DAMAGE_NOTIFY;
    m_damage = xcb_generate_id(m_connection);
    xcb_damage_create(m_connection, m_damage, m_root, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);

    const char pidName[] = "_NET_WM_PID";
    if (auto atom = own(xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, sizeof pidName - 1, pidName), nullptr)))
        m_pidAtom = atom->atom;
    xcb_flush(m_connection);
}

XSession::~XSession()
{
    if (m_damage != XCB_NONE)
        xcb_damage_destroy(m_connection, m_damage);
}

std::vector<Rect> XSession::windowsOf(pid_t pid)
{
    std::vector<Rect> found;
    auto tree
        = own(xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr));
    if (!tree)
        return found;
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        const xcb_window_t window = children[i];
        auto attributes = own(xcb_get_window_attributes_reply(
            m_connection, xcb_get_window_attributes(m_connection, window), nullptr));
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
            continue;
        auto property = own(xcb_get_property_reply(m_connection,
            xcb_get_property(m_connection, 0, window, m_pidAtom, XCB_ATOM_CARDINAL, 0, 1),
            nullptr));
        if (!property || xcb_get_property_value_length(property.get()) != 4
            || *static_cast<const std::uint32_t *>(xcb_get_property_value(property.get()))
                != std::uint32_t(pid))
            continue;
        auto geometry = own(
            xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr));
        auto origin = own(xcb_translate_coordinates_reply(
            m_connection, xcb_translate_coordinates(m_connection, window, m_root, 0, 0), nullptr));
        if (geometry && origin)
            found.push_back({ origin->dst_x, origin->dst_y, geometry->width, geometry->height });
    }
    return found;
}

void XSession::fakeInput(std::uint8_t type, std::uint8_t detail, int x, int y)
{
    xcb_test_fake_input(
        m_connection, type, detail, XCB_CURRENT_TIME, m_root, std::int16_t(x), std::int16_t(y), 0);
}

void XSession::move(int x, int y)
{
    fakeInput(XCB_MOTION_NOTIFY, 0, x, y);
    xcb_flush(m_connection);
}

void XSession::click()
{
    fakeInput(XCB_BUTTON_PRESS, Button1);
    fakeInput(XCB_BUTTON_RELEASE, Button1);
    xcb_flush(m_connection);
}

void XSession::key(std::uint32_t keysym)
{
    const std::uint8_t code = keycodeOf(keysym);
    fakeInput(XCB_KEY_PRESS, code);
    fakeInput(XCB_KEY_RELEASE, code);
    xcb_flush(m_connection);
}

std::uint8_t XSession::keycodeOf(std::uint32_t keysym)
{
    const xcb_setup_t *setup = xcb_get_setup(m_connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    auto mapping = own(xcb_get_keyboard_mapping_reply(m_connection,
        xcb_get_keyboard_mapping(m_connection, setup->min_keycode, std::uint8_t(count)), nullptr));
    if (!mapping)
        throw std::runtime_error("cannot read the keyboard mapping");
    const xcb_keysym_t *symbols = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int perCode = mapping->keysyms_per_keycode;
    for (int code = 0; code < count; ++code)
        for (int column = 0; column < perCode; ++column)
            if (symbols[code * perCode + column] == keysym)
                return std::uint8_t(setup->min_keycode + code);
    throw std::runtime_error("no key sends keysym " + std::to_string(keysym));
}

void XSession::discardDamage()
{
    // A round trip, so that every drawing the server has reported is in the queue.
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    while (nextDamage(Clock::now()))
        ;
}

std::optional<Rect> XSession::nextDamage(Clock::time_point deadline)
{
    for (;;) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
            const bool damage = (event->response_type & 0x7f) == m_damageEvent;
            std::optional<Rect> area;
            if (damage) {
                const auto *notify = reinterpret_cast<xcb_damage_notify_event_t *>(event);
                area = Rect { notify->area.x, notify->area.y, notify->area.width,
                    notify->area.height };
            }
            std::free(event);
            if (area)
                return area;
        }
        if (xcb_connection_has_error(m_connection))
            throw std::runtime_error("the X server closed the connection");
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero())
            return std::nullopt;
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        const timespec wait { time_t(ns / 1000000000), long(ns % 1000000000) };
        pollfd fd { xcb_get_file_descriptor(m_connection), POLLIN, 0 };
        ppoll(&fd, 1, &wait, nullptr);
    }
}

std::optional<XSession::Drawing> XSession::drawingIn(
    const Rect &area, Milliseconds settle, Milliseconds timeout)
{
    const Clock::time_point start = Clock::now();
    // Drawing that never stops (an animation) is cut off here.
    const Clock::time_point cutOff = start + 2 * timeout;
    std::optional<Drawing> seen;
    for (;;) {
        const Clock::time_point until
            = seen ? std::min(seen->last + settle, cutOff) : start + timeout;
        const std::optional<Rect> drawn = nextDamage(until);
        if (!drawn)
            return seen;
        if (!drawn->intersects(area))
            continue;
        const Clock::time_point now = Clock::now();
        if (!seen)
            seen = Drawing { now, now, 0 };
        seen->last = now;
        ++seen->rectangles;
    }
}

std::vector<std::uint32_t> XSession::grab(const Rect &area)
{
    auto image = own(xcb_get_image_reply(m_connection,
        xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, std::int16_t(area.x),
            std::int16_t(area.y), std::uint16_t(area.width), std::uint16_t(area.height), ~0u),
        nullptr));
    std::vector<std::uint32_t> pixels(std::size_t(area.width) * std::size_t(area.height));
    if (!image || std::size_t(xcb_get_image_data_length(image.get())) < pixels.size() * 4)
        throw std::runtime_error("cannot read the screen (not a 24-bit screen?)");
    std::memcpy(pixels.data(), xcb_get_image_data(image.get()), pixels.size() * 4);
    for (std::uint32_t &pixel : pixels)
        pixel &= 0xffffff;
    return pixels;
}

} // namespace bench
