#pragma once

// A home for the drive scan's tests: its desktop holds three folders that a mount table
// of the test's own makes drives of: a camera card with pictures at several depths
// (and what a scan must pass by), a card of forty pictures, an empty one and one for a
// very deep tree. Set it up
// before the application object, install its shell model after.

#include "MainFormSandbox.h"

#include "common/FileName.h"
#include "shell/namespace/PosixShellModel.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace sandbox {

struct Drives
{
    QTemporaryDir dir;
    QString desktop = dir.filePath("home/Desktop");
    QString camera = desktop + "/Camera";
    QString forty = desktop + "/Forty";
    QString empty = desktop + "/Empty";
    QString deep = desktop + "/Deep"; // filled by the test that needs it
    // The camera's pictures in the order the scan list must show them.
    QStringList cameraPictures;
    // Its one picture whose name is not UTF-8 (lossless text, FileName.h).
    QString cameraOddName;

    QString path(const QString &relative) const { return dir.filePath(relative); }

    Drives()
    {
        QDir root(dir.path());
        for (const char *folder :
            { "home/.config", "home/Desktop/Camera/Sub/Deep", "home/Desktop/Camera/.thumbs",
                "home/Desktop/Forty", "home/Desktop/Empty/Notes", "home/Desktop/Deep" })
            root.mkpath(QString::fromLatin1(folder));
        fillCamera();
        for (int i = 0; i < 40; ++i)
            writePicture(forty + QStringLiteral("/p%1.bmp").arg(i, 2, 10, QLatin1Char('0')),
                { 10 + i, 10 }, photoColour(i));
        writeBytes(empty + "/notes.txt", "no pictures here\n");
        writeBytes(empty + "/Notes/readme.gif.txt", "nor here\n");
        writeMountTable();
        qputenv("HOME", path("home").toUtf8());
        qputenv("XDG_CONFIG_HOME", path("home/.config").toUtf8());
        qunsetenv("XDG_DESKTOP_DIR");
    }

    void fillCamera()
    {
        writePicture(camera + "/a.Bmp", { 60, 40 }, Qt::red);
        writePicture(camera + "/b.jpg", { 40, 60 }, Qt::blue);
        writeBytes(camera + "/CAT.GIF", "GIF89a");
        writeBytes(camera + "/img10.jpg", "later than img2");
        writeBytes(camera + "/img2.jpg", "sooner than img10");
        writeBytes(camera + "/notes.txt", "not a picture\n");
        writeBytes(camera + "/.hidden.jpg", "dot names are left out");
        writeBytes(camera + "/.thumbs/t.jpg", "so are dot folders");
        writeBytes(camera + "/Sub/y.jpg", "one level down");
        writeBytes(camera + "/Sub/Deep/z.gif", "two levels down");
        const QByteArray card = QFile::encodeName(camera);
        const QByteArray oddName = card + "/f\xe9te.jpg"; // Latin-1, not UTF-8
        const int fd = ::open(oddName.constData(), O_CREAT | O_WRONLY, 0644);
        if (fd < 0)
            std::abort();
        ::close(fd);
        cameraOddName = lumisnap::decodeFileName(oddName);
        // A loop and a second way into Sub: neither is followed.
        if (::symlink(".", (card + "/loop").constData()) != 0
            || ::symlink("Sub", (card + "/Linked").constData()) != 0)
            std::abort();
        for (const char *name :
            { "a.Bmp", "b.jpg", "CAT.GIF", "img2.jpg", "img10.jpg", "Sub/Deep/z.gif", "Sub/y.jpg" })
            cameraPictures << camera + '/' + QLatin1String(name);
    }

    void writeMountTable() const
    {
        QByteArray table = "22 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw\n";
        int id = 40;
        for (const QString &drive : { camera, forty, empty, deep })
            table += QByteArray::number(id++) + " 22 8:2 / " + QFile::encodeName(drive)
                + " rw,relatime - vfat /dev/sdb1 rw\n";
        writeBytes(path("mountinfo"), table);
    }

    void install() const
    {
        lumisnap::PosixShellModel::Options options;
        options.homePath = path("home");
        options.desktopPath = desktop;
        options.mountInfoPath = path("mountinfo");
        lumisnap::setShellModel(std::make_shared<lumisnap::PosixShellModel>(options));
    }
};

} // namespace sandbox
