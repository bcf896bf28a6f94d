#pragma once

#include <QString>

namespace lumisnap {

class Application;
class SingleInstance;

// Creates the windows in their fixed order, shows the splash, runs the event loop.
// Once the main window shows, it opens `path` (a file or folder, lossless and absolute;
// none when empty) as the user's clicks would; the paths later starts hand over through
// `instance` are opened the same way. Returns the process's exit code.
int runStartup(
    Application &app, const QString &path = QString(), SingleInstance *instance = nullptr);

} // namespace lumisnap
