// A transfer as the user-interface thread runs it: the progress dialog and its Cancel,
// the events that keep flowing, quitting mid-copy, and children in a private mount
// namespace or without root's rights.
#include "TransferSandbox.h"

#include "common/FileName.h"
#include "shell/transfer/FileTransfer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

using namespace lumisnap;
using namespace transfertest;

namespace {

// Every write of a copy waits a while, so that a copy lasts as long as a test needs.
struct SlowWrites
{
    explicit SlowWrites(int ms)
    {
        FileTransfer::setWriteFunction([ms](int fd, const char *data, size_t size) {
            QThread::msleep(ms);
            return ::write(fd, data, size);
        });
    }
    ~SlowWrites() { FileTransfer::setWriteFunction({}); }
};

// Runs a command to its end: its exit code and what it printed.
std::pair<int, QStringList> runToEnd(const QString &program, const QStringList &arguments)
{
    QProcess child;
    child.start(program, arguments);
    if (!child.waitForFinished(60000))
        return { -1, {} };
    return { child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1,
        QString::fromLocal8Bit(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts) };
}

} // namespace

class TestTransferWorker : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_src, m_dst;

private slots:
    void init() { transfertest::makeSandbox(m_dir, m_src, m_dst); }

    void cleanup() { removeTree(encodeFileName(m_dir->path())); }

    // The real dialog shows while a slow copy runs; its Cancel button, Escape or its owner
    // going away stops the copy at once and leaves no partial entry, and this thread handles
    // its events all along. A move to another drive keeps every source it has not finished.
    void progressDialogStopsTheCopy_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("move");
        QTest::newRow("Cancel button") << "button" << false;
        QTest::newRow("Escape") << "escape" << false;
        QTest::newRow("owner closed") << "owner" << false;
        QTest::newRow("Cancel button, move to another drive") << "button" << true;
    }

    void progressDialogStopsTheCopy()
    {
        QFETCH(QString, how);
        QFETCH(bool, move);
        QTemporaryDir shm("/dev/shm/lumisnap-test-XXXXXX");
        struct stat a, b;
        if (move
            && (!shm.isValid() || ::stat(encodeFileName(m_src).constData(), &a) != 0
                || ::stat(encodeFileName(shm.path()).constData(), &b) != 0 || a.st_dev == b.st_dev))
            QSKIP("no second file system to move across");
        const QString target = move ? shm.path() : m_dst;
        QDir().mkpath(m_src + "/album");
        write(m_src + "/album/a.jpg", "a");
        const QByteArray big(16 << 20, 'b');
        write(m_src + "/big.jpg", big);
        const SlowWrites slow(40);
        auto owner = std::make_unique<QWidget>();
        owner->resize(300, 200);
        owner->show();
        QElapsedTimer clock;
        qint64 stoppedAt = -1;
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] {
            ++ticks;
            auto *dialog = owner ? owner->findChild<QProgressDialog *>() : nullptr;
            // Stopped once the copy has run a while, so the ticks measure something.
            if (stoppedAt >= 0 || !dialog || !dialog->isVisible() || clock.elapsed() < 800)
                return;
            stoppedAt = clock.elapsed();
            if (how == "button")
                QTest::mouseClick(dialog->findChild<QPushButton *>(), Qt::LeftButton);
            else if (how == "escape")
                QTest::keyClick(dialog, Qt::Key_Escape);
            else
                owner.reset();
        });
        ticker.start(10);
        clock.start();
        FileTransfer transfer(owner.get());
        const auto outcome = transfer.run({ m_src + "/album", m_src + "/big.jpg" }, target,
            move ? FileTransfer::Mode::Move : FileTransfer::Mode::Copy);
        const qint64 returnedAt = clock.elapsed();
        ticker.stop();
        qInfo("%s: stopped after %lld ms, run returned %lld ms later; %d ticks in %lld ms",
            qPrintable(how), stoppedAt, returnedAt - stoppedAt, ticks, returnedAt);
        QVERIFY(outcome.cancelled);
        QVERIFY(outcome.error.isEmpty());
        QCOMPARE(outcome.placed, QStringList { target + "/album" });
        QCOMPARE(entries(target), QStringList { "album" });
        QCOMPARE(read(target + "/album/a.jpg"), QByteArray("a"));
        QCOMPARE(entries(m_src),
            move ? QStringList { "big.jpg" } : (QStringList { "album", "big.jpg" }));
        QCOMPARE(read(m_src + "/big.jpg"), big);
        QVERIFY(returnedAt - stoppedAt < 2000);
        QVERIFY2(ticks >= returnedAt / 40, qPrintable(QString::number(ticks)));
    }

    // A move within one drive is a rename: the worker looks at no entry inside the folder.
    void sameDriveMoveWalksNothing()
    {
        QDir().mkpath(m_src + "/album");
        for (int i = 0; i < 200; ++i)
            write(m_src + QStringLiteral("/album/%1.jpg").arg(i), "p");
        std::atomic<int> checks = 0;
        FileTransfer::setCancelCheck([&checks] { return ++checks < 0; });
        FileTransfer transfer;
        const auto outcome = transfer.run({ m_src + "/album" }, m_dst, FileTransfer::Mode::Move);
        FileTransfer::setCancelCheck({});
        QVERIFY2(outcome.error.isEmpty(), qPrintable(outcome.error));
        QVERIFY2(checks < 10, qPrintable(QString::number(checks)));
        QCOMPARE(entries(m_dst + "/album").size(), 200);
    }

    // Quitting the program while a copy runs stops the copy: no crash, nothing half done.
    void quittingStopsTheTransfer()
    {
        const QByteArray big(16 << 20, 'q');
        write(m_src + "/big.jpg", big);
        const auto [code, printed] = runToEnd(QCoreApplication::applicationFilePath(),
            { "--child", "quit", m_src + "/big.jpg", m_dst });
        QCOMPARE(code, 0);
        QCOMPARE(printed, QStringList { "cancelled" });
        QCOMPARE(entries(m_dst), QStringList());
        QCOMPARE(read(m_src + "/big.jpg"), big);
    }

    // A drive mounted inside a copied folder is not copied, and a move to another drive
    // leaves it whole: in a private mount namespace, with tmpfs drives.
    void mountedDriveInsideIsRefused_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::newRow("copy") << "copy";
        QTest::newRow("move") << "move";
    }

    void mountedDriveInsideIsRefused()
    {
        QFETCH(QString, mode);
        if (QStandardPaths::findExecutable("unshare").isEmpty())
            QSKIP("unshare is not installed");
        QDir().mkpath(m_src + "/album/card");
        write(m_src + "/album/a.jpg", "a");
        const auto [code, printed] = runToEnd("unshare",
            { "-rm", "sh", "-c",
                "mount -t tmpfs card \"$1/album/card\" && echo b > \"$1/album/card/b.jpg\""
                " && mount -t tmpfs other \"$2\" || exit 77;"
                " \"$3\" --child \"$4\" \"$1/album\" \"$2\";"
                " echo target: $(ls -A \"$2\"); echo card: $(ls -A \"$1/album/card\")",
                "sh", m_src, m_dst, QCoreApplication::applicationFilePath(), mode });
        if (code == 77)
            QSKIP("no private mount namespace here");
        QCOMPARE(code, 0);
        QCOMPARE(printed.size(), 3);
        QVERIFY2(
            printed[0].startsWith("Cannot copy the mounted drive \"" + m_src + "/album/card\""),
            qPrintable(printed[0]));
        QCOMPARE(printed.mid(1), (QStringList { "target:", "card: b.jpg" }));
        QCOMPARE(entries(m_src + "/album"), (QStringList { "a.jpg", "card" }));
    }

    // A copy cancelled once a read-only sub-folder is complete leaves nothing behind, even
    // where read-only means read-only: a child without root's rights does the copy.
    void cancelledCopyWithReadOnlyFolder()
    {
        if (QStandardPaths::findExecutable("setpriv").isEmpty())
            QSKIP("setpriv is not installed");
        QDir().mkpath(m_src + "/album/ro/deeper");
        write(m_src + "/album/ro/x.jpg", "x");
        write(m_src + "/album/ro/deeper/y.jpg", "y");
        write(m_src + "/album/z.jpg", QByteArray(1 << 20, 'z'));
        QCOMPARE(::chmod(encodeFileName(m_src + "/album/ro").constData(), 0555), 0);
        const auto [code, printed] = runToEnd("setpriv",
            { "--bounding-set=-all", "--inh-caps=-all", QCoreApplication::applicationFilePath(),
                "--child", "cancel-read-only", m_src + "/album", m_dst });
        ::chmod(encodeFileName(m_src + "/album/ro").constData(), 0755);
        if (code == 77)
            QSKIP("the child keeps the rights to write into read-only folders");
        QCOMPARE(code, 0);
        QCOMPARE(printed, QStringList { "cancelled" });
        QCOMPARE(entries(m_dst), QStringList());
        QCOMPARE(entries(m_src + "/album"), (QStringList { "ro", "z.jpg" }));
    }
};

namespace {

// Whether a part folder in `folder` holds a finished read-only sub-folder "ro".
bool readOnlyPartDone(const QString &folder)
{
    for (const QString &name : entries(folder)) {
        struct stat st;
        if (name.startsWith(".lumisnap-part-")
            && ::stat(encodeFileName(folder + '/' + name + "/ro").constData(), &st) == 0
            && !(st.st_mode & S_IWUSR))
            return true;
    }
    return false;
}

// The tests' children: "--child <how> source folder" prints the outcome of one transfer.
int runChild(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString how = QString::fromLocal8Bit(argv[2]);
    const QString source = decodeFileName(argv[3]), folder = decodeFileName(argv[4]);
    std::unique_ptr<SlowWrites> slow;
    if (how == "quit") {
        slow = std::make_unique<SlowWrites>(40);
        QTimer::singleShot(700, &app, &QCoreApplication::quit);
    }
    if (how == "cancel-read-only") {
        // Still allowed to write into a read-only folder, the test would show nothing.
        if (::access((QByteArray(argv[3]) + "/ro").constData(), W_OK) == 0)
            return 77;
        FileTransfer::setCancelCheck([folder] { return readOnlyPartDone(folder); });
    }
    QWidget owner;
    owner.show();
    QTimer::singleShot(0, &app, [&] {
        const auto outcome = FileTransfer(&owner).run({ source }, folder,
            how == "move" ? FileTransfer::Mode::Move : FileTransfer::Mode::Copy);
        std::printf("%s\n", outcome.cancelled ? "cancelled" : qPrintable(outcome.error));
        std::fflush(stdout);
        app.quit();
    });
    return app.exec();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 5 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argc, argv);
    QApplication app(argc, argv);
    TestTransferWorker test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_transferworker.moc"
