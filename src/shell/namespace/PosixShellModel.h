#pragma once

#include "shell/namespace/DriveList.h"
#include "shell/namespace/ShellModel.h"

#include <QByteArray>
#include <QHash>
#include <QIcon>
#include <QString>

namespace lumisnap {

// The shell namespace over the POSIX file system:
//   Desktop (root, the XDG desktop folder or home)
//     Home, Computer (virtual) then the desktop folder's entries
//     Computer: one drive per mounted file system a user sees
// One item of a list = a kind byte (PosixItemKind) followed by the raw name bytes
// (for drives: the mount point; for virtual items: their fixed key).
enum class PosixItemKind : std::uint8_t { Virtual = 1, Drive = 2, Entry = 3 };

class PosixShellModel : public ShellModel
{
public:
    // Paths default to QStandardPaths; tests may pass their own (lossless text),
    // and a mountinfo file in place of /proc/self/mountinfo.
    struct Options
    {
        QString homePath;
        QString desktopPath;
        QString sendToPath; // default: $XDG_DATA_HOME/lumisnap/SendTo
        QString mountInfoPath;
    };

    PosixShellModel();
    explicit PosixShellModel(const Options &options);
    ~PosixShellModel() override;

    ShellFolderPtr desktopFolder() override;
    std::optional<QString> pathFromIdList(const IdList &absolute) override;
    IdList specialFolderLocation(int csidl) override;
    QString displayName(const IdList &absolute) override;
    QString typeName(const IdList &absolute) override;
    QIcon icon(const IdList &absolute, bool open = false) override;
    DriveType driveType(const QString &path) override;
    std::optional<FileData> findFile(const QString &path) override;
    QString driveRootOf(const QString &path) override;
    void revalidateRoot() override;

    // The desktop's file-system path (raw bytes), home, the drives as last read.
    QByteArray desktopPathBytes() const;
    QByteArray homePathBytes() const;
    bool homeIsDesktop() const;
    const QList<DriveInfo> &drives();
    void revalidateDrives();

    // Item makers (one-item lists).
    static IdList virtualItem(const QByteArray &key); // "home", "computer"
    static IdList driveItem(const QByteArray &mountPoint);
    static IdList entryItem(const QByteArray &name);

    // Internal, shared with the folder objects.
    struct Private;
    const std::shared_ptr<Private> &d() const { return m_d; }

private:
    std::shared_ptr<Private> m_d;
    QByteArray m_wantedDesktop; // the desktop folder asked for, whether it exists or not
    ShellFolderPtr m_desktop;
};

} // namespace lumisnap
