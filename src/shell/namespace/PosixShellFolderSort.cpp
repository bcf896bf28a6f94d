// The order of a folder's items: one comparison, and a whole listing sorted at once
// with each entry keyed once.
#include "shell/namespace/PosixShellFolder.h"

#include "shell/namespace/DetailsPrefetch.h"
#include "shell/namespace/PosixEntry.h"
#include "shell/namespace/PosixLocation.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <span>
#include <system_error>
#include <thread>
#include <utility>

namespace lumisnap {

namespace {

using NamedEntry = std::pair<const char *, PosixShellFolder::EntryInfo *>;

void fillDetailsOf(int dirFd, std::span<const NamedEntry> entries)
{
    for (const auto &[name, info] : entries)
        fillDetails(dirFd, name, *info);
}

// A stat per file is most of a sort by size or time; a second core halves it. Each
// entry is written by one thread only, and the table holding them does not change
// meanwhile.
void fillDetailsOfAll(int dirFd, std::span<const NamedEntry> entries)
{
    if (entries.size() < DetailsPrefetch::WorthAThread || std::thread::hardware_concurrency() < 2) {
        fillDetailsOf(dirFd, entries);
        return;
    }
    const std::size_t half = entries.size() / 2;
    std::thread helper;
    try {
        helper = std::thread([dirFd, first = entries.first(half)] {
            // A descriptor of its own: threads sharing one bounce its reference count
            // between the cores on every call.
            const int ownFd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            fillDetailsOf(ownFd >= 0 ? ownFd : dirFd, first);
            if (ownFd >= 0)
                ::close(ownFd);
        });
    } catch (const std::system_error &) {
        fillDetailsOf(dirFd, entries); // no thread to be had: all on this one
        return;
    }
    fillDetailsOf(dirFd, entries.subspan(half));
    helper.join();
}

int virtualRank(const QByteArray &key)
{
    return key == HomeKey ? 0 : 1;
}

int sign(int value)
{
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

} // namespace

struct PosixShellFolder::SortItem
{
    int index = 0;
    bool isDir = false;
    qint64 value = 0; // size, time or type rank, by column
    std::optional<QCollatorSortKey> key; // no default, so filled in later
    QByteArrayView name;

    // Folders first, then the column's value, then the name as collated, then its bytes:
    // the order compareEntries gives.
    bool operator<(const SortItem &other) const
    {
        if (isDir != other.isDir)
            return isDir;
        if (value != other.value)
            return value < other.value;
        const int order = key->compare(*other.key);
        if (order != 0)
            return order < 0;
        return byteOrder(name, other.name) < 0;
    }
};

bool PosixShellFolder::fillSortItems(
    int column, std::span<const IdList> children, std::vector<SortItem> &items)
{
    const int dirFd = ::open(m_location.path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return false;
    items.resize(children.size());
    // Kinds first: an insertion may move the table's slots, so pointers into it are
    // taken only once every child has one.
    for (std::size_t i = 0; i < children.size(); ++i) {
        SortItem &item = items[i];
        item.index = int(i);
        item.name = entryName(children[i]);
        if (item.name.isEmpty() || item.name.contains('/')) {
            ::close(dirFd);
            return false; // not a plain entry of this folder: compare pair by pair
        }
        const EntryInfo *found = m_entries.find(children[i]);
        if (!found || !found->known)
            m_entries.insert(children[i], entryKind(dirFd, item.name.data(), DT_UNKNOWN));
        // Made while a listing's lookups may still run on another thread.
        item.key = m_model->sortKeyOf(item.name);
    }
    takePrefetched(dirFd);
    std::vector<EntryInfo *> entries(children.size());
    std::vector<NamedEntry> toStat;
    const bool details = column == 1 || column == 3;
    for (std::size_t i = 0; i < children.size(); ++i) {
        EntryInfo *found = m_entries.find(children[i]);
        entries[i] = found;
        // A folder's size is 0 whatever it holds: ordering by size needs no look at it.
        const bool needsStat = column == 3 || !found->isDir;
        if (details && needsStat && found->exists && !found->hasDetails)
            toStat.push_back({ items[i].name.data(), found });
    }
    fillDetailsOfAll(dirFd, toStat);
    ::close(dirFd);
    QHash<QString, qint64> typeRanks;
    for (std::size_t i = 0; i < children.size(); ++i) {
        SortItem &item = items[i];
        const EntryInfo &entry = *entries[i];
        item.isDir = entry.isDir;
        if (column == 1)
            item.value = entry.isDir ? 0 : entry.size;
        else if (column == 3)
            item.value = entry.modified;
        else if (column == 2)
            typeRanks.insert(
                m_model->entryTypeName(m_location.path, item.name, entry.isDir, entry.isLink), 0);
    }
    if (column != 2)
        return true;
    // Type names are few: order them once, then each item carries its name's rank.
    QStringList names = typeRanks.keys();
    std::sort(names.begin(), names.end(),
        [&](const QString &x, const QString &y) { return m_model->collator.compare(x, y) < 0; });
    for (qsizetype rank = 0; rank < names.size(); ++rank)
        typeRanks[names[rank]] = rank;
    for (std::size_t i = 0; i < children.size(); ++i) {
        const EntryInfo &entry = *entries[i];
        items[i].value = typeRanks.value(
            m_model->entryTypeName(m_location.path, items[i].name, entry.isDir, entry.isLink));
    }
    return true;
}

bool PosixShellFolder::sortRanks(
    int column, std::span<const IdList> children, std::vector<int> &ranks)
{
    if (column < 0 || column > 3 || !m_location.hasPath())
        return false;
    std::vector<SortItem> items;
    if (!fillSortItems(column, children, items))
        return false;
    std::sort(items.begin(), items.end());
    ranks.assign(children.size(), 0);
    for (std::size_t i = 0; i < items.size(); ++i)
        ranks[std::size_t(items[i].index)] = int(i);
    return true;
}

// Drives that still resolve keep the mount table's order; those that no longer do (the
// medium was taken out) follow them, by their bytes, so that the order stays total.
std::optional<int> PosixShellFolder::compareDrives(QByteArrayView a, QByteArrayView b)
{
    const auto &drives = m_model->driveList();
    auto indexOf = [&](QByteArrayView item) {
        const QByteArrayView point = item.sliced(1);
        for (qsizetype i = 0; i < drives.size(); ++i) {
            if (drives[i].mountPoint == point)
                return i;
        }
        return drives.size();
    };
    const int order = threeWay(indexOf(a), indexOf(b));
    return order != 0 ? order : byteOrder(a, b);
}

std::optional<int> PosixShellFolder::compareItems(int column, const PosixLocation &parent,
    const IdList *direct, QByteArrayView a, QByteArrayView b)
{
    const auto driveKind = char(PosixItemKind::Drive);
    if (parent.kind == PosixLocation::Computer && !a.isEmpty() && !b.isEmpty() && a[0] == driveKind
        && b[0] == driveKind)
        return compareDrives(a, b);
    const auto first = m_model->step(parent, a);
    const auto second = m_model->step(parent, b);
    if (!first || !second)
        return std::nullopt;
    if (first->kind != second->kind)
        return threeWay(int(first->kind), int(second->kind));
    if (first->kind == PosixLocation::Home || first->kind == PosixLocation::Computer)
        return threeWay(virtualRank(first->name), virtualRank(second->name));
    return compareEntries(
        column, *first, *second, direct ? &direct[0] : nullptr, direct ? &direct[1] : nullptr);
}

int PosixShellFolder::compareEntries(int column, const PosixLocation &first,
    const PosixLocation &second, const IdList *directA, const IdList *directB)
{
    const bool details = column == 1 || column == 3;
    // The second lookup may rehash the table, so copy the first before making it.
    const EntryInfo x = directA ? cachedEntry(*directA, first, details) : info(first, details);
    const EntryInfo y = directB ? cachedEntry(*directB, second, details) : info(second, details);
    if (x.isDir != y.isDir)
        return x.isDir ? -1 : 1;
    int order = 0;
    if (column == 1)
        order = threeWay(x.size, y.size);
    else if (column == 2)
        order = m_model->collator.compare(m_model->typeName(first), m_model->typeName(second));
    else if (column == 3)
        order = threeWay(x.modified, y.modified);
    if (order == 0)
        order = m_model->sortKeyOf(first.name).compare(m_model->sortKeyOf(second.name));
    if (order != 0)
        return sign(order);
    return byteOrder(first.name, second.name);
}

std::optional<int> PosixShellFolder::compareIDs(int column, const IdList &a, const IdList &b)
{
    if (a.isNull() || b.isNull())
        return std::nullopt;
    PosixLocation parent = m_location;
    const int countA = a.count();
    const int countB = b.count();
    // Two direct children, the common case while sorting, use what the listing learnt.
    const IdList pair[2] = { a, b };
    const bool direct = countA == 1 && countB == 1;
    for (int level = 0;; ++level) {
        if (level == countA || level == countB)
            return threeWay(countA - level, countB - level);
        const QByteArrayView itemA = a.itemData(level);
        const QByteArrayView itemB = b.itemData(level);
        if (itemA != itemB)
            return compareItems(column, parent, direct ? pair : nullptr, itemA, itemB);
        const auto next = m_model->step(parent, itemA);
        if (!next)
            return std::nullopt;
        parent = *next;
    }
}

} // namespace lumisnap
