// The file commands as a user gives them, through the X server with xdotool: a row
// dragged onto a tree folder, Delete, F2, the context menu and a slow drop cancelled. The
// screenshots are kept in the test output folder.
#include "MainFormSandbox.h"
#include "ScreenShot.h"

#include "FullForm/TFullScreen.h"
#include "app/Application.h"
#include "app/TSplashForm.h"
#include "shell/controls/TPTShellTree.h"
#include "shell/transfer/FileTransfer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QMenu>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <unistd.h>

using namespace lumisnap;
using lumisnap::test::keepScreenshot;

namespace {

sandbox::Home *home = nullptr;

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TestMainFormDndScreen : public QObject
{
    Q_OBJECT

    std::unique_ptr<TMainForm> form;
    std::unique_ptr<TFullScreen> fullScreen;
    QString holiday;

    // Runs xdotool while the event loop goes on (a drag runs a loop of its own).
    void xdotool(const QStringList &arguments)
    {
        QProcess process;
        process.start(QStringLiteral("xdotool"), arguments);
        QVERIFY(process.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(process.state(), QProcess::NotRunning, 20000);
        QCOMPARE(process.exitCode(), 0);
    }

    QPoint rowOnScreen(const QString &name)
    {
        TPTShellList *list = form->PTShellList1;
        const int row = sandbox::rowOf(list, name);
        const QRect rect = list->visualRect(list->model()->index(row, 0));
        return list->viewport()->mapToGlobal(rect.center());
    }

    QPoint nodeOnScreen(const QString &name)
    {
        TPTShellTree *tree = form->DirectoryListBox1;
        const QModelIndexList found = tree->model()->match(tree->model()->index(0, 0),
            Qt::DisplayRole, name, 1, Qt::MatchRecursive | Qt::MatchExactly);
        if (found.isEmpty())
            return {};
        return tree->viewport()->mapToGlobal(tree->visualRect(found.first()).center());
    }

    // A pause first, so that two clicks never make a double click.
    void clickAt(QPoint at, int button = 1)
    {
        xdotool({ "sleep", "0.6", "mousemove", QString::number(at.x()), QString::number(at.y()),
            "click", QString::number(button) });
    }

    void screenshot(const QString &name)
    {
        QTest::qWait(100);
        keepScreenshot(QGuiApplication::primaryScreen()->grabWindow(0).toImage(), "dnd-" + name);
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("xdotool").isEmpty())
            QSKIP("xdotool is not installed");
        holiday = home->path("Desktop/Holiday");
        form = std::make_unique<TMainForm>();
        fullScreen = std::make_unique<TFullScreen>();
        FullScreen = fullScreen.get();
        form->showCentered();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        if (SplashForm)
            SplashForm->close();
        QTRY_VERIFY(!nodeOnScreen("Holiday").isNull());
        clickAt(nodeOnScreen("Holiday"));
        QTRY_COMPARE(form->PTShellList1->Count(), 12);
    }

    void cleanupTestCase()
    {
        FullScreen = nullptr;
        fullScreen.reset();
        form.reset();
    }

    void drag(QPoint from, QPoint to, const QString &button)
    {
        xdotool({ "sleep", "0.6", "mousemove", QString::number(from.x()), QString::number(from.y()),
            "mousedown", button, "sleep", "0.2", "mousemove", QString::number(from.x() + 20),
            QString::number(from.y() + 5), "sleep", "0.2", "mousemove", QString::number(to.x()),
            QString::number(to.y() + 2), "sleep", "0.3", "mousemove", QString::number(to.x()),
            QString::number(to.y()), "sleep", "0.3", "mouseup", button });
    }

    void dragRowOntoTreeFolder()
    {
        drag(rowOnScreen("photo01.bmp"), nodeOnScreen("Empty"), "1");
        QTRY_COMPARE(
            entries(home->path("Desktop/Empty")), (QStringList { "photo01.bmp", "readme.txt" }));
        QVERIFY(QFile::exists(holiday + "/photo01.bmp")); // a plain drag copies
        QCOMPARE(form->PTShellList1->Count(), 12);
        screenshot("dragged");
        // With the right button, and no menu after it.
        clickAt(rowOnScreen("photo05.bmp"));
        drag(rowOnScreen("photo05.bmp"), nodeOnScreen("Empty"), "3");
        QTRY_COMPARE(entries(home->path("Desktop/Empty")),
            (QStringList { "photo01.bmp", "photo05.bmp", "readme.txt" }));
        QTest::qWait(200);
        QVERIFY(!QApplication::activePopupWidget());
    }

    // A drag that enters the tree over a node that takes no drop (the root) still drops on
    // the folder it then moves to.
    void dragEnteringTheTreeOverNoTarget()
    {
        TPTShellTree *tree = form->DirectoryListBox1;
        const QPoint root
            = tree->viewport()->mapToGlobal(tree->visualRect(tree->model()->index(0, 0)).center());
        const QPoint from = rowOnScreen("photo02.bmp");
        const QPoint to = nodeOnScreen("Empty");
        xdotool({ "sleep", "0.6", "mousemove", QString::number(from.x()), QString::number(from.y()),
            "mousedown", "1", "sleep", "0.2", "mousemove", QString::number(from.x() + 20),
            QString::number(from.y() + 5), "sleep", "0.2", "mousemove", QString::number(root.x()),
            QString::number(root.y()), "sleep", "0.3", "mousemove", QString::number(to.x()),
            QString::number(to.y() + 2), "sleep", "0.3", "mousemove", QString::number(to.x()),
            QString::number(to.y()), "sleep", "0.3", "mouseup", "1" });
        QTRY_VERIFY(entries(home->path("Desktop/Empty")).contains("photo02.bmp"));
    }

    void deleteKeyMovesToTrash()
    {
        clickAt(rowOnScreen("photo02.bmp"));
        xdotool({ "key", "Delete" });
        QTRY_VERIFY(!QFile::exists(holiday + "/photo02.bmp"));
        const QString trash = qEnvironmentVariable("XDG_DATA_HOME") + "/Trash";
        QVERIFY(QFile::exists(trash + "/files/photo02.bmp"));
        QVERIFY(QFile::exists(trash + "/info/photo02.bmp.trashinfo"));
        QTRY_COMPARE(form->PTShellList1->Count(), 11);
        QCOMPARE(sandbox::rowOf(form->PTShellList1, "photo02.bmp"), -1);
    }

    void f2RenamesOnDisk()
    {
        clickAt(rowOnScreen("photo03.bmp"));
        xdotool({ "key", "F2", "sleep", "0.2", "key", "ctrl+a", "type", "sunset.bmp" });
        screenshot("renaming");
        xdotool({ "key", "Return" });
        QTRY_VERIFY(QFile::exists(holiday + "/sunset.bmp"));
        QVERIFY(!QFile::exists(holiday + "/photo03.bmp"));
        QTRY_VERIFY(sandbox::rowOf(form->PTShellList1, "sunset.bmp") >= 0);
    }

    // The menu runs a loop of its own: it is read, and closed with Escape, from inside it.
    void rightClickShowsTheMenu()
    {
        QStringList texts;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu || !texts.isEmpty())
                return;
            for (QAction *action : menu->actions())
                if (!action->isSeparator())
                    texts << action->text();
            screenshot("menu");
            QProcess::startDetached(QStringLiteral("xdotool"), { "key", "Escape" });
        });
        poll.start(50);
        const QPoint at = rowOnScreen("photo04.bmp");
        QProcess process;
        process.start(QStringLiteral("xdotool"),
            { "sleep", "0.6", "mousemove", QString::number(at.x()), QString::number(at.y()),
                "click", "3" });
        QTRY_VERIFY_WITH_TIMEOUT(!texts.isEmpty(), 20000);
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QTRY_COMPARE(process.state(), QProcess::NotRunning);
        QCOMPARE(
            texts, (QStringList { "Open", "Cut", "Copy", "Paste", "Delete", "Rename", "Send To" }));
        QCOMPARE(entries(holiday).size(), 11);
    }

    // A slow copy dropped through the X server shows the progress dialog while the window
    // keeps handling its events; Cancel, clicked there, stops the copy and leaves nothing.
    void cancelASlowDrop()
    {
        QImage picture(800, 800, QImage::Format_RGB888);
        picture.fill(Qt::darkCyan);
        QVERIFY(picture.save(holiday + "/large.bmp"));
        TPTShellList *list = form->PTShellList1;
        QTRY_VERIFY(sandbox::rowOf(list, "large.bmp") >= 0);
        list->scrollTo(list->model()->index(sandbox::rowOf(list, "large.bmp"), 0));
        const QStringList before = entries(home->path("Desktop/Empty"));
        FileTransfer::setWriteFunction([](int fd, const char *data, size_t size) {
            QThread::msleep(400);
            return ::write(fd, data, size);
        });
        QElapsedTimer clock;
        qint64 shownAt = -1, clickedAt = -1, goneAt = -1;
        int ticks = 0;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto *dialog = form->findChild<QProgressDialog *>();
            const qint64 now = clock.elapsed();
            if (shownAt < 0 && dialog && dialog->isVisible())
                shownAt = now;
            if (shownAt < 0 || goneAt >= 0)
                return;
            ++ticks;
            if (!dialog)
                goneAt = now;
            else if (clickedAt < 0 && now - shownAt > 1000) {
                screenshot("copying");
                const auto *cancel = dialog->findChild<QPushButton *>();
                const QPoint at = cancel->mapToGlobal(cancel->rect().center());
                QProcess::startDetached(QStringLiteral("xdotool"),
                    { "mousemove", QString::number(at.x()), QString::number(at.y()), "click",
                        "1" });
                clickedAt = now;
            }
        });
        poll.start(10);
        clock.start();
        drag(rowOnScreen("large.bmp"), nodeOnScreen("Empty"), "1");
        QTRY_VERIFY2_WITH_TIMEOUT(goneAt >= 0,
            qPrintable(QStringLiteral("shown %1, clicked %2, %3")
                           .arg(shownAt)
                           .arg(clickedAt)
                           .arg(entries(home->path("Desktop/Empty")).join(", "))),
            30000);
        FileTransfer::setWriteFunction({});
        qInfo("Cancel clicked %lld ms after the dialog showed, gone %lld ms later; %d ticks in "
              "%lld ms",
            clickedAt - shownAt, goneAt - clickedAt, ticks, goneAt - shownAt);
        QVERIFY(clickedAt > 0);
        QCOMPARE(entries(home->path("Desktop/Empty")), before);
        QVERIFY(goneAt - clickedAt < 3000);
        QVERIFY2(ticks >= (goneAt - shownAt) / 40, qPrintable(QString::number(ticks)));
    }
};

int main(int argc, char **argv)
{
    sandbox::Home sandboxHome;
    home = &sandboxHome;
    qputenv("XDG_DATA_HOME", sandboxHome.path(".local/share").toUtf8());
    QDir().mkpath(sandboxHome.path(".local/share"));
    Application app(argc, argv);
    TestMainFormDndScreen test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_mainform_dnd_screen.moc"
