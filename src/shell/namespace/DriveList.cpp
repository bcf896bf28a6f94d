#include "shell/namespace/DriveList.h"

#include "common/FileName.h"

#include <QFile>
#include <QHash>

#include <dirent.h>

#include <climits>
#include <cstdlib>

namespace lumisnap {

namespace {

const QByteArray DefaultMountInfo = QByteArrayLiteral("/proc/self/mountinfo");
constexpr qint64 MountInfoLimit = 16 * 1024 * 1024;

// Mount-table fields escape blanks, tabs, newlines and backslashes as \ooo.
QByteArray unescapeOctal(const QByteArray &field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool ok = digits.size() == 3;
            const int value = ok ? digits.toInt(&ok, 8) : 0;
            if (ok && value < 256) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(c);
    }
    return out;
}

bool startsWithDir(const QByteArray &path, const QByteArray &dir)
{
    return path == dir || path.startsWith(dir + '/');
}

bool isPseudoFileSystem(const QByteArray &fsType)
{
    static const QList<QByteArray> pseudo = {
        "proc",
        "sysfs",
        "devtmpfs",
        "devpts",
        "cgroup",
        "cgroup2",
        "securityfs",
        "debugfs",
        "tracefs",
        "pstore",
        "bpf",
        "autofs",
        "mqueue",
        "hugetlbfs",
        "fusectl",
        "configfs",
        "binfmt_misc",
        "nsfs",
        "squashfs",
        "efivarfs",
        "rpc_pipefs",
        "fuse.gvfsd-fuse",
        "fuse.portal",
        "fuse.snapfuse",
        "overlay",
        "aufs",
        "shiftfs",
    };
    return pseudo.contains(fsType);
}

bool isRemovableBlockDevice(const QByteArray &device)
{
    if (!device.startsWith("/dev/"))
        return false;
    const QByteArray name = device.mid(device.lastIndexOf('/') + 1);
    char resolved[PATH_MAX];
    const QByteArray link = "/sys/class/block/" + name;
    if (!::realpath(link.constData(), resolved))
        return false;
    // A partition's flag lives on its whole disk, one level up.
    const QByteArray node(resolved);
    for (const QByteArray &dir : { node, node.left(node.lastIndexOf('/')) }) {
        QFile flag(QString::fromLocal8Bit(dir + "/removable"));
        if (flag.open(QIODevice::ReadOnly))
            return flag.read(4).trimmed() == "1";
    }
    return false;
}

// udev escapes unsafe bytes in link names as \xNN.
QByteArray unescapeHex(const QByteArray &name)
{
    QByteArray out;
    for (qsizetype i = 0; i < name.size(); ++i) {
        bool ok = false;
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
            const int value = name.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(name[i]);
    }
    return out;
}

// Volume labels by the resolved device they name, from udev's by-label links. Asking
// the file system itself (statfs) could block on a remote mount that no longer answers.
QHash<QByteArray, QString> volumeLabels()
{
    QHash<QByteArray, QString> labels;
    const QByteArray byLabel("/dev/disk/by-label/");
    DIR *dir = ::opendir(byLabel.constData());
    if (!dir)
        return labels;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        char target[PATH_MAX];
        if (name != "." && name != ".." && ::realpath((byLabel + name).constData(), target))
            labels.insert(QByteArray(target), displayFileName(decodeFileName(unescapeHex(name))));
    }
    ::closedir(dir);
    return labels;
}

QString driveLabel(const MountEntry &mount, const QHash<QByteArray, QString> &labels)
{
    if (mount.mountPoint == "/")
        return QStringLiteral("File System");
    char resolvedDevice[PATH_MAX];
    if (!labels.isEmpty() && mount.device.startsWith("/dev/")
        && ::realpath(mount.device.constData(), resolvedDevice)) {
        const QString label = labels.value(QByteArray(resolvedDevice));
        if (!label.isEmpty())
            return label;
    }
    return displayFileName(decodeFileName(mount.mountPoint));
}

} // namespace

QList<MountEntry> DriveList::parseMounts(const QByteArray &mountInfo)
{
    QList<MountEntry> mounts;
    QHash<QByteArray, qsizetype> latest; // mount point -> index of its visible mount
    for (const QByteArray &line : mountInfo.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype separator = fields.indexOf(QByteArray("-"));
        if (fields.size() < 6 || separator < 6 || separator + 2 >= fields.size())
            continue;
        MountEntry mount;
        mount.root = unescapeOctal(fields[3]);
        mount.mountPoint = unescapeOctal(fields[4]);
        mount.fsType = fields[separator + 1];
        mount.device = unescapeOctal(fields[separator + 2]);
        if (!mount.mountPoint.startsWith('/'))
            continue;
        // A later mount on the same point hides the earlier one.
        if (const auto hidden = latest.constFind(mount.mountPoint); hidden != latest.constEnd())
            mounts[*hidden].mountPoint.clear();
        latest.insert(mount.mountPoint, mounts.size());
        mounts.append(mount);
    }
    mounts.removeIf([](const MountEntry &m) { return m.mountPoint.isEmpty(); });
    return mounts;
}

bool DriveList::isUserDrive(const MountEntry &mount)
{
    const QByteArray &point = mount.mountPoint;
    if (point == "/")
        return true;
    if (isPseudoFileSystem(mount.fsType) || mount.root != "/")
        return false;
    return startsWithDir(point, "/home") || startsWithDir(point, "/media")
        || startsWithDir(point, "/run/media") || startsWithDir(point, "/mnt");
}

DriveType DriveList::typeOf(
    const QByteArray &fsType, const QByteArray &mountPoint, const QByteArray &device)
{
    static const QList<QByteArray> remote = {
        "nfs",
        "nfs4",
        "cifs",
        "smb3",
        "smbfs",
        "ncpfs",
        "9p",
        "afs",
        "ceph",
        "glusterfs",
        "davfs",
        "fuse.sshfs",
        "fuse.davfs",
        "fuse.rclone",
        "fuse.glusterfs",
        "fuse.ceph",
    };
    if (fsType == "iso9660" || fsType == "udf")
        return DriveType::CdRom;
    if (remote.contains(fsType))
        return DriveType::Remote;
    if (fsType == "tmpfs" || fsType == "ramfs")
        return DriveType::RamDisk;
    if (startsWithDir(mountPoint, "/media") || startsWithDir(mountPoint, "/run/media")
        || isRemovableBlockDevice(device))
        return DriveType::Removable;
    return DriveType::Fixed;
}

QList<DriveInfo> DriveList::drivesOf(const QList<MountEntry> &mounts, bool labels)
{
    QList<DriveInfo> drives;
    QHash<QByteArray, QString> volumeNames;
    if (labels)
        volumeNames = volumeLabels();
    for (const MountEntry &mount : mounts) {
        if (!isUserDrive(mount))
            continue;
        DriveInfo drive;
        drive.mountPoint = mount.mountPoint;
        drive.fsType = mount.fsType;
        drive.device = mount.device;
        drive.type = typeOf(mount.fsType, mount.mountPoint, mount.device);
        drive.label = driveLabel(mount, volumeNames);
        if (drive.mountPoint == "/")
            drives.prepend(drive);
        else
            drives.append(drive);
    }
    return drives;
}

QList<DriveInfo> DriveList::parse(const QByteArray &mountInfo, bool labels)
{
    return drivesOf(parseMounts(mountInfo), labels);
}

QByteArray DriveList::readMountInfo(const QString &mountInfoPath)
{
    QFile file(mountInfoPath.isEmpty() ? QString::fromLatin1(DefaultMountInfo) : mountInfoPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // A proc file reports size 0, and read(limit) would reserve the whole limit (and
    // keep it as spare capacity): read in pieces up to the bound instead.
    QByteArray text;
    char piece[16 * 1024];
    while (text.size() < MountInfoLimit) {
        const qint64 got = file.read(piece, qint64(sizeof piece));
        if (got <= 0)
            break;
        text.append(piece, qsizetype(got));
    }
    text.squeeze();
    return text;
}

QList<DriveInfo> DriveList::read(const QString &mountInfoPath)
{
    return parse(readMountInfo(mountInfoPath));
}

QString DriveList::mountPointOf(const QString &path, const QString &mountInfoPath)
{
    if (path.isEmpty())
        return QString();
    QByteArray bytes = encodeFileName(path);
    char resolved[PATH_MAX];
    if (::realpath(bytes.constData(), resolved))
        bytes = resolved;
    QByteArray best = "/";
    for (const MountEntry &mount : parseMounts(readMountInfo(mountInfoPath))) {
        if (mount.mountPoint.size() > best.size() && startsWithDir(bytes, mount.mountPoint))
            best = mount.mountPoint;
    }
    if (!best.endsWith('/'))
        best.append('/');
    return decodeFileName(best);
}

} // namespace lumisnap
