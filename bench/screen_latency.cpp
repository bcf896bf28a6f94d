// Input-to-screen time of the viewer on a real X server, as a user meets it:
//   screen_latency <lumisnap> <folder> [--runs N] [--repeat N] [--settle MS] [--shots DIR]
//                  [--verbose]
// The folder is what make_photos writes (photo_01.jpg .. photo_NN.jpg, N >= 22, and
// small.jpg). Each run starts the viewer on photo_01.jpg and, one step a second, sends
// keys and clicks with XTest and times each from just before the input to the last
// drawing it causes (Damage): the last drawing in the area watched after which nothing
// is drawn there for the settle time. Prints a table over all runs and the load average.
#include "LatencyTable.h"
#include "ScreenSteps.h"
#include "ViewerProcess.h"
#include "XSession.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <unistd.h>

namespace {

using namespace bench;

struct Options
{
    std::string program, folder, shots;
    int runs = 1;
    int repeat = 10;
    int settleMs = 150;
    bool verbose = false;
};

Options parse(int argc, char **argv)
{
    Options options;
    if (argc < 3)
        throw std::runtime_error("usage: screen_latency <lumisnap> <folder> [--runs N] "
                                 "[--repeat N] [--settle MS] [--shots DIR] [--verbose]");
    options.program = argv[1];
    // Absolute, so that the viewer never reads it as an option.
    options.folder = std::filesystem::absolute(argv[2]).lexically_normal().string();
    for (int i = 3; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--verbose") {
            options.verbose = true;
            continue;
        }
        if (i + 1 == argc)
            throw std::runtime_error(name + " needs a value");
        const char *value = argv[++i];
        if (name == "--runs")
            options.runs = std::max(1, std::atoi(value));
        else if (name == "--repeat")
            options.repeat = std::max(1, std::atoi(value));
        else if (name == "--settle")
            options.settleMs = std::max(1, std::atoi(value));
        else if (name == "--shots")
            options.shots = value;
        else
            throw std::runtime_error("unknown option " + name);
    }
    for (const char *needed : { "photo_22.jpg", "small.jpg" })
        if (!std::filesystem::exists(std::filesystem::path(options.folder) / needed))
            throw std::runtime_error(
                options.folder + " lacks " + needed + ": fill it with " + "make_photos first");
    return options;
}

std::string loadAverage()
{
    std::ifstream file("/proc/loadavg");
    std::string one, five, fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

} // namespace

int main(int argc, char **argv)
{
    try {
        const Options options = parse(argc, argv);
        XSession session;
        LatencyTable table;
        const std::string loadBefore = loadAverage();
        for (int run = 1; run <= options.runs; ++run) {
            ViewerProcess viewer(options.program, options.folder + "/photo_01.jpg");
            ScreenSteps steps(session, viewer, table, run);
            steps.setSettle(Milliseconds(options.settleMs));
            steps.setFolder(options.folder);
            steps.setShots(options.shots);
            steps.setVerbose(options.verbose);
            steps.run(options.repeat);
            std::fprintf(stderr, "run %d done\n", run);
        }
        std::printf("screen %dx%d, %u cores, settle %d ms, %d run(s), one step a second\n",
            session.screen().width, session.screen().height, std::thread::hardware_concurrency(),
            options.settleMs, options.runs);
        std::printf(
            "load average before: %s, after: %s\n", loadBefore.c_str(), loadAverage().c_str());
        table.print(stdout);
        return 0;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "screen_latency: %s\n", error.what());
        return 1;
    }
}
