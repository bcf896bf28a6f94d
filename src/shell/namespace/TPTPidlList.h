#pragma once

#include "shell/namespace/IdList.h"
#include "shell/namespace/ShellFolder.h"

#include <QList>

#include <optional>

namespace lumisnap {

// Identifier lists with an attached object each, optionally kept sorted (by a
// folder's CompareIDs column 0, or by the byte order when no folder is set).
// Lists are values here, so "owning" only decides whether Delete/Clear drop them
// (always true in effect); the flag is kept for callers that mirror it.
class TPTPidlList
{
public:
    enum Duplicates { dupIgnore = 0, dupAccept = 1, dupError = 2 };

    explicit TPTPidlList(ShellFolderPtr compareFolder = nullptr, bool owning = false);

    int Add(const lumisnap::IdList &list, void *object = nullptr);
    const lumisnap::IdList &IdList(int i) const;
    void *Object(int i) const;
    void setObject(int i, void *object);
    int Count() const { return int(m_entries.size()); }
    int Capacity() const { return int(m_entries.capacity()); }
    void setCapacity(int capacity);
    void Delete(int i);
    void Clear();
    int IndexOf(const lumisnap::IdList &list) const;

    bool Sorted() const { return m_sorted; }
    void setSorted(bool sorted);
    Duplicates duplicates() const { return m_duplicates; }
    void setDuplicates(Duplicates d) { m_duplicates = d; }
    ShellFolderPtr compareFolder() const { return m_folder; }
    void setCompareFolder(ShellFolderPtr folder) { m_folder = std::move(folder); }
    bool owning() const { return m_owning; }
    void setOwning(bool owning) { m_owning = owning; }

    // The halving search: the index where `key` belongs, and whether an equal entry
    // was met. Exposed for tests and for callers that merge two lists.
    struct FindResult
    {
        int index = 0;
        bool found = false;
    };
    FindResult Find(const lumisnap::IdList &key) const;

    // The order in use: the folder's CompareIDs, or the byte order. It is total: lists the
    // folder cannot compare follow the others, by their bytes.
    int compare(const lumisnap::IdList &a, const lumisnap::IdList &b) const;

private:
    struct Entry
    {
        lumisnap::IdList list;
        void *object = nullptr;
    };
    void checkIndex(int i) const;

    QList<Entry> m_entries;
    ShellFolderPtr m_folder;
    bool m_sorted = false;
    bool m_owning = false;
    Duplicates m_duplicates = dupError;
};

} // namespace lumisnap
