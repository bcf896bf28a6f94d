#include "ScreenSteps.h"

#include "LatencyTable.h"
#include "ViewerProcess.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace bench {
namespace {

// Where the skin puts the main window's controls, in the window's own coordinates.
constexpr int MainWidth = 556, MainHeight = 431;
constexpr Rect PreviewInWindow { 43, 35, 216, 162 };
constexpr Rect ListInWindow { 324, 212, 220, 173 };
constexpr int ListScrollBar = 17; // the horizontal scroll bar along the list's bottom
// The viewer's PREV and NEXT buttons (75 x 25 at 3 and 83 on its bottom panel): where
// their arrows are, left to right.
constexpr int PrevArrowX = 40, NextArrowX = 120;
constexpr int ViewerBottomSearch = 200; // the lowest rows of the screen hold the buttons
constexpr int ViewerSteps = 20;
constexpr int FarStride = 3; // rows between a click and the selection before it

constexpr Milliseconds StepInterval { 1000 };
constexpr Milliseconds StepTimeout { 5000 };
constexpr Milliseconds HoverSettle { 300 };

constexpr std::uint32_t KeyUp = 0xff52, KeyDown = 0xff54, KeyLeft = 0xff51, KeyRight = 0xff53,
                        KeyEscape = 0xff1b, KeyEnd = 0xff57;

// The list's selection colour: strongly blue, unlike its black ground and white text.
bool highlighted(std::uint32_t rgb)
{
    const int r = int(rgb >> 16) & 0xff, b = int(rgb) & 0xff;
    return b > 150 && b > r + 60;
}

// The viewer buttons' arrows: a deep blue, unlike the grey panel and status bar.
bool arrowBlue(std::uint32_t rgb)
{
    const int r = int(rgb >> 16) & 0xff, b = int(rgb) & 0xff;
    return b > 120 && b > r + 90;
}

void writePpm(const std::string &path, const Rect &area, const std::vector<std::uint32_t> &pixels)
{
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << area.width << ' ' << area.height << "\n255\n";
    for (const std::uint32_t pixel : pixels) {
        const char rgb[3] = { char(pixel >> 16), char(pixel >> 8), char(pixel) };
        out.write(rgb, 3);
    }
}

} // namespace

ScreenSteps::ScreenSteps(XSession &session, ViewerProcess &viewer, LatencyTable &table, int run)
    : m_session(session)
    , m_viewer(viewer)
    , m_table(table)
    , m_run(run)
{
}

void ScreenSteps::run(int repeat)
{
    waitForMainWindow();
    arrowKeysInList(repeat);
    farClicks(repeat);
    viewerSteps();
}

void ScreenSteps::waitForMainWindow()
{
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(20);
    while (m_window.width == 0) {
        if (!m_viewer.running() || Clock::now() > deadline)
            throw std::runtime_error("the viewer's main window did not show");
        for (const Rect &window : m_session.windowsOf(m_viewer.pid()))
            if (window.width == MainWidth && window.height == MainHeight)
                m_window = window;
        pause(Milliseconds(50));
    }
    m_preview = PreviewInWindow.moved(m_window.x, m_window.y);
    m_list = ListInWindow.moved(m_window.x, m_window.y);
    pause(Milliseconds(3000)); // the splash shown over the window closes after 2 s
    m_session.drawingIn(m_preview, Milliseconds(500), Milliseconds(500));
    const std::optional<Band> first = selectedBand();
    if (!first)
        throw std::runtime_error("no selected row in the file list: is photo_01.jpg shown?");
    m_firstRow = *first;
    m_rowPitch = first->height;
}

void ScreenSteps::arrowKeysInList(int repeat)
{
    clickAt(m_list.centreX(), rowRect(0).centreY()); // the list takes the keyboard
    for (int i = 0; i < repeat; ++i) {
        measure("list Down -> preview", m_preview, [&] { m_session.key(KeyDown); });
        if (i == 0)
            if (const std::optional<Band> second = selectedBand())
                if (second->top > m_firstRow.top)
                    m_rowPitch = second->top - m_firstRow.top;
    }
    for (int i = 0; i < repeat; ++i)
        measure("list Up -> preview", m_preview, [&] { m_session.key(KeyUp); });
}

void ScreenSteps::farClicks(int repeat)
{
    const int visible = std::max(
        2, (m_list.y + m_list.height - ListScrollBar - m_firstRow.top) / std::max(1, m_rowPitch));
    int row = 0;
    for (int i = 0; i < repeat; ++i) {
        row = (row + FarStride) % visible;
        // A new modification time: whatever the viewer decoded of it before is stale.
        std::filesystem::last_write_time(photo(row), std::filesystem::file_time_type::clock::now());
        const Rect target = rowRect(row);
        m_session.move(m_list.centreX(), target.centreY());
        pause(HoverSettle);
        measure("click far row -> preview", m_preview, [&] { m_session.click(); });
        const std::optional<Band> band = selectedBand();
        if (!band || std::abs(band->top - target.y) > 2)
            std::fprintf(stderr, "run %d: the click on row %d did not select it\n", m_run, row);
    }
}

void ScreenSteps::viewerSteps()
{
    clickAt(m_list.centreX(), rowRect(0).centreY());
    pause(StepInterval);
    const bool peakOfViewer = m_viewer.resetPeakMemory();
    m_session.move(m_preview.centreX(), m_preview.centreY());
    pause(HoverSettle);
    const Rect screen = m_session.screen();
    measure("open viewer (click preview)", screen, [&] { m_session.click(); });
    bool open = false;
    for (const Rect &window : m_session.windowsOf(m_viewer.pid()))
        open = open || (window.width == screen.width && window.height == screen.height);
    if (!open)
        throw std::runtime_error("the full-screen viewer did not open");
    shoot("viewer-photo_01");
    for (int i = 0; i < ViewerSteps; ++i) {
        viewerStep("viewer Right -> next photo", [&] { m_session.key(KeyRight); });
        if (i < 2)
            shoot("viewer-" + std::filesystem::path(photo(i + 1)).stem().string());
    }
    m_table.addMemory(
        peakOfViewer ? "peak, 20 photos in viewer (VmHWM)" : "peak since start (VmHWM)", m_run,
        m_viewer.memoryKb("VmHWM"));
    for (int i = 0; i < ViewerSteps / 2; ++i)
        viewerStep("viewer Left -> previous photo", [&] { m_session.key(KeyLeft); });
    viewerButtons();
    measure("close viewer (Escape)", screen, [&] { m_session.key(KeyEscape); });

    // The list takes the keyboard again (a click on its selected row), then End picks the
    // small picture that sorts last.
    if (const std::optional<Band> band = selectedBand())
        clickAt(m_list.centreX(), band->top + band->height / 2);
    pause(StepInterval);
    m_session.key(KeyEnd);
    pause(Milliseconds(3000));
    m_table.addMemory("after viewer, small picture (VmRSS)", m_run, m_viewer.memoryKb("VmRSS"));
    shoot("main-small");
}

void ScreenSteps::viewerButtons()
{
    const std::optional<int> y = arrowsRow();
    if (!y) {
        std::fprintf(stderr, "run %d: the viewer's NEXT and PREV buttons were not found\n", m_run);
        return;
    }
    const auto press = [&](const std::string &scenario, int x) {
        for (int i = 0; i < ViewerSteps / 2; ++i) {
            m_session.move(x, *y);
            pause(HoverSettle);
            viewerStep(scenario, [&] { m_session.click(); });
        }
    };
    press("viewer NEXT click -> next photo", NextArrowX);
    press("viewer PREV click -> previous photo", PrevArrowX);
}

void ScreenSteps::viewerStep(const std::string &scenario, const std::function<void()> &input)
{
    // A line across the picture: every photograph differs there from the others.
    const Rect screen = m_session.screen();
    const Rect line { 0, screen.height / 2, screen.width, 1 };
    const std::vector<std::uint32_t> before = m_session.grab(line);
    // A button's press shows at once; the step ends with the new picture, however late.
    measure(scenario, screen, input, [&] { return m_session.grab(line) != before; });
    if (m_session.grab(line) == before)
        std::fprintf(
            stderr, "run %d: \"%s\" left the picture as it was\n", m_run, scenario.c_str());
}

std::optional<int> ScreenSteps::arrowsRow()
{
    const Rect screen = m_session.screen();
    const Rect column { NextArrowX, screen.height - ViewerBottomSearch, 1, ViewerBottomSearch };
    const std::vector<std::uint32_t> pixels = m_session.grab(column);
    // From the bottom up: the status bar and the scroll bar, then the arrow; the picture
    // above may be blue too.
    for (int y = column.height - 1; y >= 0; --y) {
        if (!arrowBlue(pixels[std::size_t(y)]))
            continue;
        int top = y;
        while (top > 0 && arrowBlue(pixels[std::size_t(top - 1)]))
            --top;
        return column.y + (top + y) / 2;
    }
    return std::nullopt;
}

void ScreenSteps::measure(const std::string &scenario, const Rect &watched,
    const std::function<void()> &input, const std::function<bool()> &done)
{
    std::this_thread::sleep_until(m_nextStep);
    m_session.discardDamage();
    const ViewerProcess::ThreadTimes before = m_viewer.uiThreadTimes();
    const Clock::time_point start = Clock::now();
    input();
    std::optional<XSession::Drawing> drawing = m_session.drawingIn(watched, m_settle, StepTimeout);
    while (drawing && done && !done() && Clock::now() < start + StepTimeout) {
        const auto later = m_session.drawingIn(watched, m_settle,
            std::chrono::duration_cast<Milliseconds>(start + StepTimeout - Clock::now()));
        if (!later)
            break;
        drawing->last = later->last;
        drawing->rectangles += later->rectangles;
    }
    // Read after the settle time too: the thread is idle by then, so little is added.
    const ViewerProcess::ThreadTimes after = m_viewer.uiThreadTimes();
    m_nextStep = start + StepInterval;
    const auto sinceStart = [&](Clock::time_point at) {
        return std::chrono::duration<double, std::milli>(at - start).count();
    };
    std::optional<double> ms;
    if (drawing)
        ms = sinceStart(drawing->last);
    const double uiRun = after.runMs - before.runMs, uiQueued = after.queuedMs - before.queuedMs;
    m_table.add(scenario, m_run, ms, uiRun, uiQueued);
    if (m_verbose && drawing)
        std::fprintf(stderr,
            "run %d  %-32s last %7.1f ms  first %7.1f ms  %3d rectangles  ui cpu %6.1f ms  "
            "ui wait %6.1f ms\n",
            m_run, scenario.c_str(), *ms, sinceStart(drawing->first), drawing->rectangles, uiRun,
            uiQueued);
    else if (m_verbose)
        std::fprintf(stderr, "run %d  %-32s nothing drawn\n", m_run, scenario.c_str());
    if (!m_viewer.running())
        throw std::runtime_error("the viewer ended during \"" + scenario + "\"");
}

void ScreenSteps::pause(Milliseconds length)
{
    std::this_thread::sleep_for(length);
}

std::optional<ScreenSteps::Band> ScreenSteps::selectedBand()
{
    const Rect column { m_list.x + m_list.width - 50, m_list.y, 1, m_list.height };
    const std::vector<std::uint32_t> pixels = m_session.grab(column);
    for (int y = 0; y < column.height; ++y) {
        if (!highlighted(pixels[std::size_t(y)]))
            continue;
        int end = y;
        while (end < column.height && highlighted(pixels[std::size_t(end)]))
            ++end;
        return Band { column.y + y, end - y };
    }
    return std::nullopt;
}

Rect ScreenSteps::rowRect(int row) const
{
    return { m_list.x, m_firstRow.top + row * m_rowPitch, m_list.width, m_firstRow.height };
}

void ScreenSteps::clickAt(int x, int y)
{
    m_session.move(x, y);
    pause(HoverSettle);
    m_session.click();
    pause(StepInterval);
}

void ScreenSteps::shoot(const std::string &name)
{
    if (m_shots.empty())
        return;
    std::filesystem::create_directories(m_shots);
    const Rect screen = m_session.screen();
    writePpm(m_shots + "/" + name + "-run" + std::to_string(m_run) + ".ppm", screen,
        m_session.grab(screen));
}

std::string ScreenSteps::photo(int row) const
{
    char name[32];
    std::snprintf(name, sizeof name, "/photo_%02d.jpg", row + 1);
    return m_folder + name;
}

} // namespace bench
