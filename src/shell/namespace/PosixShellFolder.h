#pragma once

#include "shell/namespace/PosixLocation.h"
#include "shell/namespace/ShellFolder.h"

#include <memory>
#include <vector>

namespace lumisnap {

class DetailsPrefetch;

// A folder of the POSIX model: the root, Home, Computer, a drive or a directory.
class PosixShellFolder : public ShellFolder, public std::enable_shared_from_this<PosixShellFolder>
{
public:
    PosixShellFolder(
        std::shared_ptr<PosixShellModel::Private> model, PosixLocation location, IdList absolute);
    ~PosixShellFolder() override;

    std::unique_ptr<IdListEnumerator> enumObjects(std::uint32_t flags) override;
    std::optional<std::uint32_t> attributesOf(
        std::span<const IdList> children, std::uint32_t mask, std::uint32_t contentFlags) override;
    using ShellFolder::attributesOf;
    QString displayNameOf(const IdList &relative, ShellDisplayName kind) override;
    QByteArray parsingFileName(const IdList &relative) override;
    std::optional<int> compareIDs(int column, const IdList &a, const IdList &b) override;
    bool sortRanks(int column, std::span<const IdList> children, std::vector<int> &ranks) override;
    ShellFolderPtr bindToObject(const IdList &relative) override;
    IdList setNameOf(
        const IdList &relative, const QString &newName, QString *reason = nullptr) override;
    IdList parseDisplayName(const QString &name) override;
    IdList absoluteIdList() const override { return m_absolute; }
    void hintNextListing(int column, ListingFilter keeps) override;

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
        qint64 modified = 0; // ms since the epoch
    };
    // Kept for the child's one-item list, which the enumerator hands out as well.
    void remember(const IdList &child, const EntryInfo &info);
    // The listing that enumObjects began has handed out its last child.
    void listingEnded();

    // What a listing learnt, by child (see slotOf). Open addressing over small slots: a
    // folder of tens of thousands of entries is listed again on every change, and a node
    // per entry would cost more than reading the folder.
    class EntryTable
    {
    public:
        void clear();
        EntryInfo *find(const IdList &child); // null when absent; valid until the next insert
        EntryInfo &insert(const IdList &child, const EntryInfo &info);
        // Where insert put a child's record: a key that stays good until the next clear.
        std::uint32_t place(const IdList &child, const EntryInfo &info);
        EntryInfo &at(std::uint32_t index) { return m_infos[index]; }
        void forget(const IdList &child);

    private:
        struct Slot
        {
            const char *address = nullptr; // of the child's bytes; null: free
            std::uint32_t index = 0; // into m_children and m_infos
        };
        Slot &slotOf(const char *address);
        void grow();

        std::vector<Slot> m_slots;
        std::vector<IdList> m_children; // hold their bytes, so no other list takes an address
        std::vector<EntryInfo> m_infos;
    };

private:
    // One sortable child: its place in the caller's span and what orders it.
    struct SortItem;

    EntryInfo info(const PosixLocation &entry, bool details);
    EntryInfo cachedEntry(const IdList &child, const PosixLocation &entry, bool details);
    std::optional<std::uint32_t> attributesAt(
        const PosixLocation &location, std::uint32_t mask, std::uint32_t contentFlags);
    std::optional<std::uint32_t> entryAttributes(QByteArrayView name, const EntryInfo &entry,
        std::uint32_t mask, std::uint32_t contentFlags);
    std::optional<int> compareItems(int column, const PosixLocation &parent, const IdList *direct,
        QByteArrayView a, QByteArrayView b);
    std::optional<int> compareDrives(QByteArrayView a, QByteArrayView b);
    int compareEntries(int column, const PosixLocation &a, const PosixLocation &b,
        const IdList *directA, const IdList *directB);
    bool fillSortItems(int column, std::span<const IdList> children, std::vector<SortItem> &items);
    bool parentWritable();
    void startPrefetch(int dirFd);
    void takePrefetched(int dirFd);

    std::shared_ptr<PosixShellModel::Private> m_model;
    PosixLocation m_location;
    IdList m_absolute;
    EntryTable m_entries;
    std::optional<bool> m_parentWritable; // of this folder's children; asked once per listing
    int m_hintColumn = -1; // of the next listing
    ListingFilter m_hintKeeps;
    // Sizes and times of the current listing, looked up while it is read.
    std::unique_ptr<DetailsPrefetch> m_prefetch;
    int m_prefetchColumn = -1;
    ListingFilter m_prefetchKeeps; // the caller's, good only until the listing ends
};

} // namespace lumisnap
