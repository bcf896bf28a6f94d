#include "common/DesktopId.h"

namespace lumisnap {

// The build sets it, so the installed files and the program always agree.
const QString DesktopId = QStringLiteral(LUMISNAP_DESKTOP_ID);

} // namespace lumisnap
