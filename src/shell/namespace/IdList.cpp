#include "shell/namespace/IdList.h"

#include "common/Error.h"
#include "shell/namespace/ShellModel.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace lumisnap {

namespace {

constexpr qsizetype TerminatorSize = 2;

std::uint16_t readCount(const char *p)
{
    return std::uint16_t(std::uint8_t(p[0]) | (std::uint8_t(p[1]) << 8));
}

void appendCount(QByteArray &out, std::uint16_t cb)
{
    out.append(char(cb & 0xFF));
    out.append(char(cb >> 8));
}

// Bytes of the items only (no terminator); empty for none and the root.
QByteArrayView itemBytes(const QByteArray &list)
{
    if (list.size() <= TerminatorSize)
        return {};
    return QByteArrayView(list).first(list.size() - TerminatorSize);
}

// Offset of item i inside a well-formed list, or -1.
qsizetype itemOffset(const QByteArray &list, int i)
{
    if (i < 0)
        return -1;
    qsizetype pos = 0;
    const qsizetype end = list.size() - TerminatorSize;
    for (int k = 0; pos < end; ++k) {
        if (k == i)
            return pos;
        pos += readCount(list.constData() + pos);
    }
    return -1;
}

} // namespace

IdList IdList::empty()
{
    return IdList(QByteArray(TerminatorSize, '\0'));
}

IdList IdList::fromItemData(QByteArrayView data)
{
    const qsizetype cb = data.size() + 2;
    if (cb > std::numeric_limits<std::uint16_t>::max())
        return {};
    // Written in place: every entry of every listing is made here.
    QByteArray out(cb + TerminatorSize, Qt::Uninitialized);
    char *at = out.data();
    at[0] = char(cb & 0xFF);
    at[1] = char(cb >> 8);
    if (!data.isEmpty())
        std::memcpy(at + 2, data.data(), std::size_t(data.size()));
    at[cb] = at[cb + 1] = 0;
    return IdList(std::move(out));
}

std::optional<qsizetype> IdList::validLength(QByteArrayView bytes)
{
    qsizetype pos = 0;
    for (;;) {
        if (bytes.size() - pos < 2)
            return std::nullopt;
        const std::uint16_t cb = readCount(bytes.data() + pos);
        if (cb == 0)
            return pos + TerminatorSize;
        if (cb < 2 || cb > bytes.size() - pos)
            return std::nullopt;
        pos += cb;
    }
}

IdList IdList::fromBytes(QByteArrayView bytes)
{
    const auto length = validLength(bytes);
    if (!length)
        return {};
    return IdList(bytes.first(*length).toByteArray());
}

const std::uint8_t *IdList::data() const
{
    return reinterpret_cast<const std::uint8_t *>(m_bytes.constData());
}

int IdList::count() const
{
    int n = 0;
    const qsizetype end = m_bytes.size() - TerminatorSize;
    for (qsizetype pos = 0; pos < end; pos += readCount(m_bytes.constData() + pos))
        ++n;
    return n;
}

QByteArrayView IdList::itemData(int i) const
{
    const qsizetype pos = itemOffset(m_bytes, i);
    if (pos < 0)
        return {};
    const std::uint16_t cb = readCount(m_bytes.constData() + pos);
    return QByteArrayView(m_bytes.constData() + pos + 2, cb - 2);
}

QByteArrayView IdList::lastItemData() const
{
    const int n = count();
    return n > 0 ? itemData(n - 1) : QByteArrayView();
}

qsizetype IdListSize(const IdList &list)
{
    return list.size();
}

IdList CopyIdList(const IdList &list)
{
    if (list.isEmpty())
        return IdList::empty();
    return list;
}

IdList ConcatIdLists(const IdList &first, const IdList &second)
{
    QByteArray out;
    out.reserve(std::max<qsizetype>(first.size(), 2) + std::max<qsizetype>(second.size(), 2));
    out.append(itemBytes(first.bytes()));
    out.append(itemBytes(second.bytes()));
    appendCount(out, 0);
    return IdList(std::move(out));
}

std::optional<int> CompareIdLists(const IdList &a, const IdList &b)
{
    if (a.isNull() || b.isNull())
        return (a.isNull() && b.isNull()) ? 0 : -1;
    if (a.isEmpty() || b.isEmpty())
        return (a.isEmpty() && b.isEmpty()) ? 0 : -1;
    const ShellFolderPtr desktop = shellModel().desktopFolder();
    if (!desktop)
        return std::nullopt;
    const auto result = desktop->compareIDs(0, a, b);
    if (!result)
        return std::nullopt;
    return int(std::int16_t(std::uint16_t(*result & 0xFFFF)));
}

bool IdListsEqual(const IdList &a, const IdList &b)
{
    const auto result = CompareIdLists(a, b);
    return result && *result == 0;
}

int IdListByteOrder(const IdList &a, const IdList &b)
{
    const qsizetype common = std::min(a.size(), b.size());
    if (common > 0) {
        const int diff = std::memcmp(a.data(), b.data(), size_t(common));
        if (diff != 0)
            return diff < 0 ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::uint32_t IdListHash(const IdList &list)
{
    std::uint32_t hash = 2166136261u; // FNV-1a: the lists are short and not chosen to collide
    for (const char c : list.bytes())
        hash = (hash ^ std::uint8_t(c)) * 16777619u;
    // Tables index by the low bits, which FNV alone leaves poorly mixed for names that
    // differ only in their last characters.
    hash ^= hash >> 16;
    hash *= 0x85ebca6bu;
    hash ^= hash >> 13;
    hash *= 0xc2b2ae35u;
    return hash ^ (hash >> 16);
}

int IdListCount(const IdList &list)
{
    return list.count();
}

IdList IdListAncestor(const IdList &list, int n)
{
    const int count = list.count();
    if (list.isNull() || n < 0 || n > count)
        return {};
    const qsizetype cut
        = n == 0 ? list.size() - TerminatorSize : itemOffset(list.bytes(), count - n);
    QByteArray out = list.bytes().left(cut);
    appendCount(out, 0);
    return IdList(std::move(out));
}

IdList IdListItem(const IdList &list, int i)
{
    const int count = list.count();
    if (i < 0 || (count > 0 && i >= count))
        throw ERangeError(QStringLiteral("TPTIdListArray - index %1 out of range").arg(i));
    if (count == 0)
        return IdList::empty();
    return IdList::fromItemData(list.itemData(i));
}

} // namespace lumisnap
