#pragma once

#include "shell/namespace/IdList.h"
#include "shell/namespace/ShellFolder.h"
#include "shell/namespace/ShellTypes.h"

#include <QIcon>
#include <QString>

#include <memory>
#include <optional>

namespace lumisnap {

// The shell namespace as the controls see it. The program uses PosixShellModel;
// tests may install a model of their own with setShellModel().
class ShellModel
{
public:
    virtual ~ShellModel() = default;

    // The root folder object (the empty list).
    virtual ShellFolderPtr desktopFolder() = 0;

    // The file-system path of an absolute list (none or empty: the desktop's path);
    // nullopt for virtual items or bad lists. The text is in lossless form (FileName.h).
    virtual std::optional<QString> pathFromIdList(const IdList &absolute) = 0;

    // The absolute list of a special folder (number masked to 7 bits); none when unknown.
    virtual IdList specialFolderLocation(int csidl) = 0;

    // File information of an absolute list; empty texts / null icon on failure.
    virtual QString displayName(const IdList &absolute) = 0; // SHGFI_DISPLAYNAME
    virtual QString typeName(const IdList &absolute) = 0; // SHGFI_TYPENAME
    virtual QIcon icon(const IdList &absolute, bool open = false) = 0; // small/large: QIcon sizes

    // The type of the drive whose root is `path` (NoRootDir when `path` is not the
    // root of a mounted file system).
    virtual DriveType driveType(const QString &path) = 0;

    // One file lookup (FindFirstFile on a path without wildcards): size, time, attributes.
    virtual std::optional<FileData> findFile(const QString &path) = 0;

    // The root of the drive that holds `path`: the mount point of its file system with
    // a trailing "/"; "" for an empty path.
    virtual QString driveRootOf(const QString &path);

    // Looks for the root's folder again (the desktop, else home) after it was moved or
    // deleted; a new root gives a new desktopFolder() object.
    virtual void revalidateRoot() { }

    // Convenience on top of the virtuals.
    // Binds a list to its folder: none or empty gives the desktop folder.
    ShellFolderPtr bindToFolder(const IdList &absolute);
    // Path as text, "" when there is none.
    QString pathText(const IdList &absolute);
    // True when `shownRoot`, the root folder object a control was filled from, no longer
    // stands for the root's folder.
    bool rootMovedFrom(const ShellFolderPtr &shownRoot);
};

// The process-wide current model: a PosixShellModel unless one was installed.
ShellModel &shellModel();
// Installs a model (null restores the default); returns the previous one.
std::shared_ptr<ShellModel> setShellModel(std::shared_ptr<ShellModel> model);

// The parent folder object, the parent's absolute list and the last item of a list.
// An empty (or none) list is first replaced by the list parsed from the desktop's
// file-system path; a one-item list has the desktop as parent. `ok` is false when
// binding fails.
struct SplitResult
{
    ShellFolderPtr parentFolder;
    IdList parentIdList;
    IdList lastItem;
    bool ok = false;
};
SplitResult SplitIdList(const IdList &absolute);

// Display name of a relative list in a folder, "" when the folder is null or fails.
QString GetDisplayNameOf(ShellFolder *folder, const IdList &relative, ShellDisplayName kind);

} // namespace lumisnap
