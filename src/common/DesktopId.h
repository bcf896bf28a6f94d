#pragma once

#include <QString>

namespace lumisnap {

// The program's name on the desktop: its entry file (DesktopId + ".desktop"), its icon
// and AppStream id, and the application id its windows carry.
extern const QString DesktopId;

} // namespace lumisnap
