#include "shell/namespace/TPTShellLocator.h"

#include "common/ByteReader.h"
#include "shell/namespace/ShellModel.h"

#include <utility>

namespace lumisnap {

void TPTShellLocator::changed()
{
    if (m_onChange)
        m_onChange(*this);
}

const IdList &TPTShellLocator::GetIdList()
{
    if (m_kind == kSpecialFolder && m_idList.isNull())
        m_idList = shellModel().specialFolderLocation(m_special);
    return m_idList;
}

void TPTShellLocator::SetIdList(const IdList &newList)
{
    // The root is held as none, so a root list given again is no change.
    const IdList list = newList.size() > 2 ? newList : IdList(); // may be our own list
    const bool wasSpecial = m_kind == kSpecialFolder;
    const IdList old = std::exchange(m_idList, list);
    m_kind = kIdList;
    bool change = wasSpecial;
    if (!change && (old.isNull() || list.isNull()))
        change = old.isNull() != list.isNull();
    else if (!change) {
        const auto order = CompareIdLists(old, list);
        change = order && *order != 0;
    }
    if (change)
        changed();
}

void TPTShellLocator::SetSpecialFolder(int csidl)
{
    const int number = csidl & 0xFF;
    if (m_kind == kSpecialFolder && m_special == number)
        return;
    m_kind = kSpecialFolder;
    m_special = number;
    m_idList = IdList();
    changed();
}

QString TPTShellLocator::GetPath()
{
    const IdList &list = GetIdList();
    return shellModel().pathText(list.isNull() ? IdList::empty() : list);
}

bool TPTShellLocator::equals(const TPTShellLocator &other) const
{
    if (&other == this)
        return true;
    if (m_kind != other.m_kind)
        return false;
    if (m_kind == kSpecialFolder)
        return m_special == other.m_special;
    const auto order = CompareIdLists(m_idList, other.m_idList);
    return order && *order == 0;
}

void TPTShellLocator::Assign(const TPTShellLocator *other)
{
    if (!other) {
        if (m_idList.isNull())
            return;
        m_idList = IdList();
        m_kind = kIdList;
        changed();
        return;
    }
    if (equals(*other))
        return;
    m_kind = other->m_kind;
    m_special = other->m_special;
    m_idList = m_kind == kIdList ? other->m_idList : IdList();
    changed();
}

QByteArray TPTShellLocator::writePidl() const
{
    QByteArray out;
    if (!shouldStorePidl())
        return out;
    out.append(char(m_kind));
    if (m_kind == kSpecialFolder) {
        out.append(char(m_special));
        return out;
    }
    const auto size = std::uint32_t(m_idList.size());
    for (int shift = 0; shift < 32; shift += 8)
        out.append(char((size >> shift) & 0xFF));
    out.append(m_idList.bytes());
    return out;
}

void TPTShellLocator::readPidl(const QByteArray &bytes)
{
    ByteReader reader(bytes.constData(), std::size_t(bytes.size()));
    const std::uint8_t kind = reader.u8();
    if (kind != 0) {
        const std::uint8_t number = reader.u8();
        m_idList = IdList();
        m_kind = kSpecialFolder;
        m_special = number;
        changed();
        return;
    }
    const std::uint32_t size = reader.u32();
    if (size == 0) {
        m_idList = IdList();
        m_kind = kSpecialFolder;
        m_special = CSIDL_DESKTOP;
        changed();
        return;
    }
    // The count comes from outside: check it against what is there before using it,
    // and the list's own structure before holding it.
    const auto raw = reader.bytes(size);
    IdList list = IdList::fromBytes(QByteArrayView(raw.data(), qsizetype(raw.size())));
    if (list.isNull() || list.size() != qsizetype(size))
        throw EReadError(streamReadErrorText());
    SetIdList(list);
}

} // namespace lumisnap
