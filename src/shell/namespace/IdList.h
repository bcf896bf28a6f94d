#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <optional>

namespace lumisnap {

// An item identifier list held as raw bytes: items of a 16-bit little-endian count
// (the two count bytes included) followed by the item's data, then a 16-bit zero.
// A default-constructed list is "none"; the two-byte terminator alone is the root.
// A list that is not none is always well formed: every way in validates its bytes.
// Copies are independent values (each holder owns its own list).
class IdList
{
public:
    IdList() = default;

    // The two-byte list naming the root of the namespace.
    static IdList empty();

    // One-item list holding `data` as the item's bytes; none when the data is too long
    // for a 16-bit count.
    static IdList fromItemData(QByteArrayView data);

    // Validates untrusted bytes: every count >= 2 and inside the bytes, ending with a
    // terminator. Bytes after the terminator are ignored. Malformed bytes give none.
    static IdList fromBytes(QByteArrayView bytes);

    // Length of the well-formed list at the start of `bytes` (terminator included),
    // or nullopt when there is none.
    static std::optional<qsizetype> validLength(QByteArrayView bytes);

    bool isNull() const { return m_bytes.isNull(); } // none
    bool isEmpty() const { return m_bytes.size() <= 2; } // none or the root
    qsizetype size() const { return m_bytes.size(); } // terminator included; 0 for none
    const std::uint8_t *data() const;
    const QByteArray &bytes() const { return m_bytes; }

    int count() const; // number of items
    // Data bytes (after the count) of item i; empty view when out of range.
    QByteArrayView itemData(int i) const;
    // Data bytes of the last item; empty view for none or the root.
    QByteArrayView lastItemData() const;

    // Same bytes (none equals none).
    bool operator==(const IdList &other) const { return m_bytes == other.m_bytes; }

private:
    explicit IdList(QByteArray bytes)
        : m_bytes(std::move(bytes))
    {
    }
    friend IdList ConcatIdLists(const IdList &first, const IdList &second);
    friend IdList IdListAncestor(const IdList &list, int n);
    friend IdList IdListItem(const IdList &list, int i);

    QByteArray m_bytes;
};

// Total size in bytes including the terminator; 0 for none.
qsizetype IdListSize(const IdList &list);

// A copy with the same items; the root for none or empty.
IdList CopyIdList(const IdList &list);

// First's items followed by second's, one terminator; either may be none or empty.
IdList ConcatIdLists(const IdList &first, const IdList &second);

// Three-way comparison through the current model's desktop folder (column 0).
// Both none: 0; one none: -1; both empty: 0; one empty: -1. No answer (nullopt)
// when the desktop folder or its comparison fails.
std::optional<int> CompareIdLists(const IdList &a, const IdList &b);

// Equality as the callers test it: a comparison without answer is "not equal".
bool IdListsEqual(const IdList &a, const IdList &b);

// The byte order: byte by byte over the smaller total size, then the shorter first.
// Returns <0, 0, >0. None counts as zero bytes.
int IdListByteOrder(const IdList &a, const IdList &b);

// A hash of a list's bytes (equal bytes, equal hash), for tables of many short lists.
std::uint32_t IdListHash(const IdList &list);

// Number of items; 0 for none or empty.
int IdListCount(const IdList &list);

// The list without its last n items; n == count gives the root; none when n is
// negative or above the count (and for a none list).
IdList IdListAncestor(const IdList &list, int n);

// One-item list holding item i. Throws ERangeError("TPTIdListArray - index %d out of
// range") when i < 0 or (count > 0 and i >= count). For a none or empty list with
// i >= 0 the result is the root.
IdList IdListItem(const IdList &list, int i);

} // namespace lumisnap
