#include "ViewerProcess.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace bench {

ViewerProcess::ViewerProcess(const std::string &program, const std::string &picture)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "screen_latency.XXXXXX");
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary home folder");
    m_home = pattern;
    std::filesystem::create_directories(m_home / "Desktop");
    std::filesystem::create_directories(m_home / ".config");
    std::filesystem::create_directories(m_home / "run");
    std::filesystem::permissions(m_home / "run", std::filesystem::perms::owner_all);

    m_pid = fork();
    if (m_pid < 0) {
        std::filesystem::remove_all(m_home);
        throw std::runtime_error("cannot start the viewer");
    }
    if (m_pid == 0) {
        setenv("HOME", m_home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_home / ".config").c_str(), 1);
        setenv("XDG_CACHE_HOME", (m_home / ".cache").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (m_home / "run").c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        unsetenv("WAYLAND_DISPLAY");
        execl(program.c_str(), program.c_str(), picture.c_str(), static_cast<char *>(nullptr));
        std::perror(program.c_str());
        _exit(127);
    }
}

ViewerProcess::~ViewerProcess()
{
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(m_home, ignored);
}

bool ViewerProcess::running()
{
    if (m_pid > 0 && waitpid(m_pid, nullptr, WNOHANG) == m_pid)
        m_pid = -1; // reaped: never signal a number the system may give again
    return m_pid > 0;
}

ViewerProcess::ThreadTimes ViewerProcess::uiThreadTimes() const
{
    const std::string id = std::to_string(m_pid);
    std::ifstream schedstat("/proc/" + id + "/task/" + id + "/schedstat");
    double runNs = 0, queuedNs = 0;
    schedstat >> runNs >> queuedNs;
    return { runNs / 1e6, queuedNs / 1e6 };
}

bool ViewerProcess::resetPeakMemory()
{
    std::ofstream clear("/proc/" + std::to_string(m_pid) + "/clear_refs");
    clear << "5\n";
    clear.flush();
    return bool(clear);
}

long ViewerProcess::memoryKb(const std::string &field) const
{
    std::ifstream status("/proc/" + std::to_string(m_pid) + "/status");
    const std::string prefix = field + ":";
    for (std::string line; std::getline(status, line);)
        if (line.rfind(prefix, 0) == 0)
            return std::atol(line.c_str() + prefix.size());
    return -1;
}

} // namespace bench
