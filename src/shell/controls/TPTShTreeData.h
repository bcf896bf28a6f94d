#pragma once

#include "shell/namespace/IdList.h"
#include "shell/namespace/ShellFolder.h"

#include <QString>

#include <memory>

namespace lumisnap {

class ShellModel;
class TPTCustomShellTree;

// The record of one tree node: its list relative to the parent node, the cached
// absolute list and the cached folder object of the node itself. The model pointer
// plays the part of the shell allocator: a record without one is "not initialised".
class TPTShTreeData
{
public:
    TPTShTreeData() = default; // not initialised
    // `parent` must outlive this record (the parent node owns it). For a root node
    // (parent null) `relIdList` is the absolute list and `folder`, when given, its
    // folder object.
    TPTShTreeData(TPTCustomShellTree *tree, TPTShTreeData *parent, const IdList &relIdList,
        ShellFolderPtr folder = nullptr);

    TPTCustomShellTree *tree() const { return m_tree; }
    TPTShTreeData *parent() const { return m_parent; }
    bool isRoot() const { return m_parent == nullptr; }

    const IdList &RelIdList() const { return m_rel; }
    const IdList &AbsIdList(); // cached
    QString Path(); // throws EShellError("TPTShTreeData not initialised") without a model
    ShellFolderPtr folder(); // bound on first use; null on failure
    ShellFolderPtr parentFolder(); // the parent's folder (root: from SplitIdList)
    bool CanRename();
    void SetRelIdList(const IdList &list); // after a rename
    void Invalidate(); // drops the cached absolute list and folder

private:
    TPTCustomShellTree *m_tree = nullptr;
    TPTShTreeData *m_parent = nullptr;
    IdList m_rel;
    IdList m_abs;
    ShellFolderPtr m_folder;
    ShellModel *m_model = nullptr;
};

} // namespace lumisnap
