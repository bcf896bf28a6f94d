#include "shell/controls/FillScope.h"

#include "shell/namespace/ShellModel.h"

#include <QCursor>
#include <QGuiApplication>

#include <span>

namespace lumisnap {

namespace {

void revalidateDrives()
{
    ShellModel &model = shellModel();
    const ShellFolderPtr computer = model.bindToFolder(model.specialFolderLocation(CSIDL_DRIVES));
    if (computer)
        computer->attributesOf(std::span<const IdList>(), SFGAO_VALIDATE);
}

} // namespace

FillScope::FillScope()
{
    if (s_nesting++ == 0)
        revalidateDrives();
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

FillScope::~FillScope()
{
    QGuiApplication::restoreOverrideCursor();
    --s_nesting;
}

} // namespace lumisnap
