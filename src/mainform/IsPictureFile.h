#pragma once

#include <QString>

namespace lumisnap {

// The extension of a path: from the last "." that comes after the last "/", with
// the dot; empty when there is none.
QString ExtractFileExt(const QString &path);

// A path is a picture when its extension, upper-cased in ASCII, is ".JPG", ".GIF",
// ".ICO" or ".BMP"; ".jpeg" and friends are not, whatever the loader could read.
bool IsPictureFile(const QString &path);

} // namespace lumisnap
