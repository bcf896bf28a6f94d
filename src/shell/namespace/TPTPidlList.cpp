#include "shell/namespace/TPTPidlList.h"

#include "common/Error.h"

#include <algorithm>

namespace lumisnap {

TPTPidlList::TPTPidlList(ShellFolderPtr compareFolder, bool owning)
    : m_folder(std::move(compareFolder))
    , m_owning(owning)
{
}

int TPTPidlList::compare(const lumisnap::IdList &a, const lumisnap::IdList &b) const
{
    if (!m_folder)
        return IdListByteOrder(a, b);
    if (const auto result = m_folder->compareIDs(0, a, b))
        return std::int16_t(std::uint16_t(*result & 0xFFFF));
    // Without an answer the searches would take any entry for a match (and the sort would
    // have no order): lists the folder still knows come first, the others after them in
    // byte order.
    const bool knownA = m_folder->compareIDs(0, a, a).has_value();
    const bool knownB = m_folder->compareIDs(0, b, b).has_value();
    if (knownA != knownB)
        return knownA ? -1 : 1;
    return IdListByteOrder(a, b);
}

TPTPidlList::FindResult TPTPidlList::Find(const lumisnap::IdList &key) const
{
    FindResult result;
    int low = 0;
    int high = Count() - 1;
    while (high >= low) {
        const int middle = (low + high) / 2;
        const int order = compare(m_entries[middle].list, key);
        if (order < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            if (order == 0) {
                result.found = true;
                if (m_duplicates != dupAccept)
                    low = middle;
            }
        }
    }
    result.index = low;
    return result;
}

int TPTPidlList::Add(const lumisnap::IdList &list, void *object)
{
    int index = Count();
    if (m_sorted) {
        const FindResult found = Find(list);
        if (found.found) {
            if (m_duplicates == dupIgnore)
                return found.index;
            if (m_duplicates == dupError)
                throw EShellError(QStringLiteral("TPTPidlList: Duplicate PIDL"));
        }
        index = found.index;
    }
    m_entries.insert(index, Entry { list, object });
    return index;
}

void TPTPidlList::checkIndex(int i) const
{
    if (i < 0 || i >= Count())
        throw ERangeError(QStringLiteral("List index out of bounds (%1)").arg(i));
}

const lumisnap::IdList &TPTPidlList::IdList(int i) const
{
    checkIndex(i);
    return m_entries[i].list;
}

void *TPTPidlList::Object(int i) const
{
    checkIndex(i);
    return m_entries[i].object;
}

void TPTPidlList::setObject(int i, void *object)
{
    checkIndex(i);
    m_entries[i].object = object;
}

void TPTPidlList::setCapacity(int capacity)
{
    if (capacity > Count())
        m_entries.reserve(capacity);
}

void TPTPidlList::Delete(int i)
{
    checkIndex(i);
    m_entries.removeAt(i);
}

void TPTPidlList::Clear()
{
    m_entries.clear();
}

int TPTPidlList::IndexOf(const lumisnap::IdList &list) const
{
    if (m_sorted) {
        const FindResult found = Find(list);
        return found.found ? found.index : -1;
    }
    for (int i = 0; i < Count(); ++i) {
        if (compare(m_entries[i].list, list) == 0)
            return i;
    }
    return -1;
}

void TPTPidlList::setSorted(bool sorted)
{
    if (sorted == m_sorted)
        return;
    m_sorted = sorted;
    if (sorted) {
        std::stable_sort(m_entries.begin(), m_entries.end(),
            [this](const Entry &a, const Entry &b) { return compare(a.list, b.list) < 0; });
    }
}

} // namespace lumisnap
