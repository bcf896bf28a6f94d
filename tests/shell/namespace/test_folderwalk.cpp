// The walk under a drive that holds other mounts, made with real mounts in a private
// mount namespace: a bind mount of the drive's own file system is another drive, as is
// a file system mounted inside.
#include "shell/namespace/FolderWalk.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace lumisnap;

namespace {

// Child mode: the paths of every file the walk from the root finds, one a line.
int printWalk(const char *root)
{
    FolderWalk walk(QByteArray(root) + '/');
    while (!walk.atEnd())
        walk.listNext([&](QByteArrayView name) {
            std::printf("%s%.*s\n", walk.folder().constData(), int(name.size()), name.data());
        });
    return 0;
}

} // namespace

class TestFolderWalk : public QObject
{
    Q_OBJECT

private slots:
    void bindMountInsideIsAnotherDrive()
    {
        if (QStandardPaths::findExecutable("unshare").isEmpty())
            QSKIP("unshare is not installed");
        QTemporaryDir dir;
        const QString drive = dir.filePath("drive");
        QVERIFY(QDir().mkpath(drive + "/Photos/Bound"));
        QVERIFY(QDir().mkpath(drive + "/Photos/Card"));
        QFile picture(drive + "/Photos/a.jpg");
        QVERIFY(picture.open(QIODevice::WriteOnly));
        picture.close();

        QProcess walk;
        walk.start("unshare",
            { "-rm", "sh", "-c",
                "mount --bind \"$1\" \"$1/Photos/Bound\" && mount -t tmpfs card \"$1/Photos/Card\""
                " && : > \"$1/Photos/Card/b.jpg\" && exec \"$2\" --walk \"$1\"",
                "sh", drive, QCoreApplication::applicationFilePath() });
        QVERIFY(walk.waitForFinished(30000));
        if (walk.exitCode() != 0)
            QSKIP("no private mount namespace here: " + walk.readAllStandardError());
        QCOMPARE(
            QString::fromLocal8Bit(walk.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts),
            QStringList(drive + "/Photos/a.jpg"));
    }
};

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--walk") == 0)
        return printWalk(argv[2]);
    QCoreApplication app(argc, argv);
    TestFolderWalk test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_folderwalk.moc"
