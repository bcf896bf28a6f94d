#pragma once

#include "shell/namespace/ShellTypes.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace lumisnap {

// One mounted file system a user sees as a drive.
struct DriveInfo
{
    QByteArray mountPoint; // raw bytes, no trailing "/" except for "/" itself
    QString label; // shown name: "File System" for "/", else volume label or mount point
    QByteArray fsType;
    QByteArray device;
    DriveType type = DriveType::Fixed;
};

// One line of the mount table.
struct MountEntry
{
    QByteArray root; // the mounted sub-tree of the file system ("/" unless a bind mount)
    QByteArray mountPoint;
    QByteArray fsType;
    QByteArray device;
};

// The drives of the mount table: "/" and mounts under /home, /media, /run/media and
// /mnt, in mount-table order ("/" first). Pseudo, snap and container mounts are left out.
class DriveList
{
public:
    // Reads /proc/self/mountinfo (or `mountInfoPath`, for tests).
    static QList<DriveInfo> read(const QString &mountInfoPath = QString());
    // The mount table's text (/proc/self/mountinfo, or `mountInfoPath`); empty when it
    // cannot be read.
    static QByteArray readMountInfo(const QString &mountInfoPath = QString());
    // Parses mountinfo text; exposed for tests. `labels` false skips the label lookup.
    static QList<DriveInfo> parse(const QByteArray &mountInfo, bool labels = true);
    static QList<MountEntry> parseMounts(const QByteArray &mountInfo);
    // The drives among parsed mounts.
    static QList<DriveInfo> drivesOf(const QList<MountEntry> &mounts, bool labels = true);
    static bool isUserDrive(const MountEntry &mount);

    static DriveType typeOf(
        const QByteArray &fsType, const QByteArray &mountPoint, const QByteArray &device);

    // The mount point of the file system holding `path` (lossless text), with a
    // trailing "/" ("/" or "/media/usb/"); "" for an empty path.
    static QString mountPointOf(const QString &path, const QString &mountInfoPath = QString());
};

} // namespace lumisnap
