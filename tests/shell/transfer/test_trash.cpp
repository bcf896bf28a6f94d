#include "common/FileName.h"
#include "shell/transfer/ShellServices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lumisnap;

namespace {

QByteArray home()
{
    return qgetenv("HOME");
}

QByteArray trash()
{
    return home() + "/.local/share/Trash";
}

bool exists(const QByteArray &path)
{
    struct stat info
    {
    };
    return lstat(path.constData(), &info) == 0;
}

// Names as bytes: Qt's own decoding would not keep names that are not UTF-8.
QList<QByteArray> infoFiles()
{
    QList<QByteArray> names;
    DIR *folder = opendir(trash() + "/info");
    while (const dirent *entry = folder ? readdir(folder) : nullptr)
        if (entry->d_name[0] != '.')
            names << QByteArray(entry->d_name);
    if (folder)
        closedir(folder);
    return names;
}

bool writeFile(const QByteArray &path, const QByteArray &bytes)
{
    QFile file;
    return openFile(file, decodeFileName(path), QIODevice::WriteOnly)
        && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QByteArray &path)
{
    QFile file;
    return openFile(file, decodeFileName(path), QIODevice::ReadOnly) ? file.readAll() : "-";
}

// The Path= line of an info file, read back as a file manager's restore reads it.
QByteArray restoredPath(const QByteArray &infoName)
{
    const QList<QByteArray> lines = readFile(trash() + "/info/" + infoName).split('\n');
    if (lines.value(0) != "[Trash Info]")
        return {};
    for (const QByteArray &line : lines)
        if (line.startsWith("Path="))
            return QByteArray::fromPercentEncoding(line.mid(5));
    return {};
}

} // namespace

class TestTrash : public QObject
{
    Q_OBJECT

    QByteArray m_folder;

private slots:
    void initTestCase()
    {
        // A fresh account: no ~/.local/share yet.
        QVERIFY(!exists(home() + "/.local"));
        m_folder = home() + "/pictures";
        QVERIFY(QDir().mkpath(QFile::decodeName(m_folder)));
    }

    void entriesReachTheTrashWhole_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("linkTarget"); // empty: a plain file
        QTest::newRow("plain") << QByteArray("a.jpg") << QByteArray();
        QTest::newRow("246 bytes") << QByteArray(242, 'l') + ".jpg" << QByteArray();
        QTest::newRow("255 bytes") << QByteArray(251, 'l') + ".jpg" << QByteArray();
        QTest::newRow("255 bytes again") << QByteArray(251, 'l') + ".jpg" << QByteArray();
        QTest::newRow("255 bytes of UTF-8")
            << QByteArray(1, 'x') + QByteArray("\xc3\xa9").repeated(125) + ".jpg" << QByteArray();
        QTest::newRow("hostile") << QByteArray("new\nline\t100% ?#x \xff\xfe.jpg") << QByteArray();
        QTest::newRow("emoji and bidi")
            << QByteArray("\xf0\x9f\x98\x80 \xe2\x80\xaegpj.exe.jpg") << QByteArray();
        QTest::newRow("broken link") << QByteArray("broken.jpg") << QByteArray("nowhere");
        QTest::newRow("looping link") << QByteArray("loop.jpg") << QByteArray("loop.jpg");
    }

    void entriesReachTheTrashWhole()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, linkTarget);
        const QByteArray path = m_folder + '/' + name;
        if (linkTarget.isEmpty()) {
            QVERIFY(writeFile(path, name));
        } else {
            QCOMPARE(symlink(linkTarget.constData(), path.constData()), 0);
        }
        const QList<QByteArray> before = infoFiles();
        QString reason;
        QVERIFY2(shellTrash().moveToTrash(decodeFileName(path), reason), qPrintable(reason));
        QVERIFY(!exists(path));

        QList<QByteArray> added = infoFiles();
        for (const QByteArray &old : before)
            added.removeOne(old);
        QCOMPARE(added.size(), 1);
        const QByteArray info = added.first();
        QVERIFY(info.size() <= 255);
        QCOMPARE(restoredPath(info), path);
        const QByteArray kept = trash() + "/files/" + info.chopped(10);
        struct stat entry
        {
        };
        QCOMPARE(lstat(kept.constData(), &entry), 0);
        QCOMPARE(S_ISLNK(entry.st_mode), !linkTarget.isEmpty());
        if (linkTarget.isEmpty())
            QCOMPARE(readFile(kept), name);
        for (const char *folder : { "", "/files", "/info" }) {
            QCOMPARE(stat((trash() + folder).constData(), &entry), 0);
            QCOMPARE(entry.st_mode & 0777, 0700u);
        }
    }

    // Where no trash can be made, nothing is deleted.
    void refusedWhereNoTrashCanBeMade()
    {
        const QString saved = QFile::decodeName(trash() + ".saved");
        QVERIFY(QFile::rename(QFile::decodeName(trash()), saved));
        QVERIFY(QFile(QFile::decodeName(trash())).open(QIODevice::WriteOnly)); // a file in its way
        const QByteArray path = m_folder + "/kept.jpg";
        QVERIFY(writeFile(path, "kept"));
        QString reason;
        const bool moved = shellTrash().moveToTrash(decodeFileName(path), reason);
        QFile::remove(QFile::decodeName(trash()));
        QVERIFY(QFile::rename(saved, QFile::decodeName(trash())));
        QVERIFY(!moved);
        QVERIFY(!reason.isEmpty());
        QVERIFY(exists(path));
    }
};

// The home folder, and so the trash, lives in a sandbox set before the trash first reads it.
int main(int argc, char **argv)
{
    QTemporaryDir sandbox;
    qputenv("HOME", QFile::encodeName(sandbox.path()));
    qunsetenv("XDG_DATA_HOME");
    QCoreApplication app(argc, argv);
    TestTrash test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_trash.moc"
