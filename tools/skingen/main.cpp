#include "ButtonFaces.h"
#include "SkinPainter.h"

#include "skin/RegionData.h"
#include "skin/RegionScan.h"
#include "skin/TfcCustomImageBtn.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>

#include <cstdio>

namespace {

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The stored region is exactly what the scan gives, so the program never scans at start.
bool writeRegion(const QString &path, const QImage &picture, lumisnap::TColor transparent)
{
    return writeBytes(path,
        lumisnap::RegionData::toPropertyValue(
            lumisnap::BuildRegionFromBitmap(picture, transparent)));
}

// A button's outline is its face stretched to the button, white left out; no pressed
// outline is stored, so the button keeps its up outline while pressed.
bool writeButtonFace(const QDir &forms, const char *name, const QImage &face)
{
    const QString base = forms.filePath(QString::fromLatin1(name));
    QImageWriter writer(base + QStringLiteral(".bmp"), "bmp");
    if (!writer.write(face)) {
        std::fprintf(stderr, "%s: %s\n", name, qPrintable(writer.errorString()));
        return false;
    }
    const QImage stretched = lumisnap::TfcCustomImageBtn::stretchPicture(face,
        { lumisnap::TfcCustomBitBtn::kDefaultWidth, lumisnap::TfcCustomBitBtn::kDefaultHeight });
    return writeRegion(base + QStringLiteral(".rgn"), stretched, lumisnap::clWhite)
        && writeBytes(base + QStringLiteral("Down.rgn"), lumisnap::RegionData::toPropertyValue({}));
}

bool writeIcons(const QDir &folder)
{
    for (const int size : { 48, 128, 256 }) {
        const QString path = folder.filePath(QStringLiteral("lumisnap-%1.png").arg(size));
        QImageWriter writer(path, "png");
        if (!writer.write(paintAppIcon(size))) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
            return false;
        }
    }
    return true;
}

} // namespace

// Writes the skin pictures as Windows bitmaps, with their stored regions, into the
// forms folder, and the program's icons as PNG into the icons folder when one is given.
int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: skingen <forms folder> [<icons folder>]\n");
        return 2;
    }
    const QDir forms(QString::fromLocal8Bit(argv[1]));
    const struct
    {
        const char *name;
        QImage image;
        lumisnap::TColor transparent;
    } skins[] = {
        { "MainSkin", paintMainSkin(), lumisnap::clBlack },
        { "SplashSkin", paintSplashSkin(), lumisnap::clBlack },
        { "AlarmSkin", paintAlarmSkin(), lumisnap::clWhite },
    };
    for (const auto &skin : skins) {
        const QString base = forms.filePath(QString::fromLatin1(skin.name));
        QImageWriter writer(base + QStringLiteral(".bmp"), "bmp");
        if (!writer.write(skin.image)) {
            std::fprintf(stderr, "%s: %s\n", skin.name, qPrintable(writer.errorString()));
            return 1;
        }
        if (!writeRegion(base + QStringLiteral(".rgn"), skin.image, skin.transparent)) {
            std::fprintf(stderr, "%s: cannot write its region\n", skin.name);
            return 1;
        }
    }
    if (!writeButtonFace(forms, "BackButton", paintBackArrow())
        || !writeButtonFace(forms, "NextButton", paintNextArrow()))
        return 1;
    if (argc == 3 && !writeIcons(QDir(QString::fromLocal8Bit(argv[2]))))
        return 1;
    return 0;
}
