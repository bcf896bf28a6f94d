#pragma once

#include "shell/PosixLocation.h"
#include "shell/ShellFolder.h"

#include <QCollatorSortKey>
#include <QDateTime>
#include <QHash>

#include <memory>

namespace lumisnap {

// A folder of the POSIX model: the root, Home, Computer, a drive or a directory.
class PosixShellFolder : public ShellFolder, public std::enable_shared_from_this<PosixShellFolder>
{
public:
    PosixShellFolder(
        std::shared_ptr<PosixShellModel::Private> model, PosixLocation location, IdList absolute);

    std::unique_ptr<IdListEnumerator> enumObjects(std::uint32_t flags) override;
    std::optional<std::uint32_t> attributesOf(
        std::span<const IdList> children, std::uint32_t mask) override;
    using ShellFolder::attributesOf;
    QString displayNameOf(const IdList &relative, ShellDisplayName kind) override;
    std::optional<int> compareIDs(int column, const IdList &a, const IdList &b) override;
    ShellFolderPtr bindToObject(const IdList &relative) override;
    IdList setNameOf(const IdList &relative, const QString &newName) override;
    IdList parseDisplayName(const QString &name) override;
    IdList absoluteIdList() const override { return m_absolute; }

    const PosixLocation &location() const { return m_location; }

    // What is known of one directory entry; enumeration fills the kind from d_type so
    // that attributes and name order need no stat for the common cases.
    struct EntryInfo
    {
        bool known = false; // kind fields valid
        bool exists = false;
        bool isDir = false; // a directory or a link to one
        bool isLink = false;
        bool hasDetails = false; // size and time valid
        qint64 size = 0;
        QDateTime modified;
        std::optional<QCollatorSortKey> sortKey; // made on first name comparison
    };
    void remember(const QByteArray &name, const EntryInfo &info) { m_entries.insert(name, info); }
    void forgetEntries() { m_entries.clear(); }

private:
    EntryInfo info(const PosixLocation &entry, bool direct, bool details);
    std::optional<std::uint32_t> attributesAt(
        const PosixLocation &location, std::uint32_t mask, bool direct);
    std::optional<int> compareItems(
        int column, const PosixLocation &parent, bool direct, QByteArrayView a, QByteArrayView b);
    int compareNames(const QByteArray &a, const QByteArray &b);
    std::optional<int> compareKnownNames(QByteArrayView a, QByteArrayView b) const;
    EntryInfo &cachedEntry(const PosixLocation &entry, bool details);
    int compareEntries(int column, const PosixLocation &a, const PosixLocation &b, bool direct);

    std::shared_ptr<PosixShellModel::Private> m_model;
    PosixLocation m_location;
    IdList m_absolute;
    QHash<QByteArray, EntryInfo> m_entries;
};

} // namespace lumisnap
