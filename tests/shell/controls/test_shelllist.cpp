#include "common/Error.h"
#include "common/FileName.h"
#include "shell/controls/TPTCustomDraw.h"
#include "shell/controls/TPTShListData.h"
#include "shell/controls/TPTShellList.h"
#include "shell/controls/TPTShellTree.h"
#include "shell/namespace/PosixShellModel.h"
#include "shell/namespace/ShellModel.h"
#include "shell/transfer/ShellOpen.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QMimeDatabase>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lumisnap;

namespace {

// Creates `name` (raw bytes, relative to `folder`) with `size` bytes.
void makeFile(const QString &folder, const QByteArray &name, qint64 size = 1)
{
    const QByteArray path = encodeFileName(folder) + '/' + name;
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    QVERIFY(fd >= 0);
    QVERIFY(::ftruncate(fd, size) == 0);
    ::close(fd);
}

IdList folderList(const QString &path)
{
    return shellModel().desktopFolder()->parseDisplayName(path);
}

QStringList rowNames(TPTShellList &list)
{
    QStringList names;
    for (int i = 0; i < list.Count(); ++i)
        names << list.ItemData(i)->DisplayName();
    return names;
}

void writeText(const QString &path, const QByteArray &text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

// Catches what the desktop would be asked to open.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void openUrl(const QUrl &url) { urls << url; }
};

} // namespace

class TestShellList : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TPTShellList> m_list;

    // A list that fills `m_dir` with `filter`.
    TPTShellList &fill(const QString &filter)
    {
        m_list->setFileFilter(filter);
        m_list->Folder().SetIdList(folderList(m_dir->path()));
        m_list->FillList();
        return *m_list;
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_list = std::make_unique<TPTShellList>();
        m_list->setOptions(m_list->Options() & ~TPTShellListOptions(ptsloDynamicRefresh));
        m_list->Loaded();
    }

    void cleanup()
    {
        m_list.reset();
        m_dir.reset();
    }

    void filter_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("shown");
        const QStringList all { "d", "a.JPG", "b.gif", "c.txt", "x.jpeg" };
        QTest::newRow("picture patterns")
            << "*.gif;*.jpg;*.ico;*.bmp" << QStringList { "d", "a.JPG", "b.gif" };
        QTest::newRow("jpg is not jpeg") << "*.jpg" << QStringList { "d", "a.JPG" };
        QTest::newRow("star") << "*" << all;
        QTest::newRow("star dot star") << "*.*" << all;
        QTest::newRow("empty") << "" << all;
        QTest::newRow("empty pieces ignored")
            << ";*.gif;;*.txt;" << QStringList { "d", "b.gif", "c.txt" };
        QTest::newRow("blank belongs to the pattern")
            << "*.gif; *.txt" << QStringList { "d", "b.gif" };
        QTest::newRow("only separators") << ";;" << all;
        QTest::newRow("question mark") << "?.gif" << QStringList { "d", "b.gif" };
    }

    void filter()
    {
        QFETCH(QString, filter);
        QFETCH(QStringList, shown);
        for (const char *name : { "a.JPG", "b.gif", "c.txt", "x.jpeg" })
            makeFile(m_dir->path(), name);
        QVERIFY(QDir(m_dir->path()).mkdir("d"));
        QCOMPARE(rowNames(fill(filter)), shown);
        QVERIFY(!m_list->SelectedData());
        QCOMPARE(m_list->SelectedIndex(), -1);
    }

    void sizeText_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << qint64(0) << "0KB";
        QTest::newRow("one byte") << qint64(1) << "1KB";
        QTest::newRow("one kilobyte") << qint64(1024) << "1KB";
        QTest::newRow("one byte more") << qint64(1025) << "2KB";
        QTest::newRow("two million") << qint64(2000000) << "1,954KB";
        QTest::newRow("one megabyte") << qint64(1048576) << "1,024KB";
    }

    void sizeText()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        makeFile(m_dir->path(), "f.gif", bytes);
        TPTShellList &list = fill("*.gif");
        QCOMPARE(list.Count(), 1);
        QCOMPARE(list.ItemData(0)->SizeText(), text);
        QVERIFY(!list.ItemData(0)->ModifiedText().isEmpty());
        QCOMPARE(list.model()->index(0, 1).data().toString(), text);
    }

    void folderHasNoSizeText()
    {
        QVERIFY(QDir(m_dir->path()).mkdir("sub"));
        TPTShellList &list = fill("*");
        QCOMPARE(list.Count(), 1);
        QVERIFY(list.ItemData(0)->IsFolder());
        QCOMPARE(list.ItemData(0)->SizeText(), QString());
        QCOMPARE(list.ItemData(0)->Path(), m_dir->path() + "/sub");
    }

    void headerClicks()
    {
        makeFile(m_dir->path(), "a.gif", 5000);
        makeFile(m_dir->path(), "b.gif", 10);
        makeFile(m_dir->path(), "c.gif", 3000);
        TPTShellList &list = fill("*.gif");
        list.resize(600, 300);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QCOMPARE(list.SortColumn(), 1);
        QCOMPARE(rowNames(list), (QStringList { "a.gif", "b.gif", "c.gif" }));
        auto clickHeader = [&](int section) {
            QHeaderView *h = list.header();
            QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                QPoint(h->sectionViewportPosition(section) + 10, h->height() / 2));
        };
        clickHeader(0);
        QCOMPARE(list.SortColumn(), -1);
        QCOMPARE(rowNames(list), (QStringList { "c.gif", "b.gif", "a.gif" }));
        QCOMPARE(list.header()->sortIndicatorOrder(), Qt::DescendingOrder);
        clickHeader(1);
        QCOMPARE(list.SortColumn(), 2);
        QCOMPARE(rowNames(list), (QStringList { "b.gif", "c.gif", "a.gif" }));
        QCOMPARE(list.header()->sortIndicatorSection(), 1);
        clickHeader(1);
        QCOMPARE(list.SortColumn(), -2);
        QCOMPARE(rowNames(list), (QStringList { "a.gif", "c.gif", "b.gif" }));
        // A handler that sets the sort column itself overrides the click rule.
        connect(&list, &TPTShellList::OnColumnClick, &list,
            [&list](QObject *, int) { list.SetSortColumn(1); });
        clickHeader(2);
        QCOMPARE(list.SortColumn(), 1);
        QCOMPARE(rowNames(list), (QStringList { "a.gif", "b.gif", "c.gif" }));
    }

    void refreshKeepsRowsAndAppendsNewOnes()
    {
        for (const char *name : { "a.gif", "b.gif", "c.gif", "d.gif" })
            makeFile(m_dir->path(), name);
        TPTShellList &list = fill("*.gif");
        TPTShListData *kept = list.ItemData(2);
        list.SelectItem(2);
        QVERIFY(QFile::remove(m_dir->path() + "/b.gif"));
        makeFile(m_dir->path(), "0.gif");
        makeFile(m_dir->path(), "e.txt");
        QVERIFY(QFile::remove(m_dir->path() + "/d.gif"));
        QSignalSpy deleted(&list, &TPTShellList::OnDeleteItem);
        list.RefreshList();
        QCOMPARE(deleted.count(), 2);
        QCOMPARE(rowNames(list), (QStringList { "a.gif", "c.gif", "0.gif" }));
        QCOMPARE(list.ItemData(1), kept);
        QCOMPARE(list.SelectedData(), kept);
    }

    void refreshOfVanishedFolderEmptiesTheList()
    {
        QVERIFY(QDir(m_dir->path()).mkdir("gone"));
        makeFile(m_dir->path() + "/gone", "a.gif");
        m_list->setFileFilter("*.gif");
        m_list->Folder().SetIdList(folderList(m_dir->path() + "/gone"));
        QCOMPARE(m_list->Count(), 1);
        QVERIFY(QDir(m_dir->path() + "/gone").removeRecursively());
        m_list->RefreshList();
        QCOMPARE(m_list->Count(), 0);
    }

    void selectionAccessors()
    {
        for (const char *name : { "a.gif", "b.gif", "c.gif" })
            makeFile(m_dir->path(), name, 2048);
        TPTShellList &list = fill("*.gif");
        QCOMPARE(list.currentIndex().row(), 0); // focus mark without a selection
        QVERIFY(!list.SelectedData());
        QCOMPARE(list.NextItem(list.SelectedIndex()), 0);
        QSignalSpy changes(&list, &TPTShellList::OnChange);
        list.SelectItem(1);
        QVERIFY(changes.count() >= 1);
        QCOMPARE(list.SelectedIndex(), 1);
        QCOMPARE(list.SelectedData()->Path(), m_dir->path() + "/b.gif");
        QCOMPARE(list.SelectedData()->SizeText(), QString("2KB"));
        QCOMPARE(list.NextItem(1), 2);
        QCOMPARE(list.NextItem(2), -1);
        list.SelectItem(2);
        QCOMPARE(list.SelectedIndex(), 2);
        list.SelectItem(7); // out of range: nothing changes
        QCOMPARE(list.SelectedIndex(), 2);
        QVERIFY(!list.ItemData(3));
        QVERIFY(!list.ItemData(-1));
    }

    void customDrawPerRow()
    {
        for (const char *name : { "a.gif", "b.gif", "c.gif" })
            makeFile(m_dir->path(), name);
        TPTShellList &list = fill("*.gif");
        QSet<int> rowsDrawn;
        int nullData = 0;
        connect(&list, &TPTShellList::OnCustomDrawSh, &list,
            [&](QObject *sender, TPTCustomDraw *cd, int row, TPTShListData *data) {
                QCOMPARE(sender, &list);
                QCOMPARE(cd->drawStage(), int(TPTCustomDraw::cdItemPrePaint));
                nullData += data != list.ItemData(row);
                rowsDrawn.insert(row);
                cd->Brush().setColor(clBlack);
                cd->Font().setColor(clWhite);
            });
        list.resize(400, 200);
        const QImage image = list.grab().toImage();
        QCOMPARE(rowsDrawn, (QSet<int> { 0, 1, 2 }));
        QCOMPARE(nullData, 0);
        // The first row's name cell: a black background with white text on it.
        const QRect cell = list.visualRect(list.model()->index(0, 0));
        const QPoint origin = list.viewport()->mapTo(&list, cell.topLeft());
        int white = 0, black = 0;
        for (int x = origin.x() + 20; x < origin.x() + cell.width(); ++x)
            for (int y = origin.y(); y < origin.y() + cell.height(); ++y) {
                const QColor c = image.pixelColor(x, y);
                white += c.lightness() > 200;
                black += c.lightness() < 30;
            }
        QVERIFY(white > 0);
        QVERIFY(black > white);
    }

    void nonUtf8NameIsListedSortedAndOpens()
    {
        makeFile(m_dir->path(), "a.jpg");
        makeFile(m_dir->path(), QByteArray("caf\xe9.jpg"), 7);
        makeFile(m_dir->path(), "z.jpg");
        TPTShellList &list = fill("*.jpg");
        QCOMPARE(list.Count(), 3);
        QCOMPARE(list.ItemData(0)->DisplayName(), QString("a.jpg"));
        QCOMPARE(list.ItemData(2)->DisplayName(), QString("z.jpg"));
        const QString path = list.ItemData(1)->Path();
        QCOMPARE(encodeFileName(path), encodeFileName(m_dir->path()) + "/caf\xe9.jpg");
        QFile file;
        QVERIFY(openFile(file, path, QIODevice::ReadOnly));
        QCOMPARE(file.size(), 7);
        QCOMPARE(list.ItemData(1)->SizeText(), QString("1KB"));
        ::unlink(encodeFileName(path).constData()); // the sandbox's clean-up cannot name it
    }

    void troublesomeFoldersStayQuiet_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("vanished") << "vanished";
        QTest::newRow("dangling link") << "dangling";
        QTest::newRow("link loop") << "loop";
        QTest::newRow("unreadable") << "unreadable";
    }

    void troublesomeFoldersStayQuiet()
    {
        QFETCH(QString, kind);
        const QString target = m_dir->path() + "/target";
        const QByteArray raw = encodeFileName(target);
        if (kind == "vanished") {
            QVERIFY(QDir().mkdir(target));
        } else if (kind == "dangling") {
            QVERIFY(::symlink("/nonexistent/lumisnap", raw.constData()) == 0);
        } else if (kind == "loop") {
            QVERIFY(::symlink(raw.constData(), raw.constData()) == 0);
        } else {
            QVERIFY(QDir().mkdir(target));
            makeFile(target, "a.gif");
            QVERIFY(::chmod(raw.constData(), 0) == 0);
        }
        const IdList list = folderList(target);
        if (kind == "vanished")
            QVERIFY(QDir().rmdir(target));
        m_list->setFileFilter("*.gif");
        try {
            m_list->Folder().SetIdList(list.isNull() ? IdList::empty() : list);
        } catch (const EAbort &) {
        }
        // Permissions do not stop root, who then sees the file.
        QCOMPARE(m_list->Count(), kind == "unreadable" && ::geteuid() == 0 ? 1 : 0);
        ::chmod(raw.constData(), 0755);
    }

    // The texts are checked against values worked out here by other means.
    void typeAndModifiedTexts()
    {
        makeFile(m_dir->path(), "a.gif", 10);
        makeFile(m_dir->path(), "b.JPG", 10);
        struct timespec times[2] = { { 1600000000, 0 }, { 1600000000, 0 } };
        QVERIFY(
            ::utimensat(AT_FDCWD, encodeFileName(m_dir->path() + "/a.gif").constData(), times, 0)
            == 0);
        TPTShellList &list = fill("*");
        QCOMPARE(list.Count(), 2);
        const QLocale locale;
        const QMimeDatabase mimes;
        for (int i = 0; i < 2; ++i) {
            TPTShListData *row = list.ItemData(i);
            const QFileInfo info(row->Path());
            QCOMPARE(row->TypeText(),
                mimes.mimeTypeForFile(info, QMimeDatabase::MatchExtension).comment());
            const QDateTime time = info.lastModified();
            QCOMPARE(row->ModifiedText(),
                locale.toString(time.date(), QLocale::ShortFormat) + ' '
                    + locale.toString(time.time(), QLocale::ShortFormat));
        }
        const QDateTime set = QDateTime::fromSecsSinceEpoch(1600000000);
        QCOMPARE(list.ItemData(0)->ModifiedText(),
            locale.toString(set.date(), QLocale::ShortFormat) + ' '
                + locale.toString(set.time(), QLocale::ShortFormat));
    }

    // The list as the program sets it up: linked to the tree, its sub-folders hidden,
    // Home, Computer and the drives shown, and "Computer" listed unfiltered.
    void programConfiguration()
    {
        QVERIFY(QDir(m_dir->path()).mkpath("home/Desktop/sub"));
        makeFile(m_dir->path() + "/home/Desktop", "a.gif");
        makeFile(m_dir->path() + "/home/Desktop", "b.txt");
        writeText(m_dir->path() + "/mountinfo",
            "1 0 8:1 / / rw - ext4 /dev/lumisnap-none1 rw\n"
            "2 1 8:2 / /media/stick rw - vfat /dev/lumisnap-none2 rw\n");
        PosixShellModel::Options options;
        options.homePath = m_dir->path() + "/home";
        options.desktopPath = m_dir->path() + "/home/Desktop";
        options.mountInfoPath = m_dir->path() + "/mountinfo";
        const auto previous = setShellModel(std::make_shared<PosixShellModel>(options));
        {
            QWidget window;
            auto *tree = new TPTShellTree(&window);
            auto *list = new TPTShellList(&window);
            tree->setOptions(tree->Options() & ~TPTShellTreeOptions(ptstoDynamicRefresh));
            list->setOptions(ptsloAutoFill | ptsloDefaultKeyHandling | ptsloContextMenus
                | ptsloDontChangeFolder | ptsloDontGoBelowBase | ptsloHideFoldersWhenLinkedToTree
                | ptsloOleDrag | ptsloOleDrop | ptsloFolderContextMenu | ptsloShowHidden);
            list->setFileFilter("*.gif;*.jpg;*.ico;*.bmp");
            tree->setShellList(list);
            list->Loaded();
            tree->Loaded();
            QTRY_COMPARE(rowNames(*list), (QStringList { "Home", "Computer", "a.gif" }));
            tree->SelectFolder(shellModel().specialFolderLocation(CSIDL_DRIVES));
            QCOMPARE(rowNames(*list), (QStringList { "File System", "/media/stick" }));
        }
        setShellModel(previous);
    }

    // Unmounting /media/a must remove its row, not its neighbour's.
    void unmountedDriveLeavesTheList()
    {
        const QString mountInfo = m_dir->path() + "/mountinfo";
        writeText(mountInfo,
            "1 0 8:1 / / rw - ext4 /dev/lumisnap-none1 rw\n"
            "2 1 8:2 / /media/a rw - ext4 /dev/lumisnap-none2 rw\n"
            "3 1 8:3 / /media/b rw - ext4 /dev/lumisnap-none3 rw\n");
        PosixShellModel::Options options;
        options.homePath = options.desktopPath = m_dir->path();
        options.mountInfoPath = mountInfo;
        const auto previous = setShellModel(std::make_shared<PosixShellModel>(options));
        m_list->Folder().SetIdList(shellModel().specialFolderLocation(CSIDL_DRIVES));
        QCOMPARE(rowNames(*m_list), (QStringList { "File System", "/media/a", "/media/b" }));
        writeText(mountInfo,
            "1 0 8:1 / / rw - ext4 /dev/lumisnap-none1 rw\n"
            "3 1 8:3 / /media/b rw - ext4 /dev/lumisnap-none3 rw\n");
        m_list->RefreshList();
        QCOMPARE(rowNames(*m_list), (QStringList { "File System", "/media/b" }));
        m_list->Folder().Clear();
        setShellModel(previous);
    }

    // A failing OnFillComplete handler reaches the caller as an error, not the end of
    // the process.
    void failingFillCompleteHandlerIsAnError()
    {
        makeFile(m_dir->path(), "a.gif");
        TPTShellList &list = fill("*.gif");
        connect(&list, &TPTShellList::OnFillComplete, this, [] { throw Error("handler"); });
        QVERIFY_THROWS_EXCEPTION(Error, list.RefreshList());
    }

    void nonUtf8NameOpensByItsBytes()
    {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler("file", &catcher, "openUrl");
        const QString name = decodeFileName("caf\xe9 1.jpg");
        shellOpen().open(name, QString(), "/photos");
        QDesktopServices::unsetUrlHandler("file");
        QCOMPARE(catcher.urls.size(), 1);
        QCOMPARE(catcher.urls[0].toEncoded(), QByteArray("file:///photos/caf%E9%201.jpg"));
        QCOMPARE(fileUrlOf(decodeFileName("/a/f\xc3\xa9te.gif")).toLocalFile(), "/a/f\u00e9te.gif");
    }

    void keysKeepTheCurrentRowInSight()
    {
        for (int i = 0; i < 50; ++i)
            makeFile(m_dir->path(), "p" + QByteArray::number(100 + i) + ".jpg");
        TPTShellList &list = fill("*.jpg");
        list.resize(300, 160);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
            list.visualRect(list.model()->index(0, 0)).center());
        const std::vector<Qt::Key> keys { Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down,
            Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down,
            Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_End, Qt::Key_Up, Qt::Key_Home,
            Qt::Key_PageDown, Qt::Key_End };
        int previousRow = 0;
        for (Qt::Key key : keys) {
            QTest::keyClick(&list, key);
            const QModelIndex current = list.currentIndex();
            QVERIFY(current.row() != previousRow);
            previousRow = current.row();
            QVERIFY2(list.viewport()->rect().contains(list.visualRect(current)),
                qPrintable(QString("row %1 after key %2").arg(current.row()).arg(key)));
        }
        QCOMPARE(previousRow, 49);
    }

    void linkLoopInsideFolderDoesNotHang()
    {
        QVERIFY(QDir(m_dir->path()).mkdir("sub"));
        QVERIFY(::symlink("..", encodeFileName(m_dir->path() + "/sub/up").constData()) == 0);
        QVERIFY(
            ::symlink("self.gif", encodeFileName(m_dir->path() + "/self.gif").constData()) == 0);
        makeFile(m_dir->path(), "a.gif");
        TPTShellList &list = fill("*.gif");
        QVERIFY(rowNames(list).contains("a.gif"));
        for (int i = 0; i < list.Count(); ++i) {
            list.ItemData(i)->SizeText();
            list.ItemData(i)->TypeText();
        }
    }
};

QTEST_MAIN(TestShellList)
#include "test_shelllist.moc"
