#include "SkinPainter.h"

#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>

#include <cstdio>

// Writes the skin pictures as Windows bitmaps into the given folder.
int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: skingen <forms folder>\n");
        return 2;
    }
    const QDir forms(QString::fromLocal8Bit(argv[1]));
    const struct {
        const char *name;
        QImage image;
    } skins[] = {
        {"MainSkin.bmp", paintMainSkin()},
        {"SplashSkin.bmp", paintSplashSkin()},
        {"AlarmSkin.bmp", paintAlarmSkin()},
    };
    for (const auto &skin : skins) {
        QImageWriter writer(forms.filePath(QString::fromLatin1(skin.name)), "bmp");
        if (!writer.write(skin.image)) {
            std::fprintf(stderr, "%s: %s\n", skin.name, qPrintable(writer.errorString()));
            return 1;
        }
    }
    return 0;
}
