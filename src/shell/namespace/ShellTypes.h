#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>

namespace lumisnap {

// Attribute bits of shell items (the in/out mask of ShellFolder::attributesOf).
enum : std::uint32_t {
    SFGAO_CANCOPY = 0x00000001,
    SFGAO_CANMOVE = 0x00000002,
    SFGAO_CANLINK = 0x00000004,
    SFGAO_CANRENAME = 0x00000010,
    SFGAO_CANDELETE = 0x00000020,
    SFGAO_HASPROPSHEET = 0x00000040,
    SFGAO_DROPTARGET = 0x00000100,
    SFGAO_CAPABILITYMASK = 0x00000177,
    SFGAO_GHOSTED = 0x00008000,
    SFGAO_LINK = 0x00010000,
    SFGAO_SHARE = 0x00020000,
    SFGAO_READONLY = 0x00040000,
    SFGAO_HIDDEN = 0x00080000,
    SFGAO_VALIDATE = 0x01000000,
    SFGAO_REMOVABLE = 0x02000000,
    SFGAO_FILESYSANCESTOR = 0x10000000,
    SFGAO_FOLDER = 0x20000000,
    SFGAO_FILESYSTEM = 0x40000000,
    SFGAO_HASSUBFOLDER = 0x80000000,
};

// Enumeration flags of ShellFolder::enumObjects.
enum : std::uint32_t {
    SHCONTF_FOLDERS = 0x20,
    SHCONTF_NONFOLDERS = 0x40,
    SHCONTF_INCLUDEHIDDEN = 0x80,
};

// Kinds of display name.
enum ShellDisplayName : int {
    SHGDN_NORMAL = 0,
    SHGDN_INFOLDER = 1,
    SHGDN_FORPARSING = 2,
};

// Special folder numbers the model knows.
enum : int {
    CSIDL_DESKTOP = 0,
    CSIDL_PERSONAL = 5, // the home folder
    CSIDL_SENDTO = 9,
    CSIDL_DRIVES = 17, // "Computer"
};

// Drive types as the platform reports them for a drive root.
enum class DriveType : int {
    Unknown = 0,
    NoRootDir = 1, // not the root of a mounted file system
    Removable = 2,
    Fixed = 3,
    Remote = 4,
    CdRom = 5,
    RamDisk = 6,
};

// Attribute bits of a directory search entry.
enum : std::uint32_t {
    faReadOnly = 0x01,
    faHidden = 0x02,
    faSysFile = 0x04,
    faVolumeID = 0x08,
    faDirectory = 0x10,
    faArchive = 0x20,
    faAnyFile = 0x3F,
};

// What one directory search entry (or one file lookup) reports.
struct FileData
{
    QByteArray name; // raw bytes of the entry name
    std::uint32_t attributes = 0; // fa* bits
    qint64 size = 0; // bytes; 0 for directories
    QDateTime modified; // local time; invalid when unknown

    bool isDirectory() const { return (attributes & faDirectory) != 0; }
};

} // namespace lumisnap
