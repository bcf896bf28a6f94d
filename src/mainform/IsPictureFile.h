#pragma once

#include <QByteArrayView>
#include <QString>

namespace lumisnap {

// The extension of a path: from the last "." that comes after the last "/", with
// the dot; empty when there is none.
QString ExtractFileExt(const QString &path);

// A path is a picture when its extension, upper-cased in ASCII, is ".JPG", ".GIF",
// ".ICO" or ".BMP"; ".jpeg" and friends are not, whatever the loader could read.
bool IsPictureFile(const QString &path);

// The drive scan's test on a raw file name: its extension, lower-cased in ASCII, is
// ".gif", ".jpg", ".ico" or ".bmp". Gives what IsPictureFile gives on the same name.
bool IsPictureName(QByteArrayView name);

} // namespace lumisnap
