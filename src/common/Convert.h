#pragma once

#include <QString>

namespace lumisnap {

// A decimal integer as a user types it: leading blanks, an optional sign, digits.
// Anything else, or a value past 32 bits, raises EConvertError
// "'<text>' is not a valid integer value".
int StrToInt(const QString &text);

} // namespace lumisnap
