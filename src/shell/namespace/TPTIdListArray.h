#pragma once

#include "shell/namespace/IdList.h"

namespace lumisnap {

// A read-only view over one absolute list (not owned) plus one result that it owns;
// each call replaces the previous result, so a caller copies what it keeps.
class TPTIdListArray
{
public:
    explicit TPTIdListArray(const IdList *list = nullptr)
        : m_list(list)
    {
    }

    void setIdList(const IdList *list) { m_list = list; }
    const IdList *idList() const { return m_list; }

    int Count() const;
    const IdList &Ancestor(int n); // none when out of range
    const IdList &Item(int i); // throws ERangeError when out of range

private:
    const IdList &list() const;

    const IdList *m_list = nullptr;
    IdList m_result;
};

} // namespace lumisnap
