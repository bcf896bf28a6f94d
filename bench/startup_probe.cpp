// Starts a program and reports, from outside it, when its first window is on the
// screen and how much memory it holds a while later:
//   startup_probe <seconds> <program> [arguments...]
// prints "visible_ms=<ms from exec> cpu_ms=<CPU time the program had used by then>
// rss_kb=<resident kB <seconds> after that>". The CPU time barely moves when other
// work shares the machine, so it compares runs on a busy machine too.
// It watches the X server: the first top-level window mapped, then the screen under it
// until a pixel there differs from the (black) root window.
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

struct Area
{
    int16_t x = 0, y = 0;
    uint16_t width = 0, height = 0;
};

xcb_window_t waitForFirstMap(xcb_connection_t *connection)
{
    while (xcb_generic_event_t *event = xcb_wait_for_event(connection)) {
        const auto type = event->response_type & ~0x80;
        xcb_window_t window = XCB_NONE;
        if (type == XCB_MAP_NOTIFY)
            window = reinterpret_cast<xcb_map_notify_event_t *>(event)->window;
        std::free(event);
        if (window != XCB_NONE)
            return window;
    }
    return XCB_NONE;
}

Area areaOf(xcb_connection_t *connection, xcb_window_t window)
{
    Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr),
        &std::free);
    if (!geometry)
        return {};
    return { geometry->x, geometry->y, geometry->width, geometry->height };
}

// True once anything but black shows in the area of the root window.
bool somethingShows(xcb_connection_t *connection, xcb_window_t root, const Area &area)
{
    Reply<xcb_get_image_reply_t> image(xcb_get_image_reply(connection,
                                           xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP,
                                               root, area.x, area.y, area.width, area.height, ~0u),
                                           nullptr),
        &std::free);
    if (!image)
        return false;
    const uint8_t *data = xcb_get_image_data(image.get());
    const int length = xcb_get_image_data_length(image.get());
    for (int i = 0; i < length; ++i)
        if (data[i] != 0)
            return true;
    return false;
}

// CPU time of all the program's threads so far, from the scheduler's own account.
double cpuMs(pid_t pid)
{
    double total = 0;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    for (const auto &task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream schedstat(task.path() / "schedstat");
        double runNs = 0;
        if (schedstat >> runNs)
            total += runNs / 1e6;
    }
    return total;
}

long residentKb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: startup_probe <seconds> <program> [arguments...]\n");
        return 2;
    }
    const double settleSeconds = std::atof(argv[1]);
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "startup_probe: no X server\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);

    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[2], argv + 2);
        std::perror("exec");
        _exit(127);
    }
    const xcb_window_t window = waitForFirstMap(connection);
    const Area area = areaOf(connection, window);
    while (!somethingShows(connection, root, area))
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    const double visibleMs
        = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const double usedMs = cpuMs(pid);

    std::this_thread::sleep_for(std::chrono::duration<double>(settleSeconds));
    const long rss = residentKb(pid);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    xcb_disconnect(connection);
    std::printf("visible_ms=%.2f cpu_ms=%.2f rss_kb=%ld\n", visibleMs, usedMs, rss);
    return 0;
}
