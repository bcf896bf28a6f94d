#pragma once

#include "shell/namespace/IdList.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace lumisnap {

// Names a folder either by an absolute identifier list (kind 0) or by a special
// folder number (kind 1, resolved on first use). The owner's change handler runs
// after every change.
class TPTShellLocator
{
public:
    enum Kind { kIdList = 0, kSpecialFolder = 1 };
    using ChangeHandler = std::function<void(TPTShellLocator &)>;

    TPTShellLocator() = default;
    explicit TPTShellLocator(ChangeHandler onChange)
        : m_onChange(std::move(onChange))
    {
    }
    TPTShellLocator(const TPTShellLocator &) = delete;
    TPTShellLocator &operator=(const TPTShellLocator &) = delete;

    void setChangeHandler(ChangeHandler onChange) { m_onChange = std::move(onChange); }

    Kind kind() const { return m_kind; }
    int specialFolder() const { return m_special; }
    bool holdsList() const { return !m_idList.isNull(); }

    // Kind 0: the held list (none = the root). Kind 1: the special folder's list,
    // looked up once and cached.
    const IdList &GetIdList();
    void SetIdList(const IdList &list);
    void SetSpecialFolder(int csidl); // kind 1; the change handler runs when different
    void Clear() { SetIdList(IdList()); }
    QString GetPath(); // "" when the folder has no file-system path
    void Assign(const TPTShellLocator *other);
    bool equals(const TPTShellLocator &other) const;

    // The stored "Pidl" form; empty when nothing would be written.
    QByteArray writePidl() const;
    bool shouldStorePidl() const { return m_kind == kSpecialFolder || holdsList(); }
    // Reads the stored form; malformed bytes throw EReadError("Stream read error")
    // and leave the locator unchanged.
    void readPidl(const QByteArray &bytes);

private:
    void changed();

    Kind m_kind = kIdList;
    int m_special = 0;
    IdList m_idList;
    ChangeHandler m_onChange;
};

} // namespace lumisnap
