#include "shell/namespace/ShellEnum.h"

#include "shell/namespace/TPTPidlList.h"

#include <algorithm>
#include <utility>

namespace lumisnap {

EnumOutcome enumerateChildren(
    ShellFolder &folder, std::uint32_t flags, std::vector<IdList> &items, qsizetype initialCapacity)
{
    std::unique_ptr<IdListEnumerator> enumerator = folder.enumObjects(flags);
    if (!enumerator)
        return EnumOutcome::CannotList;
    items.reserve(size_t(initialCapacity));
    IdList item;
    IdListEnumerator::Result result;
    while ((result = enumerator->next(item)) == IdListEnumerator::Result::Ok)
        items.push_back(std::exchange(item, IdList()));
    return result == IdListEnumerator::Result::Fail ? EnumOutcome::Failed : EnumOutcome::Listed;
}

void matchFreshAgainstOld(const TPTPidlList &old, const std::vector<IdList> &fresh,
    std::vector<char> &oldMatched, std::vector<char> &freshMatched)
{
    oldMatched.assign(size_t(old.Count()), 0);
    freshMatched.assign(fresh.size(), 0);
    for (size_t i = fresh.size(); i-- > 0;) {
        const TPTPidlList::FindResult found = old.Find(fresh[i]);
        if (!found.found)
            continue;
        // Equal entries sit together; take the first one not yet claimed.
        for (int at = found.index; at < old.Count() && old.compare(old.IdList(at), fresh[i]) == 0;
             ++at) {
            if (!oldMatched[size_t(at)]) {
                oldMatched[size_t(at)] = 1;
                freshMatched[i] = 1;
                break;
            }
        }
    }
}

void matchFreshByBytes(const std::vector<IdList> &old, const std::vector<IdList> &fresh,
    std::vector<char> &oldMatched, std::vector<char> &freshMatched)
{
    oldMatched.assign(old.size(), 0);
    freshMatched.assign(fresh.size(), 0);
    // Open addressing with linear probing; a slot holds an old index, -1 when free.
    std::size_t capacity = 16;
    while (capacity < old.size() * 2)
        capacity *= 2;
    const std::size_t mask = capacity - 1;
    std::vector<int> table(capacity, -1);
    std::vector<std::uint32_t> hashes(old.size());
    for (std::size_t i = 0; i < old.size(); ++i) {
        hashes[i] = IdListHash(old[i]);
        std::size_t at = hashes[i] & mask;
        while (table[at] >= 0)
            at = (at + 1) & mask;
        table[at] = int(i);
    }
    for (std::size_t i = fresh.size(); i-- > 0;) {
        const std::uint32_t hash = IdListHash(fresh[i]);
        for (std::size_t at = hash & mask; table[at] >= 0; at = (at + 1) & mask) {
            const auto candidate = std::size_t(table[at]);
            if (hashes[candidate] == hash && !oldMatched[candidate]
                && old[candidate].bytes() == fresh[i].bytes()) {
                oldMatched[candidate] = 1;
                freshMatched[i] = 1;
                break;
            }
        }
    }
}

std::vector<int> stableSortOrder(int count, const std::function<int(int, int)> &compare)
{
    std::vector<int> order(size_t(std::max(count, 0))), buffer(order.size());
    for (int i = 0; i < count; ++i)
        order[size_t(i)] = i;
    for (int width = 1; width < count; width *= 2) {
        for (int lo = 0; lo < count; lo += 2 * width) {
            const int mid = std::min(lo + width, count), hi = std::min(lo + 2 * width, count);
            int a = lo, b = mid, out = lo;
            while (a < mid && b < hi)
                buffer[size_t(out++)] = compare(order[size_t(b)], order[size_t(a)]) < 0
                    ? order[size_t(b++)]
                    : order[size_t(a++)];
            while (a < mid)
                buffer[size_t(out++)] = order[size_t(a++)];
            while (b < hi)
                buffer[size_t(out++)] = order[size_t(b++)];
        }
        order.swap(buffer);
    }
    return order;
}

} // namespace lumisnap
