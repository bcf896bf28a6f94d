#pragma once

#include "shell/namespace/DriveList.h"
#include "shell/namespace/IdList.h"
#include "shell/namespace/PosixShellModel.h"

#include <QByteArray>
#include <QCollator>
#include <QCollatorSortKey>
#include <QHash>
#include <QIcon>
#include <QMimeDatabase>

#include <memory>
#include <optional>

namespace lumisnap {

// The names of the root's virtual items in their identifier lists.
inline const QByteArray HomeKey = QByteArrayLiteral("home");
inline const QByteArray ComputerKey = QByteArrayLiteral("computer");

// Where an identifier list leads in the POSIX model.
struct PosixLocation
{
    enum Kind { Root, Home, Computer, Drive, Entry };

    Kind kind = Root;
    QByteArray path; // raw bytes; empty for Computer
    QByteArray name; // the last item's raw bytes (entry name, mount point, virtual key)
    DriveType driveType = DriveType::Fixed; // for drives

    bool hasPath() const { return kind != Computer; }
    bool isVirtual() const { return kind == Root || kind == Home || kind == Computer; }
    QByteArray parentPath() const; // entries only
};

QByteArray joinPath(const QByteArray &folder, const QByteArray &name);

// Model state shared by the model and its folder objects (which may outlive the model).
struct PosixShellModel::Private
{
    QByteArray home;
    QByteArray desktop;
    QByteArray sendTo;
    QString mountInfoPath;
    bool drivesRead = false;
    QList<DriveInfo> drives;
    QList<MountEntry> mounts;

    QByteArray mountInfoText; // as last read: the drives are parsed again only when it changes

    QCollator collator;
    // Collation keys by name bytes, kept across listings: a folder listed again, or its
    // neighbour, mostly holds names already keyed.
    QHash<QByteArray, QCollatorSortKey> sortKeys;
    QMimeDatabase mimeDatabase;
    // Types by file name suffix, so that a long list does not match every name against
    // every pattern of the database.
    QHash<QByteArray, QString> mimeBySuffix;
    QHash<QString, QIcon> iconCache;
    QHash<QString, QString> typeNames;

    Private();
    void readDrives();
    const QList<DriveInfo> &driveList();
    const DriveInfo *driveAt(const QByteArray &mountPoint);

    // Follows one item from `from`; nullopt for an item that does not belong there.
    std::optional<PosixLocation> step(const PosixLocation &from, QByteArrayView item);
    std::optional<PosixLocation> resolve(const PosixLocation &from, const IdList &relative);
    PosixLocation root() const;

    // The absolute list of an absolute path (lexically cleaned); none when a step
    // does not exist.
    IdList idListOfPath(const QByteArray &path);

    QString shownName(const PosixLocation &location) const;
    QString parsingName(const PosixLocation &location) const;
    QString typeName(const PosixLocation &location);
    // The type name of a directory entry whose kind the caller knows.
    QString entryTypeName(const QByteArray &folder, QByteArrayView name, bool isDir, bool isLink);
    QCollatorSortKey sortKeyOf(QByteArrayView name);
    QString mimeNameForFileName(QByteArrayView name);
    QString commentOf(const QString &mimeName);
    QIcon icon(const PosixLocation &location, bool open);
    QMimeType mimeTypeOf(const PosixLocation &location);
};

} // namespace lumisnap
