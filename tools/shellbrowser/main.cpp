// Shows the folder tree driving the filtered file list, drawn white on black in bold
// Comic Sans the way the main window draws them. An optional argument names the folder
// to open.
#include "common/FileName.h"
#include "shell/controls/TPTCustomDraw.h"
#include "shell/controls/TPTShellList.h"
#include "shell/controls/TPTShellTree.h"
#include "shell/namespace/ShellModel.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QWidget>

using namespace lumisnap;

namespace {

void whiteOnBlack(TPTCustomDraw *cd)
{
    cd->Brush().setColor(clBlack);
    cd->Font().setColor(clWhite);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QFont::insertSubstitution("Comic Sans MS", "Comic Neue");
    QFont font("Comic Sans MS");
    font.setBold(true);
    font.setPixelSize(11);

    QWidget window;
    window.setWindowTitle("Shell browser");
    auto *layout = new QHBoxLayout(&window);
    auto *tree = new TPTShellTree(&window);
    auto *list = new TPTShellList(&window);
    layout->addWidget(tree, 1);
    layout->addWidget(list, 2);

    tree->setFont(font);
    tree->setColor(clBlack);
    tree->setFontColor(clBlue);
    tree->setShowButtons(false);
    tree->setShowRoot(false);
    tree->setIndent(19);
    list->setFont(font);
    list->setColor(clBlack);
    list->setFileFilter("*.gif;*.jpg;*.ico;*.bmp");
    list->setOptions(list->Options() | ptsloHideFoldersWhenLinkedToTree | ptsloDontChangeFolder);
    QObject::connect(tree, &TPTShellTree::OnCustomDrawSh, tree,
        [](QObject *, TPTCustomDraw *cd, QStandardItem *, TPTShTreeData *) { whiteOnBlack(cd); });
    QObject::connect(list, &TPTShellList::OnCustomDrawSh, list,
        [](QObject *, TPTCustomDraw *cd, int, TPTShListData *) { whiteOnBlack(cd); });

    tree->setShellList(list);
    if (argc > 1)
        tree->CurrentFolder().SetIdList(
            shellModel().desktopFolder()->parseDisplayName(decodeFileName(QByteArray(argv[1]))));
    list->Loaded();
    tree->Loaded();
    window.resize(760, 420);
    window.show();
    return app.exec();
}
