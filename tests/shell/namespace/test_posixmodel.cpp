#include "common/FileName.h"
#include "shell/namespace/DriveList.h"
#include "shell/namespace/FileSearch.h"
#include "shell/namespace/LazyIcon.h"
#include "shell/namespace/PosixShellModel.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <optional>

using namespace lumisnap;

namespace {

const QByteArray MountInfo = "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
                             "23 22 0:5 / /proc rw - proc proc rw\n"
                             "24 22 0:6 / /run rw - tmpfs tmpfs rw\n"
                             "25 22 7:0 / /snap/core/1 ro - squashfs /dev/loop0 ro\n"
                             "26 22 8:17 / /media/me/My\\040Stick rw - vfat /dev/sdb1 rw\n"
                             "27 22 0:40 / /mnt/share rw - nfs4 server:/x rw\n"
                             "28 22 8:1 /srv /home/me/bound rw - ext4 /dev/sda1 rw\n"
                             "garbage line\n";

IdList entry(const QByteArray &name)
{
    return PosixShellModel::entryItem(name);
}

QList<IdList> listChildren(ShellFolder &folder, std::uint32_t flags)
{
    QList<IdList> items;
    auto enumerator = folder.enumObjects(flags);
    if (!enumerator)
        return items;
    IdList item;
    while (enumerator->next(item) == IdListEnumerator::Result::Ok)
        items.append(item);
    return items;
}

QStringList names(ShellFolder &folder, const QList<IdList> &items)
{
    QStringList result;
    for (const IdList &item : items)
        result.append(folder.displayNameOf(item, SHGDN_INFOLDER));
    return result;
}

void writeFile(const QByteArray &path, qsizetype size)
{
    QFile file(decodeFileName(path));
    QVERIFY(openFile(file, decodeFileName(path), QIODevice::WriteOnly));
    file.write(QByteArray(size, 'x'));
}

} // namespace

class TestPosixModel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_home = QFile::encodeName(m_dir.path()) + "/home";
        m_desktop = m_home + "/Desktop";
        QVERIFY(QDir().mkpath(decodeFileName(m_desktop + "/sub/inner")));
        QVERIFY(QDir().mkpath(decodeFileName(m_desktop + "/empty")));
        QVERIFY(QDir().mkpath(decodeFileName(m_desktop + "/locked/x")));
        writeFile(m_desktop + "/b.jpg", 3);
        writeFile(m_desktop + "/A.gif", 10);
        writeFile(m_desktop + "/.hidden", 1);
        writeFile(m_desktop + "/f\xe9te.jpg", 5);
        QCOMPARE(::symlink("nowhere", (m_desktop + "/dangle").constData()), 0);
        QCOMPARE(::symlink("loop2", (m_desktop + "/loop1").constData()), 0);
        QCOMPARE(::symlink("loop1", (m_desktop + "/loop2").constData()), 0);
        QCOMPARE(::symlink("sub", (m_desktop + "/linkdir").constData()), 0);
        QCOMPARE(::chmod((m_desktop + "/locked").constData(), 0), 0);
        QFile mounts(m_dir.filePath("mountinfo"));
        QVERIFY(mounts.open(QIODevice::WriteOnly));
        mounts.write(MountInfo);
        mounts.close();

        PosixShellModel::Options options;
        options.homePath = decodeFileName(m_home);
        options.desktopPath = decodeFileName(m_desktop);
        options.sendToPath = m_dir.filePath("sendto");
        options.mountInfoPath = m_dir.filePath("mountinfo");
        m_model = std::make_shared<PosixShellModel>(options);
        setShellModel(m_model);
    }
    void cleanupTestCase()
    {
        ::chmod((m_desktop + "/locked").constData(), 0755);
        // QDir cannot name it, so it cannot remove it either.
        ::unlink((m_desktop + "/f\xe9te.jpg").constData());
        setShellModel(nullptr);
    }

    void rootChildren()
    {
        ShellFolderPtr desktop = m_model->desktopFolder();
        const auto all = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;
        const QStringList shown = names(*desktop, listChildren(*desktop, all));
        QCOMPARE(shown.mid(0, 2), QStringList({ "Home", "Computer" }));
        QVERIFY(shown.contains("sub") && shown.contains("b.jpg") && shown.contains("dangle"));
        QVERIFY(!shown.contains(".hidden"));
        QVERIFY(names(*desktop, listChildren(*desktop, all | SHCONTF_INCLUDEHIDDEN))
                    .contains(".hidden"));
        const QStringList folders = names(*desktop, listChildren(*desktop, SHCONTF_FOLDERS));
        QVERIFY(folders.contains("linkdir") && !folders.contains("b.jpg")
            && !folders.contains("loop1"));
        QCOMPARE(m_model->displayName(IdList()), QStringLiteral("Desktop"));
        QCOMPARE(m_model->pathFromIdList(IdList::empty()), decodeFileName(m_desktop));
    }

    void homeLeftOutWhenItIsTheDesktop()
    {
        PosixShellModel::Options options;
        options.homePath = options.desktopPath = decodeFileName(m_desktop);
        PosixShellModel model(options);
        ShellFolderPtr desktop = model.desktopFolder();
        const QStringList shown = names(*desktop, listChildren(*desktop, SHCONTF_FOLDERS));
        QCOMPARE(shown.first(), QStringLiteral("Computer"));
        QVERIFY(!shown.contains("Home"));
        QCOMPARE(model.specialFolderLocation(CSIDL_PERSONAL), IdList::empty());
    }

    void attributes_data()
    {
        QTest::addColumn<IdList>("item");
        QTest::addColumn<quint32>("set");
        QTest::addColumn<quint32>("clear");
        const quint32 canChange = SFGAO_CANMOVE | SFGAO_CANDELETE | SFGAO_CANRENAME;
        QTest::newRow("Home") << PosixShellModel::virtualItem("home")
                              << quint32(SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR
                                     | SFGAO_HASSUBFOLDER)
                              << quint32(canChange | SFGAO_SHARE);
        QTest::newRow("Computer") << PosixShellModel::virtualItem("computer")
                                  << quint32(SFGAO_FOLDER | SFGAO_FILESYSANCESTOR)
                                  << quint32(SFGAO_FILESYSTEM | canChange);
        QTest::newRow("folder") << entry("sub")
                                << quint32(SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_HASSUBFOLDER
                                       | canChange | SFGAO_CANCOPY | SFGAO_CANLINK)
                                << quint32(SFGAO_FILESYSANCESTOR | SFGAO_LINK | SFGAO_GHOSTED);
        QTest::newRow("empty folder")
            << entry("empty") << quint32(SFGAO_FOLDER) << quint32(SFGAO_HASSUBFOLDER);
        QTest::newRow("file") << entry("b.jpg")
                              << quint32(SFGAO_FILESYSTEM | SFGAO_CANCOPY | canChange)
                              << quint32(SFGAO_FOLDER | SFGAO_HIDDEN | SFGAO_READONLY);
        QTest::newRow("hidden") << entry(".hidden") << quint32(SFGAO_HIDDEN | SFGAO_GHOSTED)
                                << quint32(SFGAO_FOLDER);
        QTest::newRow("dangling link") << entry("dangle") << quint32(SFGAO_LINK | SFGAO_FILESYSTEM)
                                       << quint32(SFGAO_FOLDER | SFGAO_CANCOPY);
        QTest::newRow("link loop")
            << entry("loop1") << quint32(SFGAO_LINK) << quint32(SFGAO_FOLDER);
        QTest::newRow("link to folder")
            << entry("linkdir") << quint32(SFGAO_LINK | SFGAO_FOLDER) << quint32(0);
    }
    void attributes()
    {
        QFETCH(IdList, item);
        QFETCH(quint32, set);
        QFETCH(quint32, clear);
        const auto attributes = m_model->desktopFolder()->attributesOf(item, 0xFFFFFFFF);
        QVERIFY(attributes.has_value());
        QCOMPARE(*attributes & set, set);
        QCOMPARE(*attributes & clear, 0u);
        // Nothing outside the mask is reported.
        QCOMPARE(
            *m_model->desktopFolder()->attributesOf(item, SFGAO_LINK), *attributes & SFGAO_LINK);
    }

    void missingAndForeignItems()
    {
        ShellFolderPtr desktop = m_model->desktopFolder();
        QVERIFY(!desktop->attributesOf(entry("no-such-file"), SFGAO_FOLDER));
        QVERIFY(!desktop->attributesOf(entry(".."), SFGAO_FOLDER));
        QVERIFY(!desktop->attributesOf(entry("a/b"), SFGAO_FOLDER));
        QVERIFY(!desktop->bindToObject(entry("..")));
        QVERIFY(!desktop->bindToObject(PosixShellModel::driveItem("/"))); // not under Computer
        QVERIFY(!m_model->pathFromIdList(
            ConcatIdLists(entry("sub"), PosixShellModel::virtualItem("home"))));
    }

    void drives()
    {
        ShellFolderPtr computer
            = m_model->desktopFolder()->bindToObject(PosixShellModel::virtualItem("computer"));
        QVERIFY(computer);
        const QList<IdList> items = listChildren(*computer, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS);
        QStringList paths;
        for (const IdList &item : items)
            paths.append(computer->displayNameOf(item, SHGDN_FORPARSING));
        QCOMPARE(paths, QStringList({ "/", "/media/me/My Stick", "/mnt/share" }));
        QCOMPARE(computer->displayNameOf(items[0], SHGDN_NORMAL), QStringLiteral("File System"));
        const auto stick = computer->attributesOf(items[1], SFGAO_REMOVABLE | SFGAO_CANRENAME);
        QCOMPARE(*stick, quint32(SFGAO_REMOVABLE));
        QCOMPARE(m_model->driveType("/mnt/share/"), DriveType::Remote);
        // A network mount is never looked at before it is opened: it may no longer answer.
        // (Nothing is mounted there here, so a look would find no sub-folder.)
        QCOMPARE(*computer->attributesOf(items[2], SFGAO_HASSUBFOLDER | SFGAO_READONLY),
            quint32(SFGAO_HASSUBFOLDER));
        QCOMPARE(m_model->driveType("/mnt/share/x"), DriveType::NoRootDir);
        QCOMPARE(m_model->displayName(m_model->specialFolderLocation(CSIDL_DRIVES)),
            QStringLiteral("Computer"));
        QVERIFY(!m_model->pathFromIdList(m_model->specialFolderLocation(CSIDL_DRIVES)));
    }

    void compareColumns_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second");
        QTest::newRow("name: folders first") << 0 << QByteArray("sub") << QByteArray("A.gif");
        QTest::newRow("name: case-insensitive") << 0 << QByteArray("A.gif") << QByteArray("b.jpg");
        QTest::newRow("size") << 1 << QByteArray("b.jpg") << QByteArray("A.gif");
        QTest::newRow("type") << 2 << QByteArray("A.gif") << QByteArray("b.jpg");
        QTest::newRow("modified") << 3 << QByteArray("b.jpg") << QByteArray("A.gif");
    }
    void compareColumns()
    {
        QFETCH(int, column);
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        struct timespec times[2] = { { 1000, 0 }, { 1000, 0 } };
        ::utimensat(AT_FDCWD, (m_desktop + "/b.jpg").constData(), times, 0);
        ShellFolderPtr folder = m_model->desktopFolder();
        QCOMPARE(folder->compareIDs(column, entry(first), entry(second)), -1);
        QCOMPARE(folder->compareIDs(column, entry(second), entry(first)), 1);
        QCOMPARE(folder->compareIDs(column, entry(first), entry(first)), 0);
    }

    // Sorting many children at once must give the order compareIDs gives pair by pair,
    // for lists the listing made and for lists made elsewhere.
    void sortRanksAgreeWithCompareIDs_data()
    {
        QTest::addColumn<int>("column");
        for (int column = 0; column < 4; ++column)
            QTest::newRow(QByteArray::number(column)) << column;
    }
    void sortRanksAgreeWithCompareIDs()
    {
        QFETCH(int, column);
        const QByteArray folder = m_desktop + "/ranks";
        QVERIFY(QDir().mkpath(decodeFileName(folder + "/dir2")));
        QVERIFY(QDir().mkpath(decodeFileName(folder + "/Dir10")));
        const char *names[] = { "b.jpg", "B.gif", "a10.png", "a9.png", "c.txt", "d", ".hid.gif" };
        for (int i = 0; i < 7; ++i) {
            writeFile(folder + '/' + names[i], (i * 37) % 5);
            struct timespec times[2] = { { 1000 + (i * 3) % 4, 0 }, { 1000 + (i * 3) % 4, 0 } };
            ::utimensat(AT_FDCWD, (folder + '/' + names[i]).constData(), times, 0);
        }
        ::symlink("missing", (folder + "/dangling.gif").constData());
        ShellFolderPtr ranks = m_model->desktopFolder()->bindToObject(entry("ranks"));
        QVERIFY(ranks);
        const QList<IdList> listed
            = listChildren(*ranks, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN);
        QCOMPARE(listed.size(), 10);
        for (const bool fromListing : { true, false }) {
            std::vector<IdList> children;
            for (const IdList &child : listed)
                children.push_back(fromListing ? child : IdList::fromBytes(child.bytes()));
            std::vector<int> result;
            QVERIFY(ranks->sortRanks(column, children, result));
            for (size_t i = 0; i < children.size(); ++i)
                for (size_t j = 0; j < children.size(); ++j) {
                    const int pair = *ranks->compareIDs(column, children[i], children[j]);
                    QCOMPARE(pair, result[i] < result[j] ? -1 : (result[i] > result[j] ? 1 : 0));
                }
        }
    }

    // A large folder has its entries looked at by two threads at once, while it is listed
    // when the sort is known beforehand, or when the sort starts otherwise.
    void sortRanksOfALargeFolder_data()
    {
        QTest::addColumn<int>("column");
        QTest::newRow("size") << 1;
        QTest::newRow("modified") << 3;
    }
    void sortRanksOfALargeFolder()
    {
        QFETCH(int, column);
        constexpr int Count = 1500, Folders = 20, Dropped = 100;
        const QByteArray folder = m_desktop + "/large";
        QVERIFY(QDir().mkpath(decodeFileName(folder)));
        auto setTime = [](const QByteArray &path, int seconds) {
            struct timespec times[2] = { { seconds, 0 }, { seconds, 0 } };
            QCOMPARE(::utimensat(AT_FDCWD, path.constData(), times, 0), 0);
        };
        // Sizes and times in two unrelated orders, so each sort has one answer.
        std::vector<std::pair<QByteArray, qint64>> expected;
        for (int i = 0; i < Count; ++i) {
            const QByteArray path = folder + "/p" + QByteArray::number(i) + ".gif";
            const int size = 1 + i * 7 % Count, seconds = 1000 + i * 11 % Count;
            writeFile(path, size);
            setTime(path, seconds);
            expected.emplace_back(path.sliced(folder.size() + 1), column == 1 ? size : seconds);
        }
        for (int i = 0; i < Dropped; ++i)
            writeFile(folder + "/n" + QByteArray::number(i) + ".txt", 1);
        for (int i = Folders; i-- > 0;) {
            const QByteArray path = folder + "/d" + QByteArray::number(i).rightJustified(2, '0');
            QVERIFY(QDir().mkpath(decodeFileName(path)));
            setTime(path, 500 + i);
            // Folders first, by time or (sizes all 0) by name: the same order here.
            expected.emplace_back(path.sliced(folder.size() + 1), i - Count);
        }
        std::sort(expected.begin(), expected.end(),
            [](const auto &a, const auto &b) { return a.second < b.second; });
        ShellFolderPtr large = m_model->desktopFolder()->bindToObject(entry("large"));
        QVERIFY(large);
        const ShellFolder::ListingFilter keeps
            = [](QByteArrayView name, bool isFolder) { return isFolder || name.endsWith(".gif"); };
        std::optional<std::vector<int>> first;
        for (const bool hinted : { true, false })
            for (const bool fromListing : { true, false }) {
                if (hinted)
                    large->hintNextListing(column, keeps);
                std::vector<IdList> children;
                for (const IdList &child :
                    listChildren(*large, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS)) {
                    const bool isFolder = *large->attributesOf(child, SFGAO_FOLDER) != 0;
                    if (keeps(large->parsingFileName(child), isFolder))
                        children.push_back(fromListing ? child : IdList::fromBytes(child.bytes()));
                }
                QCOMPARE(int(children.size()), Count + Folders);
                std::vector<int> ranks;
                QVERIFY(large->sortRanks(column, children, ranks));
                for (size_t i = 0; i < children.size(); ++i) {
                    const QByteArray name = large->parsingFileName(children[i]);
                    QCOMPARE(name, expected[size_t(ranks[i])].first);
                }
                if (!first)
                    first = ranks;
                QCOMPARE(ranks, *first);
            }
    }

    void nonUtf8Name()
    {
        const QByteArray name("f\xe9te.jpg");
        ShellFolderPtr desktop = m_model->desktopFolder();
        QVERIFY(listChildren(*desktop, SHCONTF_NONFOLDERS).contains(entry(name)));
        const QString path = *m_model->pathFromIdList(entry(name));
        QCOMPARE(encodeFileName(path), m_desktop + '/' + name);
        QCOMPARE(desktop->displayNameOf(entry(name), SHGDN_FORPARSING), path);
        QCOMPARE(desktop->parseDisplayName(path), entry(name));
        QFile file;
        QVERIFY(openFile(file, path, QIODevice::ReadOnly));
        QCOMPARE(file.readAll().size(), 5);
        QCOMPARE(
            desktop->displayNameOf(entry(name), SHGDN_NORMAL), QStringLiteral("f\uFFFDte.jpg"));
        QCOMPARE(m_model->findFile(path)->size, 5);
    }

    void linksDoNotHang()
    {
        ShellFolderPtr desktop = m_model->desktopFolder();
        QVERIFY(!desktop->bindToObject(entry("loop1")));
        QVERIFY(!desktop->bindToObject(entry("dangle")));
        ShellFolderPtr viaLink = desktop->bindToObject(entry("linkdir"));
        QVERIFY(viaLink);
        QCOMPARE(
            names(*viaLink, listChildren(*viaLink, SHCONTF_FOLDERS)), QStringList({ "inner" }));
        QVERIFY(m_model->findFile(decodeFileName(m_desktop + "/dangle")).has_value());
    }

    void vanishedFolderFailsQuietly()
    {
        QVERIFY(QDir().mkpath(decodeFileName(m_desktop + "/gone")));
        ShellFolderPtr gone = m_model->desktopFolder()->bindToObject(entry("gone"));
        QVERIFY(gone);
        QVERIFY(QDir().rmdir(decodeFileName(m_desktop + "/gone")));
        QVERIFY(!gone->enumObjects(SHCONTF_FOLDERS | SHCONTF_NONFOLDERS));
    }

    void unreadableFolderFailsQuietly()
    {
        if (::geteuid() == 0)
            QSKIP("permissions do not bind the superuser");
        ShellFolderPtr locked = m_model->desktopFolder()->bindToObject(entry("locked"));
        QVERIFY(locked);
        QVERIFY(!locked->enumObjects(SHCONTF_FOLDERS | SHCONTF_NONFOLDERS));
        FileSearch search;
        FileData data;
        QCOMPARE(search.findFirst(decodeFileName(m_desktop + "/locked/*"), faAnyFile, data),
            FileSearch::Status::Failed);
    }

    void pathsRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<int>("count");
        QTest::newRow("under the desktop") << QByteArray("/Desktop/sub/inner") << 2;
        QTest::newRow("the desktop itself") << QByteArray("/Desktop") << 2; // Home, Desktop
        QTest::newRow("home") << QByteArray("") << 1;
    }
    void pathsRoundTrip()
    {
        QFETCH(QByteArray, path);
        QFETCH(int, count);
        const QString full = decodeFileName(m_home + path);
        const IdList list = m_model->desktopFolder()->parseDisplayName(full);
        QCOMPARE(list.count(), count);
        QCOMPARE(m_model->pathFromIdList(list), full);
        QVERIFY(m_model->desktopFolder()->parseDisplayName(full + "/missing").isNull());
    }

    void pathOutsideHomeGoesThroughDrives()
    {
        const IdList list = m_model->desktopFolder()->parseDisplayName("/usr/../etc");
        QCOMPARE(list.count(), 3); // Computer, "/", etc
        QCOMPARE(m_model->pathFromIdList(list), QStringLiteral("/etc"));
    }

    void splitTheRoot()
    {
        const SplitResult split = SplitIdList(IdList::empty());
        QVERIFY(split.ok);
        QCOMPARE(split.lastItem, entry("Desktop"));
        QCOMPARE(m_model->pathFromIdList(split.parentIdList), decodeFileName(m_home));
    }

    void renameNeverOverwrites()
    {
        ShellFolderPtr desktop = m_model->desktopFolder();
        writeFile(m_desktop + "/r1.jpg", 1);
        writeFile(m_desktop + "/r2.jpg", 2);
        QVERIFY(desktop->setNameOf(entry("r1.jpg"), "r2.jpg").isNull());
        QCOMPARE(m_model->findFile(decodeFileName(m_desktop + "/r2.jpg"))->size, 2);
        QVERIFY(desktop->setNameOf(entry("r1.jpg"), "../r3.jpg").isNull());
        QCOMPARE(desktop->setNameOf(entry("r1.jpg"), "r3.jpg"), entry("r3.jpg"));
        QVERIFY(pathExists(decodeFileName(m_desktop + "/r3.jpg")));
        QVERIFY(!pathExists(decodeFileName(m_desktop + "/r1.jpg")));
    }

    void specialFolders()
    {
        QCOMPARE(m_model->specialFolderLocation(CSIDL_DESKTOP), IdList::empty());
        QCOMPARE(m_model->pathFromIdList(m_model->specialFolderLocation(CSIDL_PERSONAL)),
            decodeFileName(m_home));
        QCOMPARE(m_model->pathFromIdList(m_model->specialFolderLocation(CSIDL_SENDTO | 0x80)),
            m_dir.filePath("sendto"));
        QVERIFY(m_model->specialFolderLocation(33).isNull());
    }

    void typesAndIcons()
    {
        QCOMPARE(m_model->typeName(entry("b.jpg")), QStringLiteral("JPEG image"));
        QVERIFY(!m_model->typeName(entry("sub")).isEmpty());
        QCOMPARE(m_model->typeName(PosixShellModel::virtualItem("computer")),
            QStringLiteral("System Folder"));
        QVERIFY(m_model->typeName(entry("missing")).isEmpty());
    }

    // Rows are laid out long before they are drawn; only drawing looks the icon up, once
    // for all copies.
    void iconsAreLookedUpWhenDrawn()
    {
        int lookUps = 0;
        const QIcon icon = lazyIcon([&lookUps] {
            ++lookUps;
            QPixmap red(16, 16);
            red.fill(Qt::red);
            return QIcon(red);
        });
        QVERIFY(!icon.isNull());
        QCOMPARE(icon.actualSize(QSize(16, 16)), QSize(16, 16));
        QCOMPARE(lookUps, 0);

        const QIcon copy = icon;
        QImage drawn(16, 16, QImage::Format_ARGB32_Premultiplied);
        drawn.fill(Qt::transparent);
        QPainter painter(&drawn);
        copy.paint(&painter, drawn.rect());
        painter.end();
        QCOMPARE(drawn.pixelColor(8, 8), QColor(Qt::red));
        QCOMPARE(icon.pixmap(16).toImage().pixelColor(8, 8), QColor(Qt::red));
        QCOMPARE(lookUps, 1);

        const QIcon none = lazyIcon([] { return QIcon(); });
        QVERIFY(none.pixmap(16).isNull());
        QVERIFY(none.isNull());
    }

    void searchByPattern()
    {
        FileSearch search;
        FileData data;
        QStringList found;
        auto status = search.findFirst(decodeFileName(m_desktop + "/*.JPG"), faAnyFile, data);
        while (status == FileSearch::Status::Found) {
            found.append(decodeFileName(data.name));
            status = search.findNext(data);
        }
        QCOMPARE(status, FileSearch::Status::NoMatch);
        QVERIFY(found.contains("b.jpg") && found.contains(decodeFileName("f\xe9te.jpg")));
        QVERIFY(!found.contains("A.gif") && !found.contains("sub"));
        QCOMPARE(search.findFirst(decodeFileName(m_desktop + "/*.none"), faAnyFile, data),
            FileSearch::Status::NoMatch);
        QCOMPARE(search.findFirst(decodeFileName(m_desktop + "/missing/*"), faAnyFile, data),
            FileSearch::Status::Failed);
        QCOMPARE(
            search.findFirst(decodeFileName(m_desktop + "/s*"), faAnyFile & ~faDirectory, data),
            FileSearch::Status::NoMatch);
        QCOMPARE(search.findFirst(decodeFileName(m_desktop + "/linkdir"), faAnyFile, data),
            FileSearch::Status::Found);
        QVERIFY(!data.isDirectory()); // a link to a folder is not one here
    }

    void mountTable()
    {
        const QList<MountEntry> mounts = DriveList::parseMounts(MountInfo);
        QCOMPARE(mounts.size(), 7);
        QCOMPARE(mounts[4].mountPoint, QByteArray("/media/me/My Stick"));
        const QList<DriveInfo> drives = DriveList::parse(MountInfo, false);
        QCOMPARE(drives.size(), 3);
        QCOMPARE(drives[1].type, DriveType::Removable);
        QCOMPARE(drives[2].type, DriveType::Remote);
        QCOMPARE(DriveList::typeOf("iso9660", "/mnt/cd", "/dev/sr0"), DriveType::CdRom);
        QCOMPARE(DriveList::typeOf("tmpfs", "/mnt/ram", "tmpfs"), DriveType::RamDisk);
        QCOMPARE(DriveList::mountPointOf("/media/me/My Stick/a/b", m_dir.filePath("mountinfo")),
            QStringLiteral("/media/me/My Stick/"));
        QCOMPARE(DriveList::mountPointOf("/etc", m_dir.filePath("mountinfo")), QStringLiteral("/"));
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_home;
    QByteArray m_desktop;
    std::shared_ptr<PosixShellModel> m_model;
};

QTEST_MAIN(TestPosixModel)
#include "test_posixmodel.moc"
