#pragma once

#include "skin/SkinSetup.h"

#include <QString>

namespace lumisnap::FormResources {

// A window's skin as its design stores it: the picture named name.bmp, read by the
// program's own bitmap reader, and its stored region name.rgn.
SkinDesign skinDesign(const QString &name, TColor transparentColor, int dragTolerance);

// An image button's face name.bmp and its stored regions name.rgn and nameDown.rgn.
ImageButtonDesign buttonDesign(const QString &name);

// The drive scan's busy indicator: an animated GIF stream.
QByteArray busyIndicator();

inline const QString MainSkin = QStringLiteral("MainSkin");
inline const QString SplashSkin = QStringLiteral("SplashSkin");
inline const QString AlarmSkin = QStringLiteral("AlarmSkin");
inline const QString BackButton = QStringLiteral("BackButton");
inline const QString NextButton = QStringLiteral("NextButton");

} // namespace lumisnap::FormResources
