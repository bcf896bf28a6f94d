#include "common/DesktopId.h"
#include "common/Error.h"
#include "common/FileName.h"
#include "controls/SortedPathList.h"
#include "controls/TImage.h"
#include "mainform/IsPictureFile.h"
#include "mainform/MakerLinkPage.h"
#include "mainform/TMainForm.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace lumisnap;

namespace {

// Root may write into any folder; while this lives, the process is an ordinary user
// (nobody), as the program's users are. Nothing changes for anyone else.
class AsOrdinaryUser
{
public:
    AsOrdinaryUser()
        : m_switched(geteuid() == 0 && setresuid(65534, 65534, 0) == 0)
    {
    }
    ~AsOrdinaryUser()
    {
        if (m_switched && setresuid(0, 0, 0) != 0)
            qFatal("cannot become root again");
    }
    AsOrdinaryUser(const AsOrdinaryUser &) = delete;
    AsOrdinaryUser &operator=(const AsOrdinaryUser &) = delete;

private:
    bool m_switched;
};

// A program folder prefix/bin inside dir, as a build or an installation lays it out.
QString makeProgramFolder(const QTemporaryDir &dir, bool installed)
{
    const QString bin = dir.filePath(QStringLiteral("prefix/bin"));
    QDir().mkpath(bin);
    if (installed) {
        const QString entries = dir.filePath(QStringLiteral("prefix/share/applications"));
        QDir().mkpath(entries);
        QFile entry(entries + QLatin1Char('/') + DesktopId + QStringLiteral(".desktop"));
        if (!entry.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(entry.fileName()));
    }
    return bin;
}

} // namespace

class TestMainFormRules : public QObject
{
    Q_OBJECT

private slots:
    void pictureKinds_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("picture");
        QTest::newRow("mixed case") << "/home/u/PHOTO.Jpg" << true;
        QTest::newRow("two dots") << "/home/u/a.b.gif" << true;
        QTest::newRow("icon") << "/x/y.ICO" << true;
        QTest::newRow("bitmap") << "/x/y.bmp" << true;
        QTest::newRow("jpeg spelled out") << "/home/u/pic.jpeg" << false;
        QTest::newRow("no extension") << "/home/u/README" << false;
        QTest::newRow("dot in folder only") << "/home/u/my.pics/readme" << false;
        QTest::newRow("colon is ordinary") << "/home/u/a:b.gif" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("trailing dot") << "/home/u/photo." << false;
        QTest::newRow("non-ASCII letter is not folded") << QString::fromUtf8("/x/y.gİf") << false;
    }

    void pictureKinds()
    {
        QFETCH(QString, path);
        QFETCH(bool, picture);
        QCOMPARE(IsPictureFile(path), picture);
        // The drive scan's test on the name alone agrees.
        QCOMPARE(IsPictureName(path.mid(path.lastIndexOf('/') + 1).toUtf8()), picture);
    }

    void positionText()
    {
        QCOMPARE(TMainForm::positionText(4, 10), QString("5 of 10"));
        QCOMPARE(TMainForm::positionText(5, 12), QString("6 of 12"));
    }

    void placement_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<bool>("center");
        QTest::addColumn<bool>("stretch");
        QTest::addColumn<QRect>("dest");
        QTest::newRow("centred small") << QSize(100, 50) << true << false << QRect(58, 56, 100, 50);
        QTest::newRow("centred large, cut equally")
            << QSize(300, 200) << true << false << QRect(-42, -19, 300, 200);
        QTest::newRow("odd difference rounds toward zero")
            << QSize(221, 167) << true << false << QRect(-2, -2, 221, 167);
        QTest::newRow("stretched") << QSize(300, 200) << false << true << QRect(0, 0, 216, 162);
        QTest::newRow("stretch wins over centre")
            << QSize(10, 10) << true << true << QRect(0, 0, 216, 162);
        QTest::newRow("plain") << QSize(300, 200) << false << false << QRect(0, 0, 300, 200);
    }

    void placement()
    {
        QFETCH(QSize, picture);
        QFETCH(bool, center);
        QFETCH(bool, stretch);
        QFETCH(QRect, dest);
        QCOMPARE(TImage::destRect(QSize(216, 162), picture, center, stretch), dest);
    }

    // Batches of a folder's paths in the order a walk meets them, thousands of rows, so
    // that runs split; one entry is followed through the insertions as a selection is.
    void pathsStaySortedAsBatchesArrive()
    {
        QList<QByteArray> all;
        for (int folder = 0; folder < 120; ++folder) {
            for (int file = 0; file < 25; ++file)
                all << "/d/Folder " + QByteArray::number(folder % 40) + (folder < 40 ? "/" : "-x/")
                        + (file % 2 ? "IMG_" : "img_") + QByteArray::number(file * 7 % 25) + ".jpg";
        }
        all << "/d/f\xe9te.jpg"
            << "/d/F\xc3\xa9te.jpg";
        QList<QByteArray> shuffled = all;
        std::shuffle(shuffled.begin(), shuffled.end(), *QRandomGenerator::global());
        SortedPathList list;
        int followed = -1;
        QByteArray followedPath;
        for (qsizetype at = 0; at < shuffled.size(); at += 25) {
            const QList<QByteArray> batch = shuffled.mid(at, 25);
            list.insert(batch, [&](int index) {
                if (followed >= index)
                    ++followed;
            });
            if (followed < 0) {
                followed = list.count() / 2;
                followedPath = list.at(followed).toByteArray();
            }
            QCOMPARE(list.at(followed).toByteArray(), followedPath);
        }
        const QCollator collator = fileNameCollator();
        std::sort(all.begin(), all.end(), [&](const QByteArray &a, const QByteArray &b) {
            const int order = collator.compare(decodeFileName(a), decodeFileName(b));
            return order != 0 ? order < 0 : a < b;
        });
        QCOMPARE(list.count(), all.size());
        for (int i = 0; i < list.count(); ++i)
            QCOMPARE(list.at(i).toByteArray(), all[i]);
    }

    void linkPageBytesAreExactAndReplaceOlderFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(MakerLinkPage::FileName);
        QFile older(path);
        QVERIFY(older.open(QIODevice::WriteOnly));
        older.write(QByteArray(4096, 'x'));
        older.close();

        const QByteArray expected = "<HTML>\r\n"
                                    "<META HTTP-EQUIV=\"refresh\" content=\"1; "
                                    "URL=http://www.example.com/Fennomark\">\r\n"
                                    "</HTML>\r\n";
        for (int i = 0; i < 2; ++i) {
            MakerLinkPage::write(path, MakerLinkPage::lines());
            QFile page(path);
            QVERIFY(page.open(QIODevice::ReadOnly));
            QCOMPARE(page.readAll(), expected);
        }
    }

    void linkPageFolder_data()
    {
        QTest::addColumn<bool>("writable");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("beside");
        QTest::newRow("writable build folder") << true << false << true;
        QTest::newRow("read-only folder") << false << false << false;
        QTest::newRow("installed program") << true << true << false;
    }

    void linkPageFolder()
    {
        QFETCH(bool, writable);
        QFETCH(bool, installed);
        QFETCH(bool, beside);
        QTemporaryDir dir;
        // The ordinary user below must reach the folders.
        QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7777));
        const QString program = makeProgramFolder(dir, installed);
        QFile::setPermissions(program,
            writable ? QFileDevice::Permissions(0x7777)
                     : QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther
                    | QFileDevice::ExeOther);
        qputenv("XDG_CACHE_HOME", dir.filePath(QStringLiteral("cache")).toUtf8());

        AsOrdinaryUser user;
        const QString folder = MakerLinkPage::folderFor(program);
        const QString cache = dir.filePath(QStringLiteral("cache/lumisnap"));
        QCOMPARE(folder, beside ? program : cache);
        MakerLinkPage::write(
            folder + QLatin1Char('/') + MakerLinkPage::FileName, MakerLinkPage::lines());
        QVERIFY(QFile::exists(folder + QStringLiteral("/FMLink.htm")));
        QCOMPARE(QFile::exists(program + QStringLiteral("/FMLink.htm")), beside);
    }

    void linkPageWithNowhereToGoRaisesCreateErrorForTheCachePath()
    {
        QTemporaryDir dir;
        const QString program = makeProgramFolder(dir, true);
        // A file where the cache folder should be: no folder can be made below it.
        const QString blocked = dir.filePath(QStringLiteral("blocked"));
        QVERIFY(QFile(blocked).open(QIODevice::WriteOnly));
        qputenv("XDG_CACHE_HOME", blocked.toUtf8());
        const QString path
            = MakerLinkPage::folderFor(program) + QLatin1Char('/') + MakerLinkPage::FileName;
        QCOMPARE(path, blocked + QStringLiteral("/lumisnap/FMLink.htm"));
        try {
            MakerLinkPage::write(path, MakerLinkPage::lines());
            QFAIL("no error raised");
        } catch (const EFCreateError &error) {
            QCOMPARE(error.message(), QStringLiteral("Cannot create file ") + path);
        }
    }
};

QTEST_MAIN(TestMainFormRules)
#include "test_mainform_rules.moc"
