// The command line and the one-window rule, with the real program as the other process.
#include "app/CommandLine.h"
#include "app/SingleInstance.h"
#include "common/FileName.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace lumisnap;

using Action = CommandLine::Action;

class TestInstance : public QObject
{
    Q_OBJECT

private slots:
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("path");
        QTest::newRow("none") << QStringList {} << int(Action::Run) << "";
        QTest::newRow("relative") << QStringList { "pic.jpg" } << int(Action::Run)
                                  << "/home/u/pic.jpg";
        QTest::newRow("dots") << QStringList { "../x/./y.gif" } << int(Action::Run)
                              << "/home/x/y.gif";
        QTest::newRow("folder") << QStringList { "/media/c/" } << int(Action::Run) << "/media/c";
        QTest::newRow("window system option") << QStringList { "-platform", "offscreen", "a.bmp" }
                                              << int(Action::Run) << "/home/u/a.bmp";
        QTest::newRow("dash name")
            << QStringList { "--", "-a.ico" } << int(Action::Run) << "/home/u/-a.ico";
        QTest::newRow("two paths") << QStringList { "a.gif", "b.gif" } << int(Action::Fail) << "";
        QTest::newRow("unknown option") << QStringList { "--slideshow" } << int(Action::Fail) << "";
        QTest::newRow("version") << QStringList { "--version", "a.gif" } << int(Action::Print)
                                 << "";
        QTest::newRow("help") << QStringList { "-h" } << int(Action::Print) << "";
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QString, path);
        const CommandLine command
            = CommandLine::parse(QStringList { "lumisnap" } + arguments, "/home/u");
        QCOMPARE(int(command.action), action);
        QCOMPARE(command.path, path);
        if (command.action == Action::Fail)
            QVERIFY2(command.text.contains("lumisnap --help"), qPrintable(command.text));
        if (QTest::currentDataTag() == QLatin1String("help"))
            QVERIFY2(command.text.contains("Usage: lumisnap [options] [PATH]")
                    && !command.text.contains("platform"),
                qPrintable(command.text));
    }

    void namesAreBytes()
    {
        QByteArray name("/tmp/b\xe9t\xe9.jpg");
        char program[] = "lumisnap";
        char *argv[] = { program, name.data(), nullptr };
        const CommandLine command = CommandLine::parse(2, argv);
        QCOMPARE(encodeFileName(command.path), name);

        QString path;
        QByteArray token;
        QVERIFY(SingleInstance::decodeRequest(
            SingleInstance::encodeRequest(command.path, "tok"), &path, &token));
        QCOMPARE(encodeFileName(path), name);
        QCOMPARE(token, QByteArray("tok"));
    }

    void malformedRequests_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("other magic") << QByteArray("hello\0t\0/a\0", 11);
        QTest::newRow("relative path") << QByteArray("lumisnap-open-1\0t\0a.jpg\0", 24);
        QTest::newRow("extra field") << QByteArray("lumisnap-open-1\0t\0/a\0/b\0", 24);
        QTest::newRow("unterminated") << QByteArray("lumisnap-open-1\0t\0/a", 20);
    }

    void malformedRequests()
    {
        QFETCH(QByteArray, bytes);
        QString path;
        QByteArray token;
        QVERIFY(!SingleInstance::decodeRequest(bytes, &path, &token));
    }

    void versionNeedsNoDisplay()
    {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.insert("QT_QPA_PLATFORM", "xcb");
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(LUMISNAP_EXE), { "--version" });
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(program.readAllStandardOutput(), QByteArray("Lumisnap " LUMISNAP_VERSION "\n"));
    }

    // Junk on the socket (too long, or not a request) is dropped; the next start gets through.
    void junkIsDropped()
    {
        QTemporaryDir runtime;
        SingleInstance first(runtime.filePath("lumisnap.socket"));
        QCOMPARE(first.claim(QString(), {}), SingleInstance::Role::First);
        first.serve();
        QSignalSpy opened(&first, &SingleInstance::openRequested);
        for (const QByteArray &junk : { QByteArray(100 * 1024, 'x'), QByteArray("a\0b\0c\0", 6) }) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address {};
            address.sun_family = AF_UNIX;
            qstrcpy(address.sun_path, QFile::encodeName(runtime.filePath("lumisnap.socket")));
            QCOMPARE(::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
            QCOMPARE(::write(fd, junk.constData(), junk.size()), ssize_t(junk.size()));
            ::close(fd);
        }
        SingleInstance later(runtime.filePath("lumisnap.socket"));
        QCOMPARE(later.claim("/a.gif", "t"), SingleInstance::Role::HandedOver);
        QTRY_COMPARE(opened.size(), 1);
        QCOMPARE(opened[0][0].toString(), QString("/a.gif"));
        QTest::qWait(100);
        QCOMPARE(opened.size(), 1);
    }

    // A program killed outright leaves its socket behind; the next start runs all the same
    // and later starts reach it.
    void killedProgramNeverBlocks()
    {
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        const QString socket = SingleInstance::socketPath();
        QVERIFY(socket.startsWith(runtime.path()));

        QProcess killed;
        killed.start(QStringLiteral(LUMISNAP_EXE), {});
        QVERIFY(killed.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socket), 10000);
        killed.kill();
        QVERIFY(killed.waitForFinished());
        QVERIFY(QFileInfo::exists(socket));

        SingleInstance next;
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(next.claim(QString(), {}), SingleInstance::Role::First);
        QVERIFY2(clock.elapsed() < 100, qPrintable(QString::number(clock.elapsed())));
        next.serve();
        QSignalSpy opened(&next, &SingleInstance::openRequested);

        QProcess later;
        later.start(QStringLiteral(LUMISNAP_EXE), { "/srv/photos/cat.gif" });
        QVERIFY(later.waitForFinished(10000));
        QCOMPARE(later.exitCode(), 0);
        QTRY_COMPARE(opened.size(), 1);
        QCOMPARE(opened[0][0].toString(), QString("/srv/photos/cat.gif"));
    }
};

QTEST_MAIN(TestInstance)
#include "test_instance.moc"
