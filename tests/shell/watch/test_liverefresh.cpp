#include "common/Error.h"
#include "common/ErrorReport.h"
#include "shell/controls/ShellTreeModel.h"
#include "shell/controls/TPTShListData.h"
#include "shell/controls/TPTShellList.h"
#include "shell/controls/TPTShellTree.h"
#include "shell/namespace/PosixShellModel.h"
#include "shell/namespace/ShellModel.h"
#include "shell/watch/ShellTimer.h"
#include "shell/watch/TChangeHandlerThread.h"
#include "shell/watch/TPTDeviceChangeHandler.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <thread>

using namespace lumisnap;

namespace {

const QByteArray TwoDrives = "1 0 8:1 / / rw - ext4 /dev/lumisnap-none1 rw\n"
                             "2 1 8:2 / /media/a rw - ext4 /dev/lumisnap-none2 rw\n";

// Counts the change messages posted to it, answering each as a control does.
class Receiver : public QObject
{
public:
    int messages = 0;
    TChangeHandlerThread *thread = nullptr;

protected:
    void customEvent(QEvent *event) override
    {
        if (event->type() != ShellChangeMessage)
            return;
        ++messages;
        if (thread)
            thread->MessageTaken();
    }
};

void touch(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Append));
}

// Delivers every change the watcher was told of so far: no wait on the clock.
void deliver(TChangeHandlerThread *thread, QObject *target)
{
    QVERIFY(thread);
    QVERIFY(thread->Synchronize());
    QCoreApplication::sendPostedEvents(target, ShellChangeMessage);
}

QStringList childTexts(QStandardItem *parent)
{
    QStringList texts;
    for (int i = 0; i < parent->rowCount(); ++i)
        texts << parent->child(i)->text();
    return texts;
}

// Creates and deletes files in a folder until it goes.
class Churn
{
public:
    explicit Churn(const QString &folder)
        : m_thread([this, folder] {
            for (int i = 0; !m_stop; ++i) {
                QFile file(folder + "/churn" + QString::number(i % 8) + ".gif");
                file.exists() ? file.remove() : file.open(QIODevice::WriteOnly);
            }
        })
    {
    }
    ~Churn()
    {
        m_stop = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_stop { false };
    std::thread m_thread;
};

} // namespace

// Each case gets a sandbox that is the desktop and the home folder, holding "w" (the
// watched folder), "a/a1", "b" and a mount table of two drives.
class TestLiveRefresh : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<ShellModel> m_previous;
    std::unique_ptr<ManualClock> m_clock;
    std::unique_ptr<QWidget> m_window;
    QLineEdit *m_elsewhere = nullptr;
    QStringList m_reports;

    QString path(const QString &relative) const { return m_dir->path() + '/' + relative; }
    IdList listOf(const QString &relative) const
    {
        return shellModel().desktopFolder()->parseDisplayName(path(relative));
    }
    void writeMountInfo(const QByteArray &text) const
    {
        QFile file(path("mountinfo"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
    void showWindow()
    {
        m_window->resize(600, 400);
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }
    // A list showing `folder` with the picture filter, live.
    TPTShellList *makeList(const QString &folder)
    {
        auto *list = new TPTShellList(m_window.get());
        list->setGeometry(300, 0, 300, 400);
        list->setFileFilter("*.gif");
        list->Loaded();
        list->Folder().SetIdList(listOf(folder));
        return list;
    }
    // A tree linked to a list, both live, as the program sets them up.
    TPTShellTree *makeTree()
    {
        auto *tree = new TPTShellTree(m_window.get());
        auto *list = new TPTShellList(m_window.get());
        tree->setGeometry(0, 0, 300, 400);
        list->setGeometry(300, 0, 300, 400);
        list->setFileFilter("*.gif");
        tree->setShellList(list);
        list->Loaded();
        tree->Loaded();
        return tree;
    }
    ShellTreeNode *nodeOf(TPTShellTree *tree, const QString &relative)
    {
        tree->SelectFolder(listOf(relative));
        return tree->selectedNode();
    }

private slots:
    void initTestCase()
    {
        setErrorReporter([this](const QString &text) { m_reports << text; });
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        for (const char *folder : { "w", "a/a1", "b" })
            QVERIFY(QDir(m_dir->path()).mkpath(folder));
        touch(path("w/old.gif"));
        touch(path("outside.gif"));
        writeMountInfo(TwoDrives);
        PosixShellModel::Options options;
        options.homePath = options.desktopPath = m_dir->path();
        options.mountInfoPath = path("mountinfo");
        m_previous = setShellModel(std::make_shared<PosixShellModel>(options));
        TPTDeviceChangeHandler::instance().SetMountInfoPath(path("mountinfo"));
        m_reports.clear();
        m_clock = std::make_unique<ManualClock>();
        m_window = std::make_unique<QWidget>();
        m_elsewhere = new QLineEdit(m_window.get());
        m_elsewhere->setGeometry(0, 380, 100, 20);
    }

    void cleanup()
    {
        m_window.reset();
        m_clock.reset();
        TPTDeviceChangeHandler::instance().SetMountInfoPath(QString());
        setShellModel(m_previous);
        m_dir.reset();
        QCOMPARE(m_reports, QStringList());
    }

    void refusedWatches_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("subtree");
        QTest::newRow("empty path") << QString() << false;
        QTest::newRow("missing folder") << "none" << false;
        QTest::newRow("a file") << "outside.gif" << false;
        QTest::newRow("a subtree") << "w" << true;
    }

    void refusedWatches()
    {
        QFETCH(QString, folder);
        QFETCH(bool, subtree);
        Receiver receiver;
        TChangeHandlerThread thread(&receiver, ShellChangeMessage);
        QVERIFY(!thread.AddWatch(folder.isEmpty() ? folder : path(folder), 1, subtree));
        QVERIFY(thread.Synchronize());
        QCOMPARE(thread.WatchCount(), 0);
    }

    void filters_data()
    {
        QTest::addColumn<uint>("filter");
        QTest::addColumn<int>("change");
        QTest::addColumn<bool>("posted");
        enum { CreateFile, CreateFolder, DeleteFile, MoveOut, MoveIn, WriteFile };
        QTest::newRow("file created, file names") << 1u << int(CreateFile) << true;
        QTest::newRow("file created, folder names") << 2u << int(CreateFile) << false;
        QTest::newRow("folder created, folder names") << 2u << int(CreateFolder) << true;
        QTest::newRow("folder created, file names") << 1u << int(CreateFolder) << false;
        QTest::newRow("file deleted") << 1u << int(DeleteFile) << true;
        QTest::newRow("file moved out") << 1u << int(MoveOut) << true;
        QTest::newRow("file moved in") << 1u << int(MoveIn) << true;
        QTest::newRow("file written") << 3u << int(WriteFile) << false;
    }

    void filters()
    {
        QFETCH(uint, filter);
        QFETCH(int, change);
        QFETCH(bool, posted);
        Receiver receiver;
        TChangeHandlerThread thread(&receiver, ShellChangeMessage);
        receiver.thread = &thread;
        int slot = -1;
        QVERIFY(thread.AddWatch(path("w"), filter, false, &slot));
        QCOMPARE(thread.WatchCount(), 1);
        switch (change) {
        case 0:
            touch(path("w/new.gif"));
            break;
        case 1:
            QVERIFY(QDir(path("w")).mkdir("new"));
            break;
        case 2:
            QVERIFY(QFile::remove(path("w/old.gif")));
            break;
        case 3:
            QVERIFY(QFile::rename(path("w/old.gif"), path("old.gif")));
            break;
        case 4:
            QVERIFY(QFile::rename(path("outside.gif"), path("w/in.gif")));
            break;
        case 5: {
            QFile file(path("w/old.gif"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("GIF89a");
            break;
        }
        }
        deliver(&thread, &receiver);
        QCOMPARE(receiver.messages, posted ? 1 : 0);
    }

    // One waiting message per burst; a folder watched from two slots has one descriptor,
    // which must outlive the first slot's removal; RemoveAll takes back what waits; a
    // folder that goes drops its watch.
    void watchTable()
    {
        Receiver receiver;
        TChangeHandlerThread thread(&receiver, ShellChangeMessage);
        receiver.thread = &thread;
        int first = -1, second = -1;
        QVERIFY(thread.AddWatch(path("w"), FileNameChanges, false, &first));
        QVERIFY(thread.AddWatch(path("w"), FileNameChanges, false, &second));
        QVERIFY(first != second);
        for (int i = 0; i < 50; ++i)
            touch(path("w/" + QString::number(i) + ".gif"));
        deliver(&thread, &receiver);
        QCOMPARE(receiver.messages, 1);
        QVERIFY(thread.RemoveWatches({ first }));
        touch(path("w/one.gif"));
        deliver(&thread, &receiver);
        QCOMPARE(receiver.messages, 2);
        touch(path("w/two.gif"));
        QVERIFY(thread.Synchronize());
        QVERIFY(thread.RemoveAll());
        deliver(&thread, &receiver);
        QCOMPARE(receiver.messages, 2);
        QVERIFY(thread.AddWatch(path("w"), FileNameChanges, false));
        QVERIFY(QDir(path("w")).removeRecursively());
        deliver(&thread, &receiver);
        QCOMPARE(receiver.messages, 3);
        QCOMPARE(thread.WatchCount(), 0);
    }

    // Watchers and controls made and destroyed while another thread keeps changing the
    // folder: the sanitizers see any use after free or leak.
    void destructionWhileChangesArrive()
    {
        const Churn churn(path("w"));
        for (int round = 0; round < 10; ++round) {
            auto receiver = std::make_unique<Receiver>();
            auto thread
                = std::make_unique<TChangeHandlerThread>(receiver.get(), ShellChangeMessage);
            receiver->thread = thread.get();
            QVERIFY(thread->AddWatch(path("w"), FileNameChanges, false));
            // The churn is heard, and the destruction meets a watcher with work to do.
            QTRY_VERIFY(receiver->messages > 0);
            thread.reset();
            receiver.reset();
            m_window = std::make_unique<QWidget>();
            TPTShellList *list = makeList("w");
            TPTShellTree *tree = makeTree();
            tree->SelectFolder(listOf("w"));
            QCOMPARE(list->changeThread()->WatchCount(), 1);
            QVERIFY(tree->changeThread()->WatchCount() >= 1);
            QCoreApplication::processEvents();
        }
        m_window.reset();
        QCoreApplication::processEvents();
    }

    void listRefreshesOnceAfterTheBurst_data()
    {
        QTest::addColumn<bool>("focused");
        QTest::addColumn<int>("delay");
        QTest::newRow("focused") << true << 400;
        QTest::newRow("not focused") << false << 2000;
    }

    void listRefreshesOnceAfterTheBurst()
    {
        QFETCH(bool, focused);
        QFETCH(int, delay);
        TPTShellList *list = makeList("w");
        showWindow();
        if (focused)
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        else
            QTest::mouseClick(m_elsewhere, Qt::LeftButton);
        QCOMPARE(list->hasFocus(), focused);
        QSignalSpy refreshes(list, &TPTShellList::OnFillStart);
        for (int i = 0; i < 5; ++i)
            touch(path("w/" + QString::number(i) + ".gif"));
        deliver(list->changeThread(), list);
        m_clock->advance(delay / 2);
        for (int i = 5; i < 10; ++i)
            touch(path("w/" + QString::number(i) + ".gif"));
        deliver(list->changeThread(), list);
        m_clock->advance(delay - 1); // the wait started again with the second half
        QCOMPARE(refreshes.count(), 0);
        m_clock->advance(1);
        QCOMPARE(refreshes.count(), 1);
        QCOMPARE(list->Count(), 11);
        QCOMPARE(list->ItemData(0)->DisplayName(), QString("old.gif")); // appended after it
        QVERIFY(!list->refreshScheduled());
    }

    void renamesAndDragsHoldBack()
    {
        TPTShellList *list = makeList("w");
        list->markRename();
        QVERIFY(QFile::rename(path("w/old.gif"), path("w/renamed.gif")));
        deliver(list->changeThread(), list);
        QVERIFY(!list->refreshScheduled());
        QVERIFY(!list->renameMarked());
        list->setDragging(true);
        touch(path("w/dragged.gif"));
        deliver(list->changeThread(), list);
        QVERIFY(!list->refreshScheduled());
        list->RefreshList();
        QVERIFY(list->refreshPending());
        list->setDragging(false);
        touch(path("w/after.gif"));
        deliver(list->changeThread(), list);
        QVERIFY(list->refreshScheduled());
    }

    void virtualFolderGetsNoWatch()
    {
        TPTShellList *list = makeList("w");
        QCOMPARE(list->changeThread()->WatchCount(), 1);
        list->Folder().SetIdList(shellModel().specialFolderLocation(CSIDL_DRIVES));
        QCOMPARE(list->changeThread()->WatchCount(), 0);
        list->setOptions(list->Options() & ~TPTShellListOptions(ptsloDynamicRefresh));
        list->Folder().SetIdList(listOf("w"));
        QCOMPARE(list->changeThread()->WatchCount(), 0);
        list->setOptions(list->Options() | ptsloDynamicRefresh);
        QCOMPARE(list->changeThread()->WatchCount(), 1);
    }

    // The folder goes while it is shown: the list empties quietly and drops its watch.
    void shownFolderDeleted()
    {
        TPTShellList *list = makeList("w");
        QCOMPARE(list->Count(), 1);
        QVERIFY(QDir(path("w")).removeRecursively());
        deliver(list->changeThread(), list);
        m_clock->advance(UnfocusedRefreshDelay);
        QCOMPARE(list->Count(), 0);
        QVERIFY(list->changeThread()->Synchronize());
        QCOMPARE(list->changeThread()->WatchCount(), 0);
    }

    // The folder shown is replaced under its name: the list follows the new one, each
    // time, and no longer hears the old one.
    void listFollowsItsFolderReplaced_data()
    {
        QTest::addColumn<bool>("renamed");
        QTest::newRow("renamed away, made again") << true;
        QTest::newRow("deleted, made again") << false;
    }

    void listFollowsItsFolderReplaced()
    {
        QFETCH(bool, renamed);
        TPTShellList *list = makeList("w");
        QVERIFY(renamed ? QDir(m_dir->path()).rename("w", "gone")
                        : QDir(path("w")).removeRecursively());
        QVERIFY(QDir(m_dir->path()).mkdir("w"));
        for (const QString name : { "new1.gif", "new2.gif" }) {
            touch(path("w/" + name));
            deliver(list->changeThread(), list);
            QVERIFY(list->refreshScheduled());
            m_clock->advance(UnfocusedRefreshDelay);
            QCOMPARE(list->ItemData(list->Count() - 1)->DisplayName(), name);
        }
        QCOMPARE(list->Count(), 2);
        if (renamed) {
            touch(path("gone/stray.gif"));
            deliver(list->changeThread(), list);
            QVERIFY(!list->refreshScheduled());
        }
    }

    // Rows that stay keep their selection and their place on the screen.
    void refreshKeepsSelectionAndScroll()
    {
        for (int i = 0; i < 300; ++i)
            touch(path("w/p" + QString::number(i).rightJustified(3, '0') + ".gif"));
        TPTShellList *list = makeList("w");
        showWindow();
        list->SelectItem(150);
        list->scrollTo(list->model()->index(140, 0), QAbstractItemView::PositionAtTop);
        TPTShListData *top = list->ItemData(list->indexAt(QPoint(0, 0)).row());
        TPTShListData *selected = list->SelectedData();
        for (int i = 10; i < 20; ++i)
            QVERIFY(QFile::remove(path("w/p0" + QString::number(i) + ".gif")));
        touch(path("w/new.gif"));
        list->RefreshList();
        QCOMPARE(list->Count(), 292);
        QCOMPARE(list->SelectedData(), selected);
        QCOMPARE(list->ItemData(list->indexAt(QPoint(0, 0)).row()), top);
    }

    // Under an opened level a folder comes, is renamed and goes; levels are watched as
    // they are filled and dropped with their nodes.
    void treeFollowsSubFolders()
    {
        TPTShellTree *tree = makeTree();
        showWindow();
        TChangeHandlerThread *thread = tree->changeThread();
        const int rootWatches = thread->WatchCount();
        QCOMPARE(rootWatches, 1); // the desktop; "Computer" has no path
        ShellTreeNode *a = nodeOf(tree, "a/a1")->parentNode();
        QVERIFY(thread->Synchronize());
        QCOMPARE(thread->WatchCount(), 2); // a is filled now
        QVERIFY(QDir(path("a")).mkdir("new"));
        deliver(thread, tree);
        m_clock->advance(UnfocusedRefreshDelay);
        QCOMPARE(childTexts(a), (QStringList { "a1", "new" }));
        QVERIFY(QDir(path("a")).rename("new", "0renamed"));
        deliver(thread, tree);
        m_clock->advance(UnfocusedRefreshDelay);
        QCOMPARE(childTexts(a), (QStringList { "0renamed", "a1" }));
        QVERIFY(QDir(path("a")).removeRecursively());
        deliver(thread, tree);
        m_clock->advance(UnfocusedRefreshDelay);
        QVERIFY(!childTexts(tree->rootNode()).contains("a"));
        QCOMPARE(tree->selectedNode(), tree->rootNode());
        QVERIFY(thread->Synchronize());
        QCOMPARE(thread->WatchCount(), rootWatches);
    }

    // A filled level replaced under its name: the tree watches the new folder.
    void treeLevelReplacedIsWatchedAgain()
    {
        TPTShellTree *tree = makeTree();
        showWindow();
        TChangeHandlerThread *thread = tree->changeThread();
        ShellTreeNode *a = nodeOf(tree, "a/a1")->parentNode();
        QVERIFY(QDir(m_dir->path()).rename("a", "gone"));
        QVERIFY(QDir(m_dir->path()).mkpath("a/a2"));
        deliver(thread, tree);
        m_clock->advance(UnfocusedRefreshDelay);
        QCOMPARE(childTexts(a), QStringList("a2"));
        QVERIFY(QDir(path("a")).mkdir("a3"));
        deliver(thread, tree);
        m_clock->advance(UnfocusedRefreshDelay);
        QCOMPARE(childTexts(a), (QStringList { "a2", "a3" }));
    }

    // The desktop, the tree's root, is moved away with a level open and made again: the
    // root falls back to home, then returns, in the tree and its list, and no old
    // sub-folder stays behind.
    void treeRootFollowsTheDesktop()
    {
        QVERIFY(QDir(m_dir->path()).mkpath("Desktop/old/deep"));
        PosixShellModel::Options options;
        options.homePath = m_dir->path();
        options.desktopPath = path("Desktop");
        options.mountInfoPath = path("mountinfo");
        setShellModel(std::make_shared<PosixShellModel>(options));
        TPTShellTree *tree = makeTree();
        showWindow();
        const auto shown = [tree] {
            QStringList list;
            for (int i = 0; i < tree->ShellList()->Count(); ++i)
                list << tree->ShellList()->ItemData(i)->DisplayName();
            return QStringList { childTexts(tree->rootNode()).join(' '), list.join(' ') };
        };
        nodeOf(tree, "Desktop/old/deep");
        QVERIFY(QDir(m_dir->path()).rename("Desktop", "Moved"));
        deliver(tree->changeThread(), tree);
        m_clock->advance(UnfocusedRefreshDelay);
        QCOMPARE(
            shown(), (QStringList { "Computer a b Moved w", "Computer a b Moved w outside.gif" }));
        QCOMPARE(tree->selectedNode(), tree->rootNode());
        QVERIFY(QDir(m_dir->path()).mkpath("Desktop/new"));
        deliver(tree->changeThread(), tree);
        deliver(tree->ShellList()->changeThread(), tree->ShellList());
        m_clock->advance(UnfocusedRefreshDelay);
        QCOMPARE(shown(), (QStringList { "Home Computer new", "Home Computer new" }));
    }

    // A rename through the tree is not refreshed for; a rename that fails leaves no mark
    // behind to swallow the next change.
    void treeRenames()
    {
        TPTShellTree *tree = makeTree();
        showWindow();
        nodeOf(tree, "b");
        const auto rename = [&](const QString &name) {
            tree->setFocus();
            QTest::keyClick(tree, Qt::Key_F2);
            QPointer<QLineEdit> editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
            QVERIFY(editor);
            editor->selectAll();
            QTest::keyClicks(editor, name);
            QTest::keyClick(editor, Qt::Key_Return);
            QTRY_VERIFY(!editor); // the edit ends queued
        };
        rename("c");
        QVERIFY(QFileInfo(path("c")).isDir());
        deliver(tree->changeThread(), tree);
        QVERIFY(!tree->refreshScheduled());
        rename("a"); // taken: refused and said why
        QVERIFY(!tree->renameMarked());
        QCOMPARE(m_reports.size(), 1);
        QVERIFY(m_reports.takeFirst().contains("already exists"));
        QVERIFY(QDir(m_dir->path()).mkdir("d"));
        deliver(tree->changeThread(), tree);
        QVERIFY(tree->refreshScheduled());
    }

    // The system's own mount table, in a private mount namespace: a drive mounted on
    // /media (there only) and taken away is told as an arrival and a removal.
    void realMountTableNotices()
    {
        if (QStandardPaths::findExecutable("unshare").isEmpty())
            QSKIP("unshare is not installed");
        QProcess child;
        child.start("unshare",
            { "-rm", QCoreApplication::applicationFilePath(), "--mount-notices", "/media" });
        QVERIFY(child.waitForFinished(30000));
        if (child.exitStatus() == QProcess::NormalExit && child.exitCode() == 3)
            QSKIP("no mount can be made here");
        if (child.exitCode() != 0 && child.readAllStandardError().contains("unshare"))
            QSKIP("no private mount namespace here");
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
    }

    // A drive comes and another goes: both controls refresh at once for each.
    void deviceChangesRefreshAtOnce()
    {
        TPTShellTree *tree = makeTree();
        TPTCustomShellList *list = tree->ShellList();
        tree->SelectFolder(shellModel().specialFolderLocation(CSIDL_DRIVES));
        ShellTreeNode *computer = tree->selectedNode();
        tree->expand(computer->index());
        QCOMPARE(childTexts(computer), (QStringList { "File System", "/media/a" }));
        QSignalSpy treeRefreshes(tree, &TPTShellTree::OnFillStart);
        QSignalSpy listRefreshes(list, &TPTShellList::OnFillStart);
        writeMountInfo("1 0 8:1 / / rw - ext4 /dev/lumisnap-none1 rw\n"
                       "3 1 8:3 / /media/b rw - ext4 /dev/lumisnap-none3 rw\n");
        TPTDeviceChangeHandler &handler = TPTDeviceChangeHandler::instance();
        handler.MountTableChanged();
        QCOMPARE(treeRefreshes.count(), 0); // nothing runs inside the notification
        QCoreApplication::sendPostedEvents(&handler, TPTDeviceChangeHandler::DeviceChangeMessage);
        QCOMPARE(treeRefreshes.count(), 2);
        QCOMPARE(listRefreshes.count(), 2);
        QCOMPARE(childTexts(computer), (QStringList { "File System", "/media/b" }));
        QCOMPARE(list->Count(), 2);
        QCOMPARE(list->ItemData(1)->DisplayName(), QString("/media/b"));
        QVERIFY(!tree->refreshScheduled() && !list->refreshScheduled());
    }

    // Every routine runs in order; an error is reported and the next still runs, anything
    // else ends the round.
    void deviceRoutinesRunPastErrors()
    {
        static QStringList calls;
        using Routine = TPTDeviceChangeHandler::THandlerRoutine;
        const Routine failing = [](QObject *, const TDeviceChangeMessage &) {
            calls << "failing";
            throw Error("No device");
        };
        const Routine counting = [](QObject *control, const TDeviceChangeMessage &message) {
            calls << control->objectName() + QString::number(message.code, 16);
        };
        const Routine breaking = [](QObject *, const TDeviceChangeMessage &) { throw 1; };
        QObject first, second;
        first.setObjectName("first");
        TPTDeviceChangeHandler &handler = TPTDeviceChangeHandler::instance();
        const std::vector<std::pair<Routine, QObject *>> routines { { failing, &first },
            { counting, &first }, { counting, &second }, { breaking, &first },
            { counting, &first } };
        for (const auto &[routine, control] : routines)
            handler.Register(routine, control);
        writeMountInfo(TwoDrives + "3 1 8:3 / /media/b rw - ext4 /dev/lumisnap-none3 rw\n");
        handler.MountTableChanged();
        handler.Unregister(counting, &second);
        QCoreApplication::sendPostedEvents(&handler, TPTDeviceChangeHandler::DeviceChangeMessage);
        QCOMPARE(calls, (QStringList { "failing", "first8000" }));
        QCOMPARE(m_reports, (QStringList { "No device.", "Unknown error." }));
        m_reports.clear();
        for (const auto &[routine, control] : routines)
            handler.Unregister(routine, control);
    }
};

namespace {

std::vector<int> devicesSeen;

void noteDevice(QObject *, const TDeviceChangeMessage &message)
{
    devicesSeen.push_back(message.code);
}

bool waitForDevice(int code)
{
    const QDeadlineTimer deadline(5000);
    while (std::find(devicesSeen.begin(), devicesSeen.end(), code) == devicesSeen.end()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

// Child mode, run in a private mount namespace: mounts a file system on `folder` and
// takes it away again; 0 when the process's own mount table told of both, 3 when the
// namespace allows no mount.
int mountNotices(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[2]);
    TPTDeviceChangeHandler::instance().Register(noteDevice, &app);
    if (QProcess::execute("mount", { "-t", "tmpfs", "lumisnap-test", folder }) != 0)
        return 3;
    if (!waitForDevice(TDeviceChangeMessage::DeviceArrival))
        return 1;
    if (QProcess::execute("umount", { folder }) != 0)
        return 3;
    return waitForDevice(TDeviceChangeMessage::DeviceRemoveComplete) ? 0 : 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--mount-notices") == 0)
        return mountNotices(argc, argv);
    QApplication app(argc, argv);
    TestLiveRefresh test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_liverefresh.moc"
