#pragma once

#include <QIcon>

#include <functional>

namespace lumisnap {

// An icon that is looked up only when it is first drawn. A theme lookup stats many
// files, and a view asks for every row's icon to lay the rows out long before it draws
// any of them (at start-up, before the splash). Until then the icon claims whatever
// size it is asked for, so the layout keeps room for it.
QIcon lazyIcon(std::function<QIcon()> lookUp);

} // namespace lumisnap
