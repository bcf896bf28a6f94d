#pragma once

#include "shell/DriveList.h"
#include "shell/IdList.h"
#include "shell/PosixShellModel.h"

#include <QByteArray>
#include <QCollator>
#include <QFileIconProvider>
#include <QHash>
#include <QIcon>
#include <QMimeDatabase>

#include <memory>
#include <optional>

namespace lumisnap {

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

    QCollator collator;
    QMimeDatabase mimeDatabase;
    std::unique_ptr<QFileIconProvider> iconProvider;
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
    QIcon icon(const PosixLocation &location, bool open);
    QMimeType mimeTypeOf(const PosixLocation &location);
};

} // namespace lumisnap
