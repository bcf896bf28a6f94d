#include "shell/namespace/TPTIdListArray.h"

namespace lumisnap {

const IdList &TPTIdListArray::list() const
{
    static const IdList none;
    return m_list ? *m_list : none;
}

int TPTIdListArray::Count() const
{
    return IdListCount(list());
}

const IdList &TPTIdListArray::Ancestor(int n)
{
    m_result = IdListAncestor(list(), n);
    return m_result;
}

const IdList &TPTIdListArray::Item(int i)
{
    m_result = IdList();
    m_result = IdListItem(list(), i);
    return m_result;
}

} // namespace lumisnap
