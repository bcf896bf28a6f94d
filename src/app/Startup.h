#pragma once

namespace lumisnap {

class Application;

// Creates the windows in their fixed order, shows the splash, runs the event loop.
// Returns the process's exit code.
int runStartup(Application &app);

} // namespace lumisnap
