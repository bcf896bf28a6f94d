#include "common/Error.h"
#include "shell/PosixShellModel.h"
#include "shell/ShellModel.h"
#include "shell/ShellTreeModel.h"
#include "shell/TPTShListData.h"
#include "shell/TPTShellList.h"
#include "shell/TPTShellTree.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace lumisnap;

// Each case gets a sandbox that is both the desktop and the home folder, so the tree's
// root holds only "Computer" and the sandbox's folders.
class TestShellTree : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<ShellModel> m_previous;
    std::unique_ptr<QWidget> m_window;
    TPTShellTree *m_tree = nullptr;
    TPTShellList *m_list = nullptr;

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

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        for (const char *folder : { "a/a1/a11", "a/a2", "b", "c" })
            QVERIFY(QDir(m_dir->path()).mkpath(folder));
        PosixShellModel::Options options;
        options.homePath = m_dir->path();
        options.desktopPath = m_dir->path();
        m_previous = setShellModel(std::make_shared<PosixShellModel>(options));
        m_window = std::make_unique<QWidget>();
        m_tree = new TPTShellTree(m_window.get());
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
        setShellModel(m_previous);
        m_dir.reset();
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
        QTest::qWait(300);
        QTest::keyClick(m_tree, Qt::Key_Down); // restarts the wait
        const QString second = selectedPath();
        QVERIFY(second != first);
        QTest::qWait(300);
        QCOMPARE(listPath(), path("a")); // 600 ms after the first move, 300 after the last
        QTRY_COMPARE_WITH_TIMEOUT(listPath(), second, 1000);
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
