// GLib's headers name struct members "signals", so they come before any Qt header.
#include <gio/gio.h>

#include "shell/transfer/GioTrash.h"

#include "common/FileName.h"

#include <QByteArray>
#include <QDateTime>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace lumisnap {

namespace {

struct GObjectFree
{
    void operator()(gpointer object) const { g_object_unref(object); }
};

struct GErrorFree
{
    void operator()(GError *error) const { g_error_free(error); }
};

struct GFree
{
    void operator()(gchar *text) const { g_free(text); }
};

QString errnoText(int error)
{
    return QString::fromLocal8Bit(strerror(error));
}

QByteArray parentOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArrayLiteral("/") : path.left(slash);
}

bool isOwnDirectory(const QByteArray &path)
{
    struct stat info
    {
    };
    return lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid();
}

// The folder at the top of the drive that holds `path`: the last ancestor on its device.
QByteArray topOfDrive(const QByteArray &path, dev_t device)
{
    QByteArray top = path;
    while (top != "/") {
        const QByteArray up = parentOf(top);
        struct stat info
        {
        };
        if (stat(up.constData(), &info) != 0 || info.st_dev != device)
            break;
        top = up;
    }
    return top;
}

// The trash GIO chose for an entry (it creates it before it writes the info file), and
// the path the info file records: absolute in the home trash, relative to the drive's top
// in a per-drive one.
struct TrashPlace
{
    QByteArray folder;
    QByteArray recordedPath;
};

std::optional<TrashPlace> trashFor(const QByteArray &path, const struct stat &entry)
{
    struct stat home
    {
    };
    if (stat(g_get_home_dir(), &home) == 0 && home.st_dev == entry.st_dev) {
        const QByteArray folder = QByteArray(g_get_user_data_dir()) + "/Trash";
        if (isOwnDirectory(folder))
            return TrashPlace { folder, path };
        return std::nullopt;
    }
    const QByteArray top = topOfDrive(parentOf(path), entry.st_dev);
    const QByteArray base = top == "/" ? QByteArray() : top;
    const QByteArray relative = path.mid(base.size() + 1);
    const QByteArray uid = QByteArray::number(getuid());
    struct stat shared
    {
    };
    const QByteArray sharedFolder = base + "/.Trash";
    if (lstat(sharedFolder.constData(), &shared) == 0 && S_ISDIR(shared.st_mode)
        && (shared.st_mode & S_ISVTX) && isOwnDirectory(sharedFolder + '/' + uid))
        return TrashPlace { sharedFolder + '/' + uid, relative };
    if (isOwnDirectory(base + "/.Trash-" + uid))
        return TrashPlace { base + "/.Trash-" + uid, relative };
    return std::nullopt;
}

// `name` cut to `limit` bytes at a character boundary, keeping a short extension.
QByteArray shortened(const QByteArray &name, qsizetype limit)
{
    if (name.size() <= limit)
        return name;
    const qsizetype dot = name.lastIndexOf('.');
    const QByteArray extension = dot > 0 && name.size() - dot <= 16 ? name.mid(dot) : QByteArray();
    qsizetype keep = std::max<qsizetype>(1, limit - extension.size());
    while (keep > 1 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
        --keep;
    return name.left(keep) + extension;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.constData() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return fsync(fd) == 0;
}

// Reserves a free trash name by creating its info file; empty with `reason` when none.
QByteArray reserveName(const TrashPlace &place, const QByteArray &name, QString &reason)
{
    std::unique_ptr<gchar, GFree> escaped(
        g_uri_escape_string(place.recordedPath.constData(), "/", FALSE));
    const QByteArray info = QByteArrayLiteral("[Trash Info]\nPath=") + escaped.get()
        + "\nDeletionDate=" + QDateTime::currentDateTime().toString(Qt::ISODate).left(19).toLatin1()
        + '\n';
    constexpr qsizetype InfoLimit = NAME_MAX - 10 - 8; // ".trashinfo" and " (99999)"
    const QByteArray stem = shortened(name, InfoLimit);
    const qsizetype dot = stem.lastIndexOf('.');
    const qsizetype cut = dot > 0 ? dot : stem.size();
    for (int n = 1; n < 100000; ++n) {
        const QByteArray candidate
            = n == 1 ? stem : stem.left(cut) + " (" + QByteArray::number(n) + ')' + stem.mid(cut);
        const QByteArray infoPath = place.folder + "/info/" + candidate + ".trashinfo";
        const int fd = open(infoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0) {
            reason = errnoText(errno);
            return {};
        }
        struct stat taken
        {
        };
        const bool written = writeAll(fd, info);
        const int error = errno;
        close(fd);
        if (written && lstat((place.folder + "/files/" + candidate).constData(), &taken) != 0)
            return candidate;
        unlink(infoPath.constData());
        if (!written) {
            reason = errnoText(error);
            return {};
        }
    }
    reason = QStringLiteral("the trash has no free name left");
    return {};
}

bool trashLongName(const QByteArray &path, QString &reason)
{
    struct stat entry
    {
    };
    if (lstat(path.constData(), &entry) != 0) {
        reason = errnoText(errno);
        return false;
    }
    const std::optional<TrashPlace> place = trashFor(path, entry);
    if (!place) {
        reason = QStringLiteral("no trash can be made on this drive");
        return false;
    }
    const QByteArray name = reserveName(*place, path.mid(path.lastIndexOf('/') + 1), reason);
    if (name.isEmpty())
        return false;
    const QByteArray target = place->folder + "/files/" + name;
    int moved
        = renameat2(AT_FDCWD, path.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE);
    if (moved != 0 && (errno == EINVAL || errno == ENOSYS)) // no such rename on this drive:
        moved = rename(path.constData(), target.constData()); // the name was checked free
    if (moved == 0)
        return true;
    reason = errnoText(errno);
    unlink((place->folder + "/info/" + name + ".trashinfo").constData());
    return false;
}

} // namespace

bool GioTrash::moveToTrash(const QString &losslessPath, QString &reason)
{
    const QByteArray path = encodeFileName(losslessPath);
    std::unique_ptr<GFile, GObjectFree> file(g_file_new_for_path(path.constData()));
    GError *raw = nullptr;
    if (g_file_trash(file.get(), nullptr, &raw))
        return true;
    std::unique_ptr<GError, GErrorFree> error(raw);
    if (g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_FILENAME_TOO_LONG))
        return trashLongName(path, reason);
    reason = QString::fromUtf8(error->message);
    return false;
}

} // namespace lumisnap
