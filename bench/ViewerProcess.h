#pragma once

#include <filesystem>
#include <string>

#include <sys/types.h>

namespace bench {

// The viewer started on a picture, as a user of an empty account would start it: a home
// folder and runtime folder of its own (so no running viewer takes the start over), on
// the X server of DISPLAY. Ended when this goes.
class ViewerProcess
{
public:
    ViewerProcess(const std::string &program, const std::string &picture);
    ~ViewerProcess();
    ViewerProcess(const ViewerProcess &) = delete;
    ViewerProcess &operator=(const ViewerProcess &) = delete;

    pid_t pid() const { return m_pid; }
    bool running();
    struct ThreadTimes
    {
        double runMs = 0; // on a core
        double queuedMs = 0; // ready to run, waiting for a core
    };
    // The scheduler's account of the user-interface (first) thread so far.
    ThreadTimes uiThreadTimes() const;
    // Starts VmHWM afresh from the present resident size (false where the kernel refuses).
    bool resetPeakMemory();
    // A "Vm...:" line of /proc/PID/status in kB ("VmRSS", "VmHWM"), or -1.
    long memoryKb(const std::string &field) const;

private:
    std::filesystem::path m_home;
    pid_t m_pid = -1;
};

} // namespace bench
