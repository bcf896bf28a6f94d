#include "shell/namespace/ShellModel.h"

#include "shell/namespace/DriveList.h"
#include "shell/namespace/PosixShellModel.h"

namespace lumisnap {

namespace {

std::shared_ptr<ShellModel> &currentModel()
{
    static std::shared_ptr<ShellModel> model;
    return model;
}

} // namespace

ShellModel &shellModel()
{
    auto &model = currentModel();
    if (!model)
        model = std::make_shared<PosixShellModel>();
    return *model;
}

std::shared_ptr<ShellModel> setShellModel(std::shared_ptr<ShellModel> model)
{
    auto previous = std::move(currentModel());
    currentModel() = std::move(model);
    return previous;
}

QString ShellModel::driveRootOf(const QString &path)
{
    return DriveList::mountPointOf(path);
}

ShellFolderPtr ShellModel::bindToFolder(const IdList &absolute)
{
    ShellFolderPtr desktop = desktopFolder();
    if (!desktop || absolute.isEmpty())
        return desktop;
    return desktop->bindToObject(absolute);
}

QString ShellModel::pathText(const IdList &absolute)
{
    return pathFromIdList(absolute).value_or(QString());
}

bool ShellModel::rootMovedFrom(const ShellFolderPtr &shownRoot)
{
    revalidateRoot();
    return shownRoot != desktopFolder();
}

SplitResult SplitIdList(const IdList &absolute)
{
    ShellModel &model = shellModel();
    SplitResult result;
    IdList list = absolute;
    if (list.isEmpty()) {
        const ShellFolderPtr desktop = model.desktopFolder();
        if (!desktop)
            return result;
        list = desktop->parseDisplayName(model.pathText(IdList::empty()));
        if (list.isEmpty())
            return result;
    }
    const int count = IdListCount(list);
    result.lastItem = IdListItem(list, count - 1);
    result.parentIdList = IdListAncestor(list, 1);
    result.parentFolder = model.bindToFolder(result.parentIdList);
    result.ok = result.parentFolder != nullptr;
    return result;
}

QString GetDisplayNameOf(ShellFolder *folder, const IdList &relative, ShellDisplayName kind)
{
    return folder ? folder->displayNameOf(relative, kind) : QString();
}

} // namespace lumisnap
