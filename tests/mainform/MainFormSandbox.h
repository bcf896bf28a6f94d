#pragma once

// A home folder for the main window's tests: a desktop with a few pictures, a folder
// of twelve photos and a folder without pictures. It must be set up before the
// application object, so that the desktop and home locations point into it.

#include "mainform/TMainForm.h"
#include "shell/controls/TPTShListData.h"
#include "shell/controls/TPTShellList.h"
#include "shell/namespace/ShellModel.h"

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <cstdlib>

namespace sandbox {

inline QColor photoColour(int number)
{
    return QColor::fromHsv((number * 29) % 360, 200, 220);
}

inline void writePicture(const QString &path, QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    if (!image.save(path))
        std::abort();
}

inline void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        std::abort();
}

// A JPEG whose header is sound but whose data breaks off at a stray marker half way:
// it loads, and fails only when first drawn, with its upper rows decoded.
inline QByteArray damagedJpeg(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "jpeg"))
        std::abort();
    const qsizetype scan = bytes.indexOf("\xff\xda");
    const qsizetype start = scan + 2 + ((uchar(bytes[scan + 2]) << 8) | uchar(bytes[scan + 3]));
    return bytes.replace(start + (bytes.size() - start) / 2, 2, "\xff\xd8");
}

struct Home
{
    QTemporaryDir dir;

    QString path(const QString &relative) const { return dir.filePath(relative); }

    Home()
    {
        QDir root(dir.path());
        root.mkpath(QStringLiteral(".config"));
        root.mkpath(QStringLiteral("Desktop/Holiday"));
        root.mkpath(QStringLiteral("Desktop/Empty"));
        writePicture(path("Desktop/a_red.bmp"), { 100, 50 }, Qt::red);
        writePicture(path("Desktop/b_wide.jpg"), { 300, 200 }, QColor(0, 160, 0));
        writeBytes(path("Desktop/c_broken.gif"), "GIF89a this is not a picture");
        writeBytes(path("Desktop/d_damaged.jpg"), damagedJpeg({ 64, 64 }, Qt::blue));
        writeBytes(path("Desktop/notes.txt"), "not a picture\n");
        writeBytes(path("Desktop/Empty/readme.txt"), "nothing to see\n");
        for (int i = 1; i <= 12; ++i)
            writePicture(
                path(QStringLiteral("Desktop/Holiday/photo%1.bmp").arg(i, 2, 10, QLatin1Char('0'))),
                { 60, 40 }, photoColour(i));
        qputenv("HOME", dir.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", path(".config").toUtf8());
        qunsetenv("XDG_DESKTOP_DIR");
    }
};

// The row of the file list whose path ends in name, or -1.
inline int rowOf(lumisnap::TPTShellList *list, const QString &name)
{
    for (int i = 0; i < list->Count(); ++i) {
        if (list->ItemData(i)->Path().endsWith(QLatin1Char('/') + name))
            return i;
    }
    return -1;
}

inline lumisnap::IdList idListOf(const QString &path)
{
    return lumisnap::shellModel().desktopFolder()->parseDisplayName(path);
}

} // namespace sandbox
