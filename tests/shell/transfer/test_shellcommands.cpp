#include "common/ErrorReport.h"
#include "common/FileName.h"
#include "shell/controls/DragAutoScroll.h"
#include "shell/controls/ShellTreeModel.h"
#include "shell/controls/TPTShListData.h"
#include "shell/controls/TPTShellList.h"
#include "shell/controls/TPTShellTree.h"
#include "shell/namespace/ShellModel.h"
#include "shell/transfer/ShellDataObject.h"
#include "shell/transfer/ShellDrag.h"
#include "shell/transfer/ShellOpen.h"
#include "shell/transfer/ShellServices.h"
#include "shell/transfer/TransferCalls.h"
#include "shell/watch/ShellTimer.h"

#include <QApplication>
#include <QDir>
#include <QDrag>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <dirent.h>
#include <unistd.h>

using namespace lumisnap;

namespace {

// Holds what the commands put on the clipboard, away from the desktop's.
class TestClipboard : public ShellClipboard
{
public:
    std::unique_ptr<QMimeData> data;
    const QMimeData *mimeData() override { return data.get(); }
    void setMimeData(std::unique_ptr<QMimeData> d) override { data = std::move(d); }
    void clear() override { data.reset(); }
};

class RecordingOpen : public ShellOpen
{
public:
    QStringList opened;
    bool open(const QString &file, const QString &, const QString &) override
    {
        opened << file;
        return true;
    }
};

void touch(const QString &path, const QByteArray &bytes = "x")
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Names as their bytes, which Qt's own listing would not keep.
QList<QByteArray> rawEntries(const QByteArray &folder)
{
    QList<QByteArray> names;
    DIR *dir = opendir(folder.constData());
    while (const dirent *entry = dir ? readdir(dir) : nullptr)
        if (qstrcmp(entry->d_name, ".") != 0 && qstrcmp(entry->d_name, "..") != 0)
            names << QByteArray(entry->d_name);
    if (dir)
        closedir(dir);
    return names;
}

IdList folderList(const QString &path)
{
    return shellModel().desktopFolder()->parseDisplayName(path);
}

std::unique_ptr<QMimeData> uriListOf(const QStringList &paths)
{
    auto data = std::make_unique<QMimeData>();
    QByteArray list;
    for (const QString &path : paths)
        list += fileUrlOf(path).toEncoded() + "\r\n";
    data->setData(UriListMime, list);
    return data;
}

// A rename of one path fails as a broken disk makes it fail.
struct FailingRename : TransferCalls
{
    QByteArray path;
    TransferCalls *previous;
    explicit FailingRename(QByteArray failing)
        : path(std::move(failing))
        , previous(setCurrent(this))
    {
    }
    ~FailingRename() override { setCurrent(previous); }
    int rename(const char *from, const char *to, unsigned flags) override
    {
        if (path == from) {
            errno = EIO;
            return -1;
        }
        return TransferCalls::rename(from, to, flags);
    }
};

// One drag over a control's view, as the platform delivers it.
Qt::DropAction dropAt(QAbstractScrollArea &view, QPoint pos, const QMimeData *data,
    Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction,
    Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget *viewport = view.viewport();
    QDragEnterEvent enter(pos, actions, data, Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(pos, actions, data, Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(viewport, &move);
    if (!move.isAccepted()) {
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(viewport, &leave);
        return Qt::IgnoreAction;
    }
    QDropEvent drop(QPointF(pos), actions, data, Qt::NoButton, modifiers);
    QCoreApplication::sendEvent(viewport, &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

// A drag entering a view at the first point and moving through the others, dropped at the
// last one when the last move was taken. Whether the entry was taken, and the drop's action.
std::pair<bool, Qt::DropAction> dragThrough(
    QAbstractScrollArea &view, const QList<QPoint> &points, const QMimeData *data)
{
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QWidget *viewport = view.viewport();
    QDragEnterEvent enter(points.first(), actions, data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(viewport, &enter);
    bool taken = false;
    for (const QPoint &point : points) {
        QDragMoveEvent move(point, actions, data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(viewport, &move);
        taken = move.isAccepted();
    }
    if (!taken) {
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(viewport, &leave);
        return { enter.isAccepted(), Qt::IgnoreAction };
    }
    QDropEvent drop(QPointF(points.last()), actions, data, Qt::NoButton, {});
    QCoreApplication::sendEvent(viewport, &drop);
    return { enter.isAccepted(), drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction };
}

QPoint rowCenter(TPTCustomShellList &list, int row)
{
    return list.visualRect(list.model()->index(row, 0)).center();
}

int rowNamed(TPTCustomShellList &list, const QString &name)
{
    for (int i = 0; i < list.Count(); ++i)
        if (list.ItemData(i)->DisplayName() == name)
            return i;
    return -1;
}

} // namespace

class TestShellCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
    std::unique_ptr<TPTShellList> m_list;
    std::shared_ptr<TestClipboard> m_clipboard;
    QStringList m_errors;

    TPTShellList &showFolder(const QString &path)
    {
        m_list->Folder().SetIdList(folderList(path));
        m_list->FillList();
        return *m_list;
    }

    void clickRow(const QString &name)
    {
        const int row = rowNamed(*m_list, name);
        QVERIFY2(row >= 0, qPrintable(name));
        QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, rowCenter(*m_list, row));
    }

    QString trashFolder() const { return qEnvironmentVariable("XDG_DATA_HOME") + "/Trash"; }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>(qEnvironmentVariable("HOME") + "/t-XXXXXX");
        m_folder = m_dir->path() + "/pictures";
        QDir().mkpath(m_folder + "/sub");
        touch(m_folder + "/a.jpg", "aaa");
        touch(m_folder + "/b.jpg", "bbb");
        m_clipboard = std::make_shared<TestClipboard>();
        setShellClipboard(m_clipboard);
        m_errors.clear();
        setErrorReporter([this](const QString &text) { m_errors << text; });
        m_list = std::make_unique<TPTShellList>();
        m_list->setOptions(m_list->Options() & ~TPTShellListOptions(ptsloDynamicRefresh));
        m_list->resize(400, 300);
        m_list->Loaded();
        m_list->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_list.get()));
        showFolder(m_folder);
    }

    void cleanup()
    {
        m_list.reset();
        setShellClipboard(nullptr);
        setErrorReporter(nullptr);
        m_dir.reset();
    }

    void deleteGoesToTrash()
    {
        m_list->clearSelection();
        QTest::keyClick(m_list.get(), Qt::Key_Delete);
        QCOMPARE(entries(m_folder), (QStringList { "a.jpg", "b.jpg", "sub" }));
        clickRow("a.jpg");
        QTest::keyClick(m_list.get(), Qt::Key_Delete, Qt::ShiftModifier);
        QCOMPARE(entries(m_folder), (QStringList { "b.jpg", "sub" }));
        QVERIFY(QFile::exists(trashFolder() + "/files/a.jpg"));
        QVERIFY(QFile::exists(trashFolder() + "/info/a.jpg.trashinfo"));
        QCOMPARE(rowNamed(*m_list, "a.jpg"), -1);
        QCOMPARE(m_errors, QStringList());
    }

    // A link goes to the trash as a link, even when it leads nowhere.
    void deleteBrokenLink()
    {
        QCOMPARE(QFile::link("nowhere.jpg", m_folder + "/broken.jpg"), true);
        showFolder(m_folder);
        clickRow("broken.jpg");
        QTest::keyClick(m_list.get(), Qt::Key_Delete);
        QCOMPARE(m_errors, QStringList());
        QVERIFY(!QFileInfo(m_folder + "/broken.jpg").isSymLink());
        QVERIFY(QFileInfo(trashFolder() + "/files/broken.jpg").isSymLink());
    }

    void renameInPlace()
    {
        const auto opener = std::make_shared<RecordingOpen>();
        const auto previous = setShellOpen(opener);
        clickRow("a.jpg");
        QTest::keyClick(m_list.get(), Qt::Key_F2);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, "renamed.jpg");
        QTest::keyClick(editor, Qt::Key_Return); // the editor commits once control is back
        QTRY_COMPARE(entries(m_folder), (QStringList { "b.jpg", "renamed.jpg", "sub" }));
        QVERIFY(rowNamed(*m_list, "renamed.jpg") >= 0);
        // Onto a name that exists: refused, reported once, both files kept.
        clickRow("renamed.jpg");
        QTest::keyClick(m_list.get(), Qt::Key_F2);
        editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, "b.jpg");
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(m_errors.size(), 1);
        QCOMPARE(entries(m_folder), (QStringList { "b.jpg", "renamed.jpg", "sub" }));
        QVERIFY(m_errors[0].contains("renamed.jpg"));
        QVERIFY(m_errors[0].contains("already exists"));
        QVERIFY(rowNamed(*m_list, "renamed.jpg") >= 0);
        setShellOpen(previous);
        QCOMPARE(opener->opened, QStringList()); // the Enter that ends the edit opens nothing
    }

    // Typing into a name that is not UTF-8 keeps the bytes the edit did not touch; a
    // replacement mark typed into the changed part is refused, never written.
    void renameNameThatIsNotUtf8_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("result"); // empty: refused
        QTest::newRow("prefix") << QString("x") << QByteArray("xbad\xff\xfe.jpg");
        QTest::newRow("between the bytes") << QString() << QByteArray("bad\xffx\xfe.jpg");
        QTest::newRow("mark typed") << QString(QChar::ReplacementCharacter) << QByteArray();
    }

    void renameNameThatIsNotUtf8()
    {
        QFETCH(QString, typed);
        QFETCH(QByteArray, result);
        const QByteArray folder = encodeFileName(m_folder);
        QFile file;
        QVERIFY(openFile(file, decodeFileName(folder + "/bad\xff\xfe.jpg"), QIODevice::WriteOnly));
        file.close();
        showFolder(m_folder);
        clickRow(displayFileName(decodeFileName("bad\xff\xfe.jpg")));
        QTest::keyClick(m_list.get(), Qt::Key_F2);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->deselect();
        if (typed.isNull()) { // between the two unreadable bytes
            editor->setCursorPosition(4);
            QTest::keyClicks(editor, "x");
        } else {
            QTest::keyClick(editor, Qt::Key_Home);
            editor->insert(typed); // as pasted: no key types U+FFFD
        }
        QTest::keyClick(editor, Qt::Key_Return);
        if (result.isEmpty()) {
            QTRY_COMPARE(m_errors.size(), 1);
            QVERIFY(m_errors[0].contains("stands for bytes"));
            QVERIFY(pathExists(decodeFileName(folder + "/bad\xff\xfe.jpg")));
        } else {
            QTRY_VERIFY(pathExists(decodeFileName(folder + '/' + result)));
            QCOMPARE(m_errors, QStringList());
        }
        const QList<QByteArray> names = rawEntries(folder); // a, b, sub and this one
        QCOMPARE(names.size(), 4);
        for (const QByteArray &name : names)
            QVERIFY(!name.contains("\xef\xbf\xbd"));
    }

    void f2OnItemThatCannotBeRenamed()
    {
        m_list->Folder().SetIdList(IdList::empty());
        m_list->FillList();
        const int row = rowNamed(*m_list, "Computer");
        QVERIFY(row >= 0);
        QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, rowCenter(*m_list, row));
        QTest::keyClick(m_list.get(), Qt::Key_F2);
        QVERIFY(!qobject_cast<QLineEdit *>(QApplication::focusWidget()));
    }

    void cutHereAndPasteThere()
    {
        clickRow("a.jpg");
        QTest::keyClick(m_list.get(), Qt::Key_X, Qt::ControlModifier);
        QVERIFY(m_clipboard->data && m_clipboard->data->data(CopiedFilesMime).startsWith("cut\n"));
        showFolder(m_folder + "/sub");
        QTest::keyClick(m_list.get(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(entries(m_folder + "/sub"), QStringList { "a.jpg" });
        QCOMPARE(entries(m_folder), (QStringList { "b.jpg", "sub" }));
        QCOMPARE(m_list->Count(), 1);
        QVERIFY(!m_clipboard->data); // what was cut is gone from its place
        // A paste that fails part-way keeps the rest on the clipboard, and a second one
        // moves just that.
        touch(m_folder + "/c.jpg");
        showFolder(m_folder);
        QTest::keyClick(m_list.get(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(m_list.get(), Qt::Key_X, Qt::ControlModifier);
        QDir().mkpath(m_dir->path() + "/there");
        showFolder(m_dir->path() + "/there");
        {
            const FailingRename failing(encodeFileName(m_folder + "/c.jpg"));
            QTest::keyClick(m_list.get(), Qt::Key_V, Qt::ControlModifier);
        }
        QCOMPARE(m_errors.size(), 1);
        QCOMPARE(entries(m_dir->path() + "/there"), (QStringList { "b.jpg", "sub" }));
        QTest::keyClick(m_list.get(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(entries(m_dir->path() + "/there"), (QStringList { "b.jpg", "c.jpg", "sub" }));
        QCOMPARE(m_errors.size(), 1);
    }

    void pasteIntoReadOnlyFolderNamesIt()
    {
        const QString locked = m_folder + "/sub";
        QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));
        if (::access(QFile::encodeName(locked).constData(), W_OK) == 0) {
            QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP("this user writes into any folder");
        }
        clickRow("a.jpg");
        QTest::keyClick(m_list.get(), Qt::Key_C, Qt::ControlModifier);
        showFolder(locked);
        QTest::keyClick(m_list.get(), Qt::Key_V, Qt::ControlModifier);
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(m_errors,
            QStringList { QString("Cannot copy into \"%1\": Permission denied.").arg(locked) });
        QCOMPARE(entries(locked), QStringList());
    }

    void pasteWhatAFileManagerCopied()
    {
        const QString outside = m_dir->path() + "/elsewhere.gif";
        touch(outside);
        auto data = std::make_unique<QMimeData>();
        data->setData(CopiedFilesMime, "copy\n" + fileUrlOf(outside).toEncoded());
        m_clipboard->setMimeData(std::move(data));
        QTest::keyClick(m_list.get(), Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(m_list.get(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(entries(m_folder),
            (QStringList { "a.jpg", "b.jpg", "elsewhere (2).gif", "elsewhere.gif", "sub" }));
        QVERIFY(QFile::exists(outside));
    }

    void dropFromAnotherProgram()
    {
        const QString outside = m_dir->path() + "/dropped.jpg";
        touch(outside);
        const auto data = uriListOf({ outside });
        // Onto a folder row: into that folder, drop-highlighted on the way.
        const int sub = rowNamed(*m_list, "sub");
        QCOMPARE(dropAt(*m_list, rowCenter(*m_list, sub), data.get()), Qt::CopyAction);
        QCOMPARE(entries(m_folder + "/sub"), QStringList { "dropped.jpg" });
        QCOMPARE(m_list->dropHighlightRow(), -1);
        // Onto a file row or the background: into the list's folder; Shift moves.
        QCOMPARE(dropAt(*m_list, QPoint(200, 280), data.get(), Qt::CopyAction | Qt::MoveAction,
                     Qt::ShiftModifier),
            Qt::MoveAction);
        QVERIFY(!QFile::exists(outside));
        QVERIFY(rowNamed(*m_list, "dropped.jpg") >= 0);
        // A browser's link names no local file: no target.
        QMimeData web;
        web.setData(UriListMime, "https://example.org/photo.jpg\r\n");
        QCOMPARE(dropAt(*m_list, QPoint(200, 280), &web), Qt::IgnoreAction);
        QCOMPARE(m_errors, QStringList());
    }

    // The drag runs through a stand-in that drops at once where the test says.
    void dragOutOfTheList()
    {
        QPoint dropPoint;
        QAbstractScrollArea *target = m_list.get();
        Qt::DropActions offered;
        QByteArray idList;
        setDragExec([&](QDrag &drag, Qt::DropActions allowed) {
            offered = allowed;
            idList = drag.mimeData()->data(IdListArrayMime);
            return dropAt(*target, dropPoint, drag.mimeData(), allowed);
        });
        const auto drag = [&](const QString &name) {
            const QPoint from = rowCenter(*m_list, rowNamed(*m_list, name));
            QTest::mousePress(m_list->viewport(), Qt::LeftButton, {}, from);
            QTest::mouseMove(m_list->viewport(), from + QPoint(0, 30));
            QTest::mouseRelease(m_list->viewport(), Qt::LeftButton, {}, from + QPoint(0, 30));
        };
        // Back onto the list's own background: no target, nothing changes.
        dropPoint = QPoint(200, 280);
        drag("a.jpg");
        QCOMPARE(offered, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);
        QVERIFY(readIdListArray(idList));
        QCOMPARE(entries(m_folder), (QStringList { "a.jpg", "b.jpg", "sub" }));
        // Onto a folder node of a tree: copied there, and the list fills anew.
        TPTShellTree tree;
        tree.BaseFolder().SetIdList(folderList(m_dir->path()));
        tree.resize(300, 300);
        tree.Loaded();
        tree.show();
        tree.expandAll();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        ShellTreeNode *pictures = tree.rootNode()->childNode(0);
        QVERIFY(pictures);
        tree.expand(tree.indexOfNode(pictures));
        ShellTreeNode *sub = pictures->childNode(0);
        QVERIFY(sub);
        target = &tree;
        dropPoint = tree.visualRect(tree.indexOfNode(sub)).center();
        drag("b.jpg");
        QCOMPARE(entries(m_folder + "/sub"), QStringList { "b.jpg" });
        QCOMPARE(entries(m_folder), (QStringList { "a.jpg", "b.jpg", "sub" }));
        QVERIFY(!m_list->dragging());
        setDragExec({});
    }

    void autoScrollNearTheBottom()
    {
        for (int i = 0; i < 60; ++i)
            touch(m_folder + QStringLiteral("/many%1.gif").arg(i));
        m_list->RefreshList();
        ManualClock clock;
        const auto data = uriListOf({ m_folder + "/a.jpg" });
        QScrollBar *bar = m_list->verticalScrollBar();
        QCOMPARE(bar->value(), 0);
        const QPoint nearBottom(100, m_list->viewport()->height() - 5);
        QDragEnterEvent enter(nearBottom, Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(m_list->viewport(), &enter);
        QCOMPARE(bar->value(), 1);
        QDragMoveEvent move(
            nearBottom + QPoint(3, 0), Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(m_list->viewport(), &move);
        QCOMPARE(bar->value(), 1); // at most one line per interval
        clock.advance(DragAutoScroll::Interval);
        QCOMPARE(bar->value(), 2);
        clock.advance(DragAutoScroll::Interval);
        QCOMPARE(bar->value(), 3);
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(m_list->viewport(), &leave);
        clock.advance(DragAutoScroll::Interval);
        QCOMPARE(bar->value(), 3);
    }

    void contextMenuAndSendTo()
    {
        const QString sendTo = qEnvironmentVariable("XDG_DATA_HOME") + "/lumisnap/SendTo";
        const QString dest = m_dir->path() + "/backup";
        QDir().mkpath(sendTo);
        QDir().mkpath(dest);
        QFile::link(dest, sendTo + "/backup");
        QStringList texts;
        int renameId = 0;
        QTimer::singleShot(0, this, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            QAction *sendToAction = nullptr;
            for (QAction *action : menu->actions()) {
                if (action->isSeparator())
                    continue;
                texts << action->text();
                if (action->text() == "Rename")
                    renameId = action->data().toInt();
                if (action->menu())
                    sendToAction = action;
            }
            QVERIFY(sendToAction);
            menu->setActiveAction(sendToAction);
            QMenu *sub = sendToAction->menu();
            QTRY_VERIFY(sub->isVisible());
            QAction *entry = sub->actions().value(0);
            QVERIFY(entry && entry->text() == "backup");
            QTest::mouseClick(sub, Qt::LeftButton, {}, sub->actionGeometry(entry).center());
        });
        clickRow("a.jpg");
        const QPoint at = rowCenter(*m_list, rowNamed(*m_list, "a.jpg"));
        QTest::mouseClick(m_list->viewport(), Qt::RightButton, {}, at);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, m_list->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(m_list->viewport(), &event);
        QCOMPARE(
            texts, (QStringList { "Open", "Cut", "Copy", "Paste", "Delete", "Rename", "Send To" }));
        QCOMPARE(renameId, 68);
        QCOMPARE(entries(dest), QStringList { "a.jpg" });
        QCOMPARE(entries(m_folder), (QStringList { "a.jpg", "b.jpg", "sub" }));
    }

    // A drag that enters over empty space or over no target is taken, and the moves decide:
    // in the tree and in the list alike.
    void dragEnteringOverNoTarget()
    {
        const QString outside = m_dir->path() + "/dropped.jpg";
        touch(outside);
        const auto data = uriListOf({ outside });
        TPTShellTree tree;
        tree.BaseFolder().SetIdList(folderList(m_dir->path()));
        tree.resize(300, 300);
        tree.Loaded();
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        tree.expandAll();
        ShellTreeNode *pictures = tree.rootNode()->childNode(0);
        tree.expand(tree.indexOfNode(pictures));
        ShellTreeNode *sub = pictures->childNode(0);
        QVERIFY(sub);
        const QPoint root = tree.visualRect(tree.indexOfNode(tree.rootNode())).center();
        const QPoint subAt = tree.visualRect(tree.indexOfNode(sub)).center();
        for (const QPoint &from : { QPoint(150, 290), root }) {
            const auto [entered, action] = dragThrough(tree, { from, subAt }, data.get());
            QVERIFY(entered);
            QCOMPARE(action, Qt::CopyAction);
        }
        QCOMPARE(entries(m_folder + "/sub"), (QStringList { "dropped (2).jpg", "dropped.jpg" }));
        const QPoint subRow = rowCenter(*m_list, rowNamed(*m_list, "sub"));
        const auto [entered, action]
            = dragThrough(*m_list, { QPoint(200, 290), subRow }, data.get());
        QVERIFY(entered);
        QCOMPARE(action, Qt::CopyAction);
        QCOMPARE(entries(m_folder + "/sub").size(), 3);
        QCOMPARE(m_errors, QStringList());
    }

    // A node dragged onto itself, a folder below it or its own parent is refused while
    // it hovers: no highlight, no box, no copy.
    void treeRefusesANodesOwnPlaces()
    {
        QDir().mkpath(m_folder + "/sub/deeper");
        TPTShellTree tree;
        tree.BaseFolder().SetIdList(folderList(m_folder));
        tree.resize(300, 300);
        tree.Loaded();
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        tree.expandAll();
        ShellTreeNode *sub = tree.rootNode()->childNode(0);
        QVERIFY(sub);
        tree.expand(tree.indexOfNode(sub));
        ShellTreeNode *deeper = sub->childNode(0);
        QVERIFY(deeper);
        QList<bool> taken;
        QPoint over;
        setDragExec([&](QDrag &drag, Qt::DropActions allowed) {
            QDragEnterEvent enter(over, allowed, drag.mimeData(), Qt::LeftButton, {});
            QCoreApplication::sendEvent(tree.viewport(), &enter);
            QDragMoveEvent move(over, allowed, drag.mimeData(), Qt::LeftButton, {});
            QCoreApplication::sendEvent(tree.viewport(), &move);
            taken << move.isAccepted();
            QDragLeaveEvent leave;
            QCoreApplication::sendEvent(tree.viewport(), &leave);
            return Qt::IgnoreAction;
        });
        const QPoint at = tree.visualRect(tree.indexOfNode(sub)).center();
        for (ShellTreeNode *target : { sub, deeper, tree.rootNode() }) {
            over = tree.visualRect(tree.indexOfNode(target)).center();
            QTest::mousePress(tree.viewport(), Qt::LeftButton, {}, at);
            QTest::mouseMove(tree.viewport(), at + QPoint(30, 0));
            QTest::mouseRelease(tree.viewport(), Qt::LeftButton, {}, at + QPoint(30, 0));
        }
        setDragExec({});
        QCOMPARE(taken, (QList<bool> { false, false, false }));
        QCOMPARE(entries(m_folder), (QStringList { "a.jpg", "b.jpg", "sub" }));
        QCOMPARE(m_errors, QStringList());
    }

    // A folder row dragged onto itself is refused while it hovers, and so is its drop: no
    // highlight, no box, no copy. Onto another folder row it is taken.
    void listRefusesAFolderRowOntoItself()
    {
        QDir().mkpath(m_folder + "/other");
        m_list->FillList();
        QString over;
        QList<bool> taken;
        QList<int> highlighted;
        Qt::DropAction dropped = Qt::CopyAction;
        setDragExec([&](QDrag &drag, Qt::DropActions allowed) {
            const QPoint at = rowCenter(*m_list, rowNamed(*m_list, over));
            QDragEnterEvent enter(at, allowed, drag.mimeData(), Qt::LeftButton, {});
            QCoreApplication::sendEvent(m_list->viewport(), &enter);
            QDragMoveEvent move(at, allowed, drag.mimeData(), Qt::LeftButton, {});
            QCoreApplication::sendEvent(m_list->viewport(), &move);
            taken << move.isAccepted();
            highlighted << m_list->dropHighlightRow();
            QDropEvent drop(QPointF(at), allowed, drag.mimeData(), Qt::NoButton, {});
            if (over == "sub") {
                QCoreApplication::sendEvent(m_list->viewport(), &drop);
                dropped = drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
            }
            QDragLeaveEvent leave;
            QCoreApplication::sendEvent(m_list->viewport(), &leave);
            return Qt::IgnoreAction;
        });
        const int subRow = rowNamed(*m_list, "sub");
        const QPoint from = rowCenter(*m_list, subRow);
        for (const char *target : { "sub", "other" }) {
            over = target;
            QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, from);
            QTest::mousePress(m_list->viewport(), Qt::LeftButton, {}, from);
            QTest::mouseMove(m_list->viewport(), from + QPoint(30, 0));
            QTest::mouseRelease(m_list->viewport(), Qt::LeftButton, {}, from + QPoint(30, 0));
        }
        setDragExec({});
        QCOMPARE(taken, (QList<bool> { false, true }));
        QCOMPARE(highlighted, (QList<int> { -1, rowNamed(*m_list, "other") }));
        QCOMPARE(dropped, Qt::IgnoreAction);
        QCOMPARE(entries(m_folder + "/sub"), QStringList());
        QCOMPARE(m_errors, QStringList());
    }

    void treeNodeDragAndDelete()
    {
        TPTShellTree tree;
        tree.BaseFolder().SetIdList(folderList(m_folder));
        tree.resize(300, 300);
        tree.Loaded();
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        tree.expand(tree.indexOfNode(tree.rootNode()));
        ShellTreeNode *sub = tree.rootNode()->childNode(0);
        QVERIFY(sub);
        QTest::mouseClick(
            tree.viewport(), Qt::LeftButton, {}, tree.visualRect(tree.indexOfNode(sub)).center());
        // Dragged out, the node is one item in its parent folder.
        QByteArray idList;
        setDragExec([&](QDrag &drag, Qt::DropActions) {
            idList = drag.mimeData()->data(IdListArrayMime);
            return Qt::IgnoreAction;
        });
        const QPoint at = tree.visualRect(tree.indexOfNode(sub)).center();
        QTest::mousePress(tree.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseMove(tree.viewport(), at + QPoint(30, 0));
        QTest::mouseRelease(tree.viewport(), Qt::LeftButton, {}, at + QPoint(30, 0));
        setDragExec({});
        const std::optional<ShellItems> items = readIdListArray(idList);
        QVERIFY(items);
        QCOMPARE(items->parent, folderList(m_folder));
        QCOMPARE(items->paths, QStringList { m_folder + "/sub" });
        // Renamed onto a name that exists: refused and reported, as in the list.
        QTest::keyClick(&tree, Qt::Key_F2);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, "a.jpg");
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(m_errors.size(), 1);
        QVERIFY(m_errors[0].contains("sub"));
        QTest::keyClick(&tree, Qt::Key_Delete);
        QCOMPARE(entries(m_folder), (QStringList { "a.jpg", "b.jpg" }));
        QVERIFY(QFileInfo(trashFolder() + "/files/sub").isDir());
        QCOMPARE(tree.rootNode()->rowCount(), 0);
    }

    void doubleClickOpensTheFile()
    {
        const auto opener = std::make_shared<RecordingOpen>();
        const auto previous = setShellOpen(opener);
        m_list->setOptions(m_list->Options() | ptsloDontChangeFolder);
        QTest::mouseDClick(
            m_list->viewport(), Qt::LeftButton, {}, rowCenter(*m_list, rowNamed(*m_list, "sub")));
        QTest::keyClick(m_list.get(), Qt::Key_Backspace);
        QCOMPARE(m_list->FolderIdList(), folderList(m_folder));
        QTest::mouseDClick(
            m_list->viewport(), Qt::LeftButton, {}, rowCenter(*m_list, rowNamed(*m_list, "b.jpg")));
        setShellOpen(previous);
        QCOMPARE(opener->opened, QStringList { m_folder + "/b.jpg" });
    }
};

// The home folder, the data folder and so the trash live in a sandbox.
int main(int argc, char **argv)
{
    QTemporaryDir sandbox;
    qputenv("HOME", sandbox.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", (sandbox.path() + "/data").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (sandbox.path() + "/config").toLocal8Bit());
    QDir().mkpath(sandbox.path() + "/data");
    QApplication app(argc, argv);
    TestShellCommands test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_shellcommands.moc"
