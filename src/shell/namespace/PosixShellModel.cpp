#include "shell/namespace/PosixShellModel.h"

#include "common/FileName.h"
#include "shell/namespace/LazyIcon.h"
#include "shell/namespace/PosixLocation.h"
#include "shell/namespace/PosixShellFolder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileIconProvider>
#include <QStandardPaths>

#include <sys/stat.h>

namespace lumisnap {

namespace {

IdList itemOf(PosixItemKind kind, const QByteArray &name)
{
    QByteArray data;
    data.reserve(name.size() + 1);
    data.append(char(kind));
    data.append(name);
    return IdList::fromItemData(data);
}

bool isDirectory(const QByteArray &path)
{
    struct stat st;
    return !path.isEmpty() && ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool startsWithDir(const QByteArray &path, const QByteArray &dir)
{
    if (dir == "/")
        return path.startsWith('/');
    return path == dir || path.startsWith(dir + '/');
}

// Lexical clean-up: "//", "." and ".." steps resolved; empty for a relative path.
QByteArray cleanPath(const QByteArray &path)
{
    if (!path.startsWith('/'))
        return {};
    QList<QByteArray> parts;
    for (const QByteArray &part : path.split('/')) {
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    return '/' + parts.join('/');
}

// Entry items for the steps of `path` below `base`.
IdList entriesBelow(const QByteArray &base, const QByteArray &path)
{
    IdList list = IdList::empty();
    const QByteArray rest = base == "/" ? path.mid(1) : path.mid(base.size() + 1);
    for (const QByteArray &part : rest.split('/')) {
        if (!part.isEmpty())
            list = ConcatIdLists(list, PosixShellModel::entryItem(part));
    }
    return list;
}

QByteArray encodedOr(const QString &given, const QString &fallback)
{
    return cleanPath(QFile::encodeName(given.isEmpty() ? fallback : given));
}

// The MIME type name of an entry whose kind the caller knows.
QString entryMimeName(PosixShellModel::Private &d, const QByteArray &path, QByteArrayView name,
    bool isDir, bool isLink)
{
    if (isDir)
        return QStringLiteral("inode/directory");
    struct stat st;
    if (isLink && ::stat(path.constData(), &st) != 0)
        return QStringLiteral("inode/symlink"); // dangling
    return d.mimeNameForFileName(name);
}

} // namespace

QByteArray PosixLocation::parentPath() const
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

QByteArray joinPath(const QByteArray &folder, const QByteArray &name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

PosixShellModel::Private::Private()
    : collator(fileNameCollator())
{
}

void PosixShellModel::Private::readDrives()
{
    const QByteArray text = DriveList::readMountInfo(mountInfoPath);
    // Every fill revalidates the drives: most of the time nothing was mounted meanwhile.
    if (drivesRead && text == mountInfoText)
        return;
    mountInfoText = text;
    mounts = DriveList::parseMounts(text);
    drives = DriveList::drivesOf(mounts);
    if (drives.isEmpty() || drives.first().mountPoint != "/") {
        DriveInfo rootDrive;
        rootDrive.mountPoint = "/";
        rootDrive.label = QStringLiteral("File System");
        drives.prepend(rootDrive);
    }
    drivesRead = true;
}

const QList<DriveInfo> &PosixShellModel::Private::driveList()
{
    if (!drivesRead)
        readDrives();
    return drives;
}

const DriveInfo *PosixShellModel::Private::driveAt(const QByteArray &mountPoint)
{
    for (const DriveInfo &drive : driveList()) {
        if (drive.mountPoint == mountPoint)
            return &drive;
    }
    return nullptr;
}

PosixLocation PosixShellModel::Private::root() const
{
    PosixLocation location;
    location.kind = PosixLocation::Root;
    location.path = desktop;
    return location;
}

std::optional<PosixLocation> PosixShellModel::Private::step(
    const PosixLocation &from, QByteArrayView item)
{
    if (item.isEmpty())
        return std::nullopt;
    const auto kind = PosixItemKind(std::uint8_t(item[0]));
    const QByteArray name = item.sliced(1).toByteArray();
    PosixLocation to;
    to.name = name;
    switch (kind) {
    case PosixItemKind::Virtual:
        if (from.kind != PosixLocation::Root)
            return std::nullopt;
        if (name == HomeKey && home != desktop) {
            to.kind = PosixLocation::Home;
            to.path = home;
            return to;
        }
        if (name == ComputerKey) {
            to.kind = PosixLocation::Computer;
            return to;
        }
        return std::nullopt;
    case PosixItemKind::Drive: {
        if (from.kind != PosixLocation::Computer)
            return std::nullopt;
        const DriveInfo *drive = driveAt(name);
        if (!drive)
            return std::nullopt;
        to.kind = PosixLocation::Drive;
        to.path = name;
        to.driveType = drive->type;
        return to;
    }
    case PosixItemKind::Entry:
        // Names come from outside (stored lists, drops): one path step, nothing more.
        if (!from.hasPath() || name.isEmpty() || name == "." || name == ".." || name.contains('/')
            || name.contains('\0'))
            return std::nullopt;
        to.kind = PosixLocation::Entry;
        to.path = joinPath(from.path, name);
        return to;
    }
    return std::nullopt;
}

std::optional<PosixLocation> PosixShellModel::Private::resolve(
    const PosixLocation &from, const IdList &relative)
{
    PosixLocation location = from;
    const int count = relative.count();
    for (int i = 0; i < count; ++i) {
        const auto next = step(location, relative.itemData(i));
        if (!next)
            return std::nullopt;
        location = *next;
    }
    return location;
}

IdList PosixShellModel::Private::idListOfPath(const QByteArray &rawPath)
{
    const QByteArray path = cleanPath(rawPath);
    struct stat st;
    if (path.isEmpty() || ::lstat(path.constData(), &st) != 0)
        return {};
    if (path != desktop && startsWithDir(path, desktop))
        return entriesBelow(desktop, path);
    if (home != desktop && startsWithDir(path, home))
        return ConcatIdLists(virtualItem(HomeKey), entriesBelow(home, path));
    const DriveInfo *best = nullptr;
    for (const DriveInfo &drive : driveList()) {
        if (startsWithDir(path, drive.mountPoint)
            && (!best || drive.mountPoint.size() > best->mountPoint.size()))
            best = &drive;
    }
    if (!best)
        return {};
    return ConcatIdLists(ConcatIdLists(virtualItem(ComputerKey), driveItem(best->mountPoint)),
        entriesBelow(best->mountPoint, path));
}

QString PosixShellModel::Private::shownName(const PosixLocation &location) const
{
    switch (location.kind) {
    case PosixLocation::Root:
        return QStringLiteral("Desktop");
    case PosixLocation::Home:
        return QStringLiteral("Home");
    case PosixLocation::Computer:
        return QStringLiteral("Computer");
    case PosixLocation::Drive:
        for (const DriveInfo &drive : drives) {
            if (drive.mountPoint == location.path)
                return drive.label;
        }
        return displayFileName(decodeFileName(location.path));
    case PosixLocation::Entry:
        return displayFileName(decodeFileName(location.name));
    }
    return QString();
}

QString PosixShellModel::Private::parsingName(const PosixLocation &location) const
{
    if (location.kind == PosixLocation::Computer)
        return QStringLiteral("::Computer");
    return decodeFileName(location.path);
}

QCollatorSortKey PosixShellModel::Private::sortKeyOf(QByteArrayView name)
{
    constexpr qsizetype SortKeyLimit = 200000; // about 40 MB of keys at most
    const QByteArray key = QByteArray::fromRawData(name.data(), name.size());
    if (const auto found = sortKeys.constFind(key); found != sortKeys.constEnd())
        return *found;
    if (sortKeys.size() >= SortKeyLimit)
        sortKeys.clear();
    return *sortKeys.insert(name.toByteArray(), collator.sortKey(decodeFileName(key)));
}

QString PosixShellModel::Private::mimeNameForFileName(QByteArrayView name)
{
    // Everything from the first "." decides the type in practice ("a.tar.gz" and "b.gz"
    // stay apart); names without one, or hidden ones, are looked up whole.
    const qsizetype dot = name.indexOf('.', 1);
    const QByteArray key = (dot > 0 ? name.sliced(dot) : name).toByteArray();
    if (const auto found = mimeBySuffix.constFind(key); found != mimeBySuffix.constEnd())
        return *found;
    constexpr qsizetype SuffixLimit = 10000;
    if (mimeBySuffix.size() >= SuffixLimit)
        mimeBySuffix.clear();
    // By name only: reading every file's first bytes would make a long list crawl.
    const QList<QMimeType> byName
        = mimeDatabase.mimeTypesForFileName(displayFileName(decodeFileName(name.toByteArray())));
    return *mimeBySuffix.insert(
        key, byName.isEmpty() ? QStringLiteral("application/octet-stream") : byName.first().name());
}

QString PosixShellModel::Private::commentOf(const QString &mimeName)
{
    auto cached = typeNames.constFind(mimeName);
    if (cached == typeNames.constEnd())
        cached = typeNames.insert(mimeName, mimeDatabase.mimeTypeForName(mimeName).comment());
    return *cached;
}

QString PosixShellModel::Private::entryTypeName(
    const QByteArray &folder, QByteArrayView name, bool isDir, bool isLink)
{
    const QByteArray path = isLink ? joinPath(folder, name.toByteArray()) : QByteArray();
    return commentOf(entryMimeName(*this, path, name, isDir, isLink));
}

QMimeType PosixShellModel::Private::mimeTypeOf(const PosixLocation &location)
{
    switch (location.kind) {
    case PosixLocation::Root:
    case PosixLocation::Home:
        return mimeDatabase.mimeTypeForName(QStringLiteral("inode/directory"));
    case PosixLocation::Drive:
        return mimeDatabase.mimeTypeForName(QStringLiteral("inode/mount-point"));
    case PosixLocation::Computer:
        return QMimeType();
    case PosixLocation::Entry:
        break;
    }
    struct stat st;
    if (::lstat(location.path.constData(), &st) != 0)
        return QMimeType();
    const bool isLink = S_ISLNK(st.st_mode);
    const bool isDir = S_ISDIR(st.st_mode)
        || (isLink && ::stat(location.path.constData(), &st) == 0 && S_ISDIR(st.st_mode));
    return mimeDatabase.mimeTypeForName(
        entryMimeName(*this, location.path, location.name, isDir, isLink));
}

QString PosixShellModel::Private::typeName(const PosixLocation &location)
{
    if (location.kind == PosixLocation::Computer)
        return QStringLiteral("System Folder");
    const QMimeType mime = mimeTypeOf(location);
    if (!mime.isValid())
        return QString();
    return commentOf(mime.name());
}

QIcon PosixShellModel::Private::icon(const PosixLocation &location, bool open)
{
    QString key;
    QString themeName;
    QString fallbackName;
    QFileIconProvider::IconType fallback = QFileIconProvider::File;
    switch (location.kind) {
    case PosixLocation::Root:
        key = themeName = QStringLiteral("user-desktop");
        fallback = QFileIconProvider::Desktop;
        break;
    case PosixLocation::Home:
        key = themeName = QStringLiteral("user-home");
        fallback = QFileIconProvider::Folder;
        break;
    case PosixLocation::Computer:
        key = themeName = QStringLiteral("computer");
        fallback = QFileIconProvider::Computer;
        break;
    case PosixLocation::Drive:
        themeName = location.driveType == DriveType::Removable
            ? QStringLiteral("drive-removable-media")
            : location.driveType == DriveType::CdRom  ? QStringLiteral("media-optical")
            : location.driveType == DriveType::Remote ? QStringLiteral("folder-remote")
                                                      : QStringLiteral("drive-harddisk");
        key = themeName;
        fallback = location.driveType == DriveType::Remote ? QFileIconProvider::Network
                                                           : QFileIconProvider::Drive;
        break;
    case PosixLocation::Entry: {
        const QMimeType mime = mimeTypeOf(location);
        if (mime.name() == QLatin1String("inode/directory")) {
            themeName = open ? QStringLiteral("folder-open") : QStringLiteral("folder");
            fallback = QFileIconProvider::Folder;
        } else {
            themeName = mime.iconName();
            fallbackName = mime.genericIconName();
        }
        key = mime.isValid() ? mime.name() + (open ? QStringLiteral("+open") : QString())
                             : QStringLiteral("?");
        break;
    }
    }
    auto cached = iconCache.constFind(key);
    if (cached != iconCache.constEnd())
        return *cached;
    const QIcon result = lazyIcon([themeName, fallbackName, fallback] {
        QIcon found = QIcon::fromTheme(themeName);
        if (found.isNull() && !fallbackName.isEmpty())
            found = QIcon::fromTheme(fallbackName);
        // Style icons need a widget application; without one only theme icons are offered.
        if (found.isNull() && qobject_cast<QApplication *>(QCoreApplication::instance()))
            found = QFileIconProvider().icon(fallback);
        return found;
    });
    iconCache.insert(key, result);
    return result;
}

PosixShellModel::PosixShellModel()
    : PosixShellModel(Options())
{
}

PosixShellModel::PosixShellModel(const Options &options)
    : m_d(std::make_shared<Private>())
{
    m_d->home = encodedOr(options.homePath, QDir::homePath());
    m_wantedDesktop = encodedOr(
        options.desktopPath, QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
    m_d->desktop = isDirectory(m_wantedDesktop) ? m_wantedDesktop : m_d->home;
    m_d->sendTo = encodedOr(options.sendToPath,
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
            + QStringLiteral("/lumisnap/SendTo"));
    m_d->mountInfoPath = options.mountInfoPath;
}

PosixShellModel::~PosixShellModel() = default;

ShellFolderPtr PosixShellModel::desktopFolder()
{
    if (!m_desktop)
        m_desktop = std::make_shared<PosixShellFolder>(m_d, m_d->root(), IdList::empty());
    return m_desktop;
}

std::optional<QString> PosixShellModel::pathFromIdList(const IdList &absolute)
{
    const auto location = m_d->resolve(m_d->root(), absolute);
    if (!location || !location->hasPath())
        return std::nullopt;
    return decodeFileName(location->path);
}

IdList PosixShellModel::specialFolderLocation(int csidl)
{
    switch (csidl & 0x7F) {
    case CSIDL_DESKTOP:
        return IdList::empty();
    case CSIDL_PERSONAL:
        return homeIsDesktop() ? IdList::empty() : virtualItem(HomeKey);
    case CSIDL_DRIVES:
        return virtualItem(ComputerKey);
    case CSIDL_SENDTO:
        QDir().mkpath(decodeFileName(m_d->sendTo));
        return m_d->idListOfPath(m_d->sendTo);
    default:
        return {};
    }
}

QString PosixShellModel::displayName(const IdList &absolute)
{
    const auto location = m_d->resolve(m_d->root(), absolute);
    return location ? m_d->shownName(*location) : QString();
}

QString PosixShellModel::typeName(const IdList &absolute)
{
    const auto location = m_d->resolve(m_d->root(), absolute);
    return location ? m_d->typeName(*location) : QString();
}

QIcon PosixShellModel::icon(const IdList &absolute, bool open)
{
    const auto location = m_d->resolve(m_d->root(), absolute);
    return location ? m_d->icon(*location, open) : QIcon();
}

DriveType PosixShellModel::driveType(const QString &path)
{
    QByteArray bytes = cleanPath(encodeFileName(path));
    if (bytes.isEmpty())
        return DriveType::NoRootDir;
    if (!m_d->drivesRead)
        m_d->readDrives();
    for (const MountEntry &mount : m_d->mounts) {
        if (mount.mountPoint == bytes)
            return DriveList::typeOf(mount.fsType, mount.mountPoint, mount.device);
    }
    return DriveType::NoRootDir;
}

std::optional<FileData> PosixShellModel::findFile(const QString &path)
{
    const QByteArray bytes = encodeFileName(path);
    struct stat st;
    if (bytes.isEmpty() || ::lstat(bytes.constData(), &st) != 0)
        return std::nullopt;
    struct stat target;
    if (S_ISLNK(st.st_mode) && ::stat(bytes.constData(), &target) == 0)
        st = target;
    FileData data;
    data.name = bytes.mid(bytes.lastIndexOf('/') + 1);
    data.attributes = S_ISDIR(st.st_mode) ? std::uint32_t(faDirectory) : 0u;
    if (data.name.startsWith('.'))
        data.attributes |= faHidden;
    if (!(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)))
        data.attributes |= faReadOnly;
    data.size = S_ISDIR(st.st_mode) ? 0 : qint64(st.st_size);
    data.modified = QDateTime::fromMSecsSinceEpoch(
        qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000);
    return data;
}

QString PosixShellModel::driveRootOf(const QString &path)
{
    return DriveList::mountPointOf(path, m_d->mountInfoPath);
}

void PosixShellModel::revalidateRoot()
{
    const QByteArray desktop = isDirectory(m_wantedDesktop) ? m_wantedDesktop : m_d->home;
    if (desktop == m_d->desktop)
        return;
    m_d->desktop = desktop;
    m_desktop.reset();
}

QByteArray PosixShellModel::desktopPathBytes() const
{
    return m_d->desktop;
}

QByteArray PosixShellModel::homePathBytes() const
{
    return m_d->home;
}

bool PosixShellModel::homeIsDesktop() const
{
    return m_d->home == m_d->desktop;
}

const QList<DriveInfo> &PosixShellModel::drives()
{
    return m_d->driveList();
}

void PosixShellModel::revalidateDrives()
{
    m_d->readDrives();
}

IdList PosixShellModel::virtualItem(const QByteArray &key)
{
    return itemOf(PosixItemKind::Virtual, key);
}

IdList PosixShellModel::driveItem(const QByteArray &mountPoint)
{
    return itemOf(PosixItemKind::Drive, mountPoint);
}

IdList PosixShellModel::entryItem(const QByteArray &name)
{
    return itemOf(PosixItemKind::Entry, name);
}

} // namespace lumisnap
