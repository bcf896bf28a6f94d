#include "common/Error.h"
#include "common/ErrorReport.h"
#include "shell/controls/ShellTreeModel.h"
#include "shell/controls/TPTShListData.h"
#include "shell/controls/TPTShellList.h"
#include "shell/controls/TPTShellTree.h"
#include "shell/namespace/PosixShellModel.h"
#include "shell/namespace/ShellModel.h"
#include "shell/watch/ShellTimer.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace lumisnap;

namespace {

// Opens the tree's refresh wait to the tests, as live refresh will use it.
class RefreshingTree : public TPTShellTree
{
public:
    using TPTShellTree::startRefreshTimer;
    using TPTShellTree::TPTShellTree;
};

const QByteArray ThreeDrives = "1 0 8:1 / / rw - ext4 /dev/lumisnap-none1 rw\n"
                               "2 1 8:2 / /media/a rw - ext4 /dev/lumisnap-none2 rw\n"
                               "3 1 8:3 / /media/b rw - ext4 /dev/lumisnap-none3 rw\n";

} // namespace

// Each case gets a sandbox that is both the desktop and the home folder, so the tree's
// root holds only "Computer" and the sandbox's folders.
class TestShellTree : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<ShellModel> m_previous;
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<ManualClock> m_clock;
    RefreshingTree *m_tree = nullptr;
    TPTShellList *m_list = nullptr;
    QStringList m_reports;

    QString path(const QString &relative) const { return m_dir->path() + '/' + relative; }
    IdList listOf(const QString &relative) const
    {
        return shellModel().desktopFolder()->parseDisplayName(path(relative));
    }
    QString selectedPath() const
    {
        ShellTreeNode *node = m_tree->selectedNode();
        return node ? node->shData()->Path() : QString();
    }
    QString listPath() const { return shellModel().pathText(m_list->FolderIdList()); }
    QString mountInfo() const { return m_dir->path() + "/mountinfo"; }
    void writeMountInfo(const QByteArray &text) const
    {
        QFile file(mountInfo());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
    ShellTreeNode *childNamed(ShellTreeNode *parent, const QString &text) const
    {
        for (int i = 0; i < parent->rowCount(); ++i)
            if (parent->child(i)->text() == text)
                return parent->childNode(i);
        return nullptr;
    }
    QStringList childTexts(ShellTreeNode *parent) const
    {
        QStringList texts;
        for (int i = 0; i < parent->rowCount(); ++i)
            texts << parent->child(i)->text();
        return texts;
    }
    void click(ShellTreeNode *node)
    {
        QTest::mouseClick(
            m_tree->viewport(), Qt::LeftButton, {}, m_tree->visualRect(node->index()).center());
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        for (const char *folder : { "a/a1/a11", "a/a2", "b", "c" })
            QVERIFY(QDir(m_dir->path()).mkpath(folder));
        writeMountInfo(ThreeDrives);
        PosixShellModel::Options options;
        options.homePath = m_dir->path();
        options.desktopPath = m_dir->path();
        options.mountInfoPath = mountInfo();
        m_previous = setShellModel(std::make_shared<PosixShellModel>(options));
        m_reports.clear();
        setErrorReporter([this](const QString &text) { m_reports << text; });
        m_clock = std::make_unique<ManualClock>();
        m_window = std::make_unique<QWidget>();
        m_tree = new RefreshingTree(m_window.get());
        m_list = new TPTShellList(m_window.get());
        m_tree->setGeometry(0, 0, 300, 400);
        m_list->setGeometry(300, 0, 300, 400);
        m_tree->setOptions(m_tree->Options() & ~TPTShellTreeOptions(ptstoDynamicRefresh));
        m_list->setOptions(m_list->Options() & ~TPTShellListOptions(ptsloDynamicRefresh));
        m_list->setFileFilter("*.gif");
        m_tree->setShellList(m_list);
        m_list->Loaded();
        m_tree->Loaded();
        m_window->resize(600, 400);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanup()
    {
        m_window.reset();
        m_clock.reset();
        setErrorReporter(nullptr);
        setShellModel(m_previous);
        m_dir.reset();
    }

    void keysKeepTheCurrentRowInSight()
    {
        for (int i = 0; i < 50; ++i)
            QVERIFY(QDir(m_dir->path()).mkdir("f" + QString::number(100 + i)));
        m_tree->setGeometry(0, 0, 300, 160);
        m_tree->setFocus();
        QTest::keyClick(m_tree, Qt::Key_F5);
        QVERIFY(m_tree->rootNode()->rowCount() > 50);
        click(m_tree->rootNode());
        const std::vector<Qt::Key> keys { Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down,
            Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down,
            Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_End, Qt::Key_Up, Qt::Key_Home,
            Qt::Key_PageDown, Qt::Key_End };
        QModelIndex previous = m_tree->currentIndex();
        for (Qt::Key key : keys) {
            QTest::keyClick(m_tree, key);
            const QModelIndex current = m_tree->currentIndex();
            QVERIFY(current != previous);
            previous = current;
            QVERIFY2(m_tree->viewport()->rect().contains(m_tree->visualRect(current)),
                qPrintable(QString("%1 after key %2").arg(current.data().toString()).arg(key)));
        }
        QCOMPARE(previous.data().toString(), QString("f149"));
    }

    void startsAtTheRoot()
    {
        QCOMPARE(m_tree->selectedNode(), m_tree->rootNode());
        QCOMPARE(listPath(), m_dir->path());
        QVERIFY(m_tree->rootNode()->rowCount() >= 3); // Computer, a, b, c
    }

    void selectFolderWalksFromTheRoot()
    {
        m_tree->SelectFolder(listOf("a/a1/a11"));
        QCOMPARE(selectedPath(), path("a/a1/a11"));
        QCOMPARE(m_tree->CurrentFolder().GetPath(), path("a/a1/a11"));
        QCOMPARE(listPath(), path("a/a1/a11"));
        // Children come sorted and a folder without sub-folders has no button.
        ShellTreeNode *a = m_tree->selectedNode()->parentNode()->parentNode();
        QCOMPARE(a->child(0)->text(), QString("a1"));
        QCOMPARE(a->child(1)->text(), QString("a2"));
        QVERIFY(!m_tree->selectedNode()->hasButton());
    }

    void mouseHandsOverAtOnce()
    {
        m_tree->SelectFolder(listOf("a"));
        QSignalSpy clicks(m_tree, &TPTShellTree::OnClick);
        ShellTreeNode *b = nullptr;
        for (int i = 0; i < m_tree->rootNode()->rowCount(); ++i)
            if (m_tree->rootNode()->child(i)->text() == "b")
                b = m_tree->rootNode()->childNode(i);
        QVERIFY(b);
        const QRect rect = m_tree->visualRect(b->index());
        QTest::mouseClick(m_tree->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(selectedPath(), path("b"));
        QCOMPARE(listPath(), path("b")); // no wait
        QCOMPARE(clicks.count(), 1);
        QVERIFY(!m_tree->handOverPending());
    }

    void keyboardHandsOverAfterTheKeysRest()
    {
        m_tree->SelectFolder(listOf("a"));
        m_tree->setFocus();
        QTest::keyClick(m_tree, Qt::Key_Down);
        const QString first = selectedPath();
        QCOMPARE(listPath(), path("a"));
        m_clock->advance(300);
        QTest::keyClick(m_tree, Qt::Key_Down); // restarts the wait
        const QString second = selectedPath();
        QVERIFY(second != first);
        m_clock->advance(300);
        QCOMPARE(listPath(), path("a")); // 600 ms after the first move, 300 after the last
        m_clock->advance(199);
        QCOMPARE(listPath(), path("a"));
        m_clock->advance(1);
        QCOMPARE(listPath(), second);
    }

    // A key move left a hand-over pending; a click on that same node changes no
    // selection, but the list must show it before the click is told.
    void clickOnThePendingNodeHandsOverFirst()
    {
        m_tree->SelectFolder(listOf("a"));
        m_tree->setFocus();
        QTest::keyClick(m_tree, Qt::Key_Down);
        QVERIFY(m_tree->handOverPending());
        QString seenByClick;
        connect(m_tree, &TPTShellTree::OnClick, this, [&] { seenByClick = listPath(); });
        click(m_tree->selectedNode());
        QCOMPARE(seenByClick, selectedPath());
        QVERIFY(!m_tree->handOverPending());
    }

    // A key move must not cancel a refresh that is waiting.
    void handOverAndRefreshWaitApart()
    {
        m_tree->SelectFolder(listOf("a"));
        QVERIFY(QDir(m_dir->path()).mkpath("a3"));
        m_tree->startRefreshTimer(400);
        m_tree->setFocus();
        QTest::keyClick(m_tree, Qt::Key_Down);
        QVERIFY(m_tree->handOverPending());
        QVERIFY(m_tree->refreshScheduled());
        m_clock->advance(500);
        QVERIFY(!m_tree->refreshScheduled());
        QVERIFY(childNamed(m_tree->rootNode(), "a3"));
        QCOMPARE(listPath(), selectedPath());
    }

    void flushPendingHandsOverAtOnce()
    {
        m_tree->SelectFolder(listOf("a"));
        m_tree->setFocus();
        QTest::keyClick(m_tree, Qt::Key_Down);
        QVERIFY(m_tree->handOverPending());
        m_tree->FlushPending();
        QCOMPARE(listPath(), selectedPath());
    }

    void refreshKeepsOrMovesTheSelection()
    {
        m_tree->SelectFolder(listOf("a/a1/a11"));
        QVERIFY(QDir(m_dir->path()).mkpath("a/a0"));
        m_tree->RefreshTree();
        QCOMPARE(selectedPath(), path("a/a1/a11"));
        ShellTreeNode *a = m_tree->selectedNode()->parentNode()->parentNode();
        QCOMPARE(a->child(0)->text(), QString("a0")); // new folder in sorted place
        QVERIFY(QDir(path("a/a1")).removeRecursively());
        m_tree->RefreshTree();
        QCOMPARE(selectedPath(), path("a"));
        QCOMPARE(listPath(), path("a"));
    }

    void goUp()
    {
        m_tree->SelectFolder(listOf("a/a1/a11"));
        m_tree->GoUp(1);
        QCOMPARE(selectedPath(), path("a/a1"));
        QCOMPARE(listPath(), path("a/a1"));
        m_tree->GoUp(10);
        QCOMPARE(m_tree->selectedNode(), m_tree->rootNode());
    }

    void listFolderChangeSelectsTheNode()
    {
        m_list->Folder().SetIdList(listOf("c"));
        QCOMPARE(selectedPath(), path("c"));
    }

    // The root's list is held as none: selecting the root again is no change, so the list
    // keeps its rows and its selection.
    void refreshWithTheDesktopSelectedKeepsTheList()
    {
        QFile picture(path("p.gif"));
        QVERIFY(picture.open(QIODevice::WriteOnly));
        picture.close();
        m_list->RefreshList();
        QCOMPARE(m_tree->selectedNode(), m_tree->rootNode());
        const int last = m_list->Count() - 1;
        QCOMPARE(m_list->ItemData(last)->DisplayName(), QString("p.gif"));
        m_list->SelectItem(last);
        TPTShListData *row = m_list->ItemData(last);
        QSignalSpy fills(m_list, &TPTShellList::OnFillStart);
        m_tree->RefreshTree();
        QCOMPARE(fills.count(), 0);
        QCOMPARE(m_list->ItemData(last), row);
        QCOMPARE(m_list->SelectedIndex(), last);
    }

    void hiddenSubFoldersGiveAButton()
    {
        QVERIFY(QDir(m_dir->path()).mkpath("h/.inner"));
        m_tree->RefreshTree();
        ShellTreeNode *h = childNamed(m_tree->rootNode(), "h");
        QVERIFY(h);
        QVERIFY(h->hasButton());
        m_tree->setFocus();
        m_tree->setCurrentIndex(h->index());
        QTest::keyClick(m_tree, Qt::Key_Right);
        QCOMPARE(childTexts(h), QStringList { ".inner" });
    }

    // Opening a level through the view (the Right key; double clicks take the same road)
    // fills it under the hourglass and shows it sorted in one insertion.
    void openingThroughTheViewFillsSortedUnderTheHourglass()
    {
        for (const char *name : { "a/z", "a/m", "a/b" })
            QVERIFY(QDir(m_dir->path()).mkpath(name));
        ShellTreeNode *a = childNamed(m_tree->rootNode(), "a");
        QVERIFY(a && !a->filled());
        bool hourglass = false;
        connect(m_tree, &TPTShellTree::OnFillStart, this, [&] {
            hourglass = QGuiApplication::overrideCursor()
                && QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
        });
        QSignalSpy inserted(m_tree->model(), &QAbstractItemModel::rowsInserted);
        QSignalSpy relaid(m_tree->model(), &QAbstractItemModel::layoutChanged);
        m_tree->setFocus();
        m_tree->setCurrentIndex(a->index());
        QTest::keyClick(m_tree, Qt::Key_Right);
        QVERIFY(m_tree->isExpanded(a->index()));
        QVERIFY(hourglass);
        QCOMPARE(childTexts(a), (QStringList { "a1", "a2", "b", "m", "z" }));
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(relaid.count(), 0);
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    // A folder deleted from outside: the click must not throw out of the selection
    // model; the silent abort is dropped, nothing is reported.
    void clickOnAVanishedFolderStaysQuiet()
    {
        ShellTreeNode *b = childNamed(m_tree->rootNode(), "b");
        QVERIFY(QDir(path("b")).removeRecursively());
        click(b);
        QCOMPARE(m_reports, QStringList());
        QCOMPARE(m_list->Count(), 0);
    }

    // Nodes made before a handler fails are owned until they are shown (the sanitizer's
    // leak check sees any that are not).
    void failingAddItemHandlerLeaksNothing()
    {
        int calls = 0;
        connect(m_tree, &TPTShellTree::OnAddItem, this, [&] {
            if (++calls == 2)
                throw Error("no more");
        });
        QVERIFY_THROWS_EXCEPTION(Error, m_tree->FillTree());
        calls = 0;
        QVERIFY(QDir(m_dir->path()).mkpath("d"));
        QVERIFY(QDir(m_dir->path()).mkpath("e"));
        disconnect(m_tree, &TPTShellTree::OnAddItem, this, nullptr);
        m_tree->FillTree();
        connect(m_tree, &TPTShellTree::OnAddItem, this, [&] {
            if (++calls == 2)
                throw Error("no more");
        });
        QVERIFY(QDir(m_dir->path()).mkpath("f"));
        QVERIFY(QDir(m_dir->path()).mkpath("g"));
        QVERIFY_THROWS_EXCEPTION(Error, m_tree->RefreshTree());
    }

    // Unmounting /media/a must remove its node, not its neighbour's.
    void unmountedDriveLeavesTheTree()
    {
        m_tree->SelectFolder(shellModel().specialFolderLocation(CSIDL_DRIVES));
        ShellTreeNode *computer = m_tree->selectedNode();
        m_tree->setFocus();
        QTest::keyClick(m_tree, Qt::Key_Right);
        QCOMPARE(childTexts(computer), (QStringList { "File System", "/media/a", "/media/b" }));
        writeMountInfo("1 0 8:1 / / rw - ext4 /dev/lumisnap-none1 rw\n"
                       "3 1 8:3 / /media/b rw - ext4 /dev/lumisnap-none3 rw\n");
        m_tree->RefreshTree();
        QCOMPARE(childTexts(computer), (QStringList { "File System", "/media/b" }));
    }

    void unreachableFolderStopsAtTheDeepestNode()
    {
        QVERIFY(QDir(m_dir->path()).mkpath("d/e"));
        const IdList target = listOf("d/e");
        QVERIFY(QDir(path("d")).removeRecursively());
        m_tree->SelectFolder(target);
        QCOMPARE(m_tree->selectedNode(), m_tree->rootNode());
    }
};

QTEST_MAIN(TestShellTree)
#include "test_shelltree.moc"
