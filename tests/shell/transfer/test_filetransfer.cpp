#include "common/ErrorReport.h"
#include "common/FileName.h"
#include "shell/namespace/PosixShellModel.h"
#include "shell/namespace/ShellModel.h"
#include "shell/transfer/FileTransfer.h"
#include "shell/transfer/ShellCommands.h"
#include "shell/transfer/ShellDataObject.h"
#include "shell/transfer/TransferCalls.h"

#include "TransferSandbox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QMimeData>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lumisnap;
using namespace transfertest;

namespace {

quint32 u32At(const QByteArray &bytes, int at)
{
    quint32 value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | quint8(bytes[at + i]);
    return value;
}

// Restores the write function on every way out.
struct WriteFault
{
    explicit WriteFault(qint64 failAfter)
    {
        FileTransfer::setWriteFunction(
            [failAfter, written = qint64(0)](int fd, const char *data, size_t size) mutable {
                if (written + qint64(size) > failAfter) {
                    errno = ENOSPC;
                    return ssize_t(-1);
                }
                written += qint64(size);
                return ::write(fd, data, size);
            });
    }
    ~WriteFault() { FileTransfer::setWriteFunction({}); }
};

QString nameOf(const char *path)
{
    return QFileInfo(QString::fromLocal8Bit(path))
        .fileName()
        .replace(QRegularExpression("^\\.lumisnap-part-.*"), ".part");
}

// Logs the calls that decide durability, by the base names they touch. A rename of
// `otherDrive` answers EXDEV, as a move to another drive meets it.
struct RecordingCalls : TransferCalls
{
    QStringList log;
    QByteArray otherDrive;
    bool noRenameNoReplace = false; // network shares, FUSE FAT
    bool noHardLinks = false;
    std::function<void(const char *)> beforeOpen;
    TransferCalls *previous;

    RecordingCalls() { previous = setCurrent(this); }
    ~RecordingCalls() override { setCurrent(previous); }

    int open(const char *path, int flags, mode_t mode) override
    {
        if (beforeOpen)
            beforeOpen(path);
        return TransferCalls::open(path, flags, mode);
    }
    int fsync(int fd) override
    {
        char path[PATH_MAX] = {};
        const QByteArray link = "/proc/self/fd/" + QByteArray::number(fd);
        if (::readlink(link.constData(), path, sizeof path - 1) < 0)
            return -1;
        log << "fsync " + nameOf(path);
        return TransferCalls::fsync(fd);
    }
    int rename(const char *from, const char *to, unsigned flags) override
    {
        if (otherDrive == from) {
            errno = EXDEV;
            return -1;
        }
        if (flags && noRenameNoReplace) {
            errno = EINVAL;
            return -1;
        }
        log << "rename " + nameOf(to);
        return TransferCalls::rename(from, to, flags);
    }
    int link(const char *from, const char *to) override
    {
        if (noHardLinks) {
            errno = EPERM;
            return -1;
        }
        return TransferCalls::link(from, to);
    }
    int unlink(const char *path) override
    {
        log << "unlink " + nameOf(path);
        return TransferCalls::unlink(path);
    }
    int rmdir(const char *path) override
    {
        log << "rmdir " + nameOf(path);
        return TransferCalls::rmdir(path);
    }
};

} // namespace

class TestFileTransfer : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_src, m_dst;

    ShellItems itemsOf(const QString &folder, const QStringList &names)
    {
        ShellItems items;
        items.parent = shellModel().desktopFolder()->parseDisplayName(folder);
        const ShellFolderPtr parent = shellModel().bindToFolder(items.parent);
        for (const QString &name : names) {
            items.items.push_back(parent->parseDisplayName(name));
            items.paths << folder + '/' + name;
        }
        return items;
    }

private slots:
    void init() { transfertest::makeSandbox(m_dir, m_src, m_dst); }

    void cleanup() { removeTree(encodeFileName(m_dir->path())); }

    void idListArrayLayout_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::newRow("one row") << QStringList { "a.jpg" };
        QTest::newRow("three rows") << QStringList { "a.jpg", "b c.gif", "d.bmp" };
    }

    void idListArrayLayout()
    {
        QFETCH(QStringList, names);
        for (const QString &name : names)
            write(m_src + '/' + name, "x");
        const ShellItems items = itemsOf(m_src, names);
        const QByteArray block = idListArrayBytes(items);
        const int n = int(names.size());
        QCOMPARE(u32At(block, 0), quint32(n));
        int offset = 4 * (n + 2);
        QCOMPARE(u32At(block, 4), quint32(offset));
        QCOMPARE(block.mid(offset, items.parent.size()), items.parent.bytes());
        offset += int(items.parent.size());
        for (int i = 0; i < n; ++i) {
            QCOMPARE(u32At(block, 8 + 4 * i), quint32(offset));
            QCOMPARE(
                block.mid(offset, items.items[size_t(i)].size()), items.items[size_t(i)].bytes());
            offset += int(items.items[size_t(i)].size());
        }
        QCOMPARE(block.size(), offset);
        const std::optional<ShellItems> back = readIdListArray(block);
        QVERIFY(back);
        QCOMPARE(back->paths, items.paths);
        // Cut short anywhere, or with an offset past the end, it is refused.
        for (int cut = 0; cut < block.size(); ++cut)
            QVERIFY(!readIdListArray(block.left(cut)));
        QByteArray bad = block;
        bad[4] = char(0x7F);
        QVERIFY(!readIdListArray(bad));
    }

    void textAndUriLists()
    {
        const QStringList names { "with space.jpg", "häuser.gif", decodeFileName("raw\xff.bmp") };
        for (const QString &name : names)
            write(m_src + '/' + name, "x");
        const ShellItems items = itemsOf(m_src, names);
        const std::unique_ptr<QMimeData> data = makeShellMimeData(items, "cut");
        QByteArray text;
        for (const QString &path : items.paths)
            text += encodeFileName(path) + "\r\n";
        QCOMPARE(data->data(PlainTextMime), text);
        QVERIFY(data->data(UriListMime).contains("with%20space.jpg\r\n"));
        QVERIFY(data->data(UriListMime).contains("raw%FF.bmp"));
        QVERIFY(data->data(CopiedFilesMime).startsWith("cut\nfile://"));
        // Read back from each format alone, every name keeps its bytes.
        for (const QString &format : { IdListArrayMime, UriListMime, CopiedFilesMime }) {
            QMimeData only;
            only.setData(format, data->data(format));
            const DroppedFiles dropped = readDroppedFiles(&only);
            QCOMPARE(dropped.paths, items.paths);
            QCOMPARE(dropped.cut, format == CopiedFilesMime);
        }
    }

    // Dropped names become clean full paths, or are refused with a reason; plain text is
    // never taken for names.
    void hostileDrops_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<bool>("refused");
        const QString uri = UriListMime;
        QTest::newRow("trailing slashes") << uri << QByteArray("file:///tmp/a//dir//\r\n")
                                          << QStringList { "/tmp/a/dir" } << false;
        QTest::newRow("localhost") << uri << QByteArray("file://localhost/tmp/b.jpg")
                                   << QStringList { "/tmp/b.jpg" } << false;
        QTest::newRow("a host") << uri << QByteArray("file://elsewhere/tmp/b.jpg\r\nfile:///c")
                                << QStringList { "/c" } << true;
        QTest::newRow("zero byte")
            << uri << QByteArray("file:///tmp/a%00b.jpg") << QStringList() << true;
        QTest::newRow("relative") << uri << QByteArray("file:a.jpg") << QStringList() << true;
        QTest::newRow("dot dot") << uri << QByteArray("file:///tmp/x/..") << QStringList() << true;
        QTest::newRow("dot inside")
            << uri << QByteArray("file:///tmp/./x.jpg") << QStringList() << true;
        QTest::newRow("root") << uri << QByteArray("file:///") << QStringList() << true;
        QTest::newRow("web link") << uri << QByteArray("https://example.org/a.jpg") << QStringList()
                                  << false;
        QTest::newRow("copied files, slash")
            << CopiedFilesMime << QByteArray("copy\nfile:///tmp/dir/") << QStringList { "/tmp/dir" }
            << false;
        QTest::newRow("plain text")
            << PlainTextMime << QByteArray("/etc/passwd\r\n../x\r\n") << QStringList() << false;
        QByteArray many;
        QStringList manyPaths;
        for (int i = 0; i < 10000; ++i) {
            many += "file:///tmp/n" + QByteArray::number(i) + "/\r\n";
            manyPaths << "/tmp/n" + QString::number(i);
        }
        QTest::newRow("10000 entries") << uri << many << manyPaths << false;
    }

    void hostileDrops()
    {
        QFETCH(QString, format);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, paths);
        QFETCH(bool, refused);
        QMimeData data;
        data.setData(format, bytes);
        QElapsedTimer timer;
        timer.start();
        const DroppedFiles dropped = readDroppedFiles(&data);
        QVERIFY(timer.elapsed() < 2000);
        QCOMPARE(dropped.paths, paths);
        QVERIFY2(dropped.refused.isEmpty() != refused, qPrintable(dropped.refused));
        // Refused data is not dropped, though some of it was clean.
        if (refused) {
            QVERIFY(dropped.refused.startsWith("Cannot use the dropped name"));
            DroppedFiles withClean = dropped;
            withClean.paths = QStringList { m_src };
            QStringList reported;
            setErrorReporter([&](const QString &text) { reported << text; });
            const std::uint32_t done = dropFilesInto(m_dst, withClean, DROPEFFECT_COPY, nullptr);
            setErrorReporter(nullptr);
            QCOMPARE(done, std::uint32_t(DROPEFFECT_NONE));
            QCOMPARE(reported, QStringList { errorReportText(dropped.refused) });
            QVERIFY(!reported.first().contains(QChar(0)));
            QCOMPARE(entries(m_dst), QStringList());
        }
    }

    void nameConflictGetsFreeName()
    {
        write(m_src + "/photo.jpg", "new");
        write(m_dst + "/photo.jpg", "old");
        write(m_dst + "/photo (2).jpg", "older");
        FileTransfer transfer;
        const FileTransfer::Outcome outcome
            = transfer.run({ m_src + "/photo.jpg" }, m_dst, FileTransfer::Mode::Copy);
        QVERIFY2(outcome.error.isEmpty(), qPrintable(outcome.error));
        QCOMPARE(outcome.placed, QStringList { m_dst + "/photo (3).jpg" });
        QCOMPARE(read(m_dst + "/photo.jpg"), QByteArray("old"));
        QCOMPARE(read(m_dst + "/photo (3).jpg"), QByteArray("new"));
        QCOMPARE(FileTransfer::candidateName("archive", 2, false), QByteArray("archive (2)"));
        QCOMPARE(FileTransfer::candidateName("my.folder", 2, true), QByteArray("my.folder (2)"));
        // A folder copies whole; moving it into itself is refused.
        QDir().mkpath(m_src + "/album/inner");
        write(m_src + "/album/inner/x.gif", "gif");
        QVERIFY(
            transfer.run({ m_src + "/album" }, m_dst, FileTransfer::Mode::Copy).error.isEmpty());
        QCOMPARE(read(m_dst + "/album/inner/x.gif"), QByteArray("gif"));
        QVERIFY(
            !transfer.run({ m_src + "/album" }, m_src + "/album/inner", FileTransfer::Mode::Move)
                 .error.isEmpty());
        QCOMPARE(read(m_src + "/album/inner/x.gif"), QByteArray("gif"));
    }

    void failedCopyLeavesNoPart_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("disk full") << false;
        QTest::newRow("cancelled") << true;
    }

    void failedCopyLeavesNoPart()
    {
        QFETCH(bool, cancel);
        const QByteArray big(3 << 20, 'p');
        write(m_src + "/big.jpg", big);
        write(m_src + "/small.jpg", "s");
        FileTransfer::Outcome outcome;
        {
            const WriteFault fault(cancel ? qint64(big.size()) * 10 : (1 << 20));
            // Asked on the worker thread: the cancel comes once the first file is in place.
            const QString first = m_dst + "/small.jpg";
            if (cancel)
                FileTransfer::setCancelCheck([first] { return QFileInfo::exists(first); });
            FileTransfer transfer;
            outcome = transfer.run(
                { m_src + "/small.jpg", m_src + "/big.jpg" }, m_dst, FileTransfer::Mode::Copy);
            FileTransfer::setCancelCheck({});
        }
        QCOMPARE(outcome.cancelled, cancel);
        QCOMPARE(outcome.error.isEmpty(), cancel);
        if (!cancel)
            QVERIFY2(outcome.error.contains("big.jpg"), qPrintable(outcome.error));
        // What was done stays done, the rest stays where it was, and no part is left.
        QCOMPARE(entries(m_dst), QStringList { "small.jpg" });
        QCOMPARE(entries(m_src), (QStringList { "big.jpg", "small.jpg" }));
        QCOMPARE(read(m_src + "/big.jpg"), big);
    }

    // Two file systems are needed: the temporary folder and the shared memory one.
    void crossDeviceMoveKeepsSourceOnFailure()
    {
        QTemporaryDir other("/dev/shm/lumisnap-test-XXXXXX");
        struct stat a, b;
        if (!other.isValid() || ::stat(m_src.toLocal8Bit().constData(), &a) != 0
            || ::stat(other.path().toLocal8Bit().constData(), &b) != 0 || a.st_dev == b.st_dev)
            QSKIP("no second file system to move across");
        write(m_src + "/photo.jpg", QByteArray(100000, 'j'));
        {
            const WriteFault fault(1000);
            FileTransfer transfer;
            const auto outcome
                = transfer.run({ m_src + "/photo.jpg" }, other.path(), FileTransfer::Mode::Move);
            QVERIFY(outcome.error.contains("photo.jpg"));
        }
        QCOMPARE(entries(other.path()), QStringList());
        QCOMPARE(read(m_src + "/photo.jpg").size(), 100000);
        FileTransfer transfer;
        QVERIFY(transfer.run({ m_src + "/photo.jpg" }, other.path(), FileTransfer::Mode::Move)
                    .error.isEmpty());
        QCOMPARE(entries(other.path()), QStringList { "photo.jpg" });
        QCOMPARE(entries(m_src), QStringList());
        // A whole folder goes across, every file compared, and leaves nothing behind.
        QDir().mkpath(m_src + "/album/inner");
        write(m_src + "/album/big.jpg", QByteArray(5 << 20, 'b'));
        write(m_src + "/album/inner/small.gif", "s");
        const auto folder
            = transfer.run({ m_src + "/album" }, other.path(), FileTransfer::Mode::Move);
        QVERIFY2(folder.error.isEmpty(), qPrintable(folder.error));
        QCOMPARE(read(other.path() + "/album/big.jpg"), QByteArray(5 << 20, 'b'));
        QCOMPARE(read(other.path() + "/album/inner/small.gif"), QByteArray("s"));
        QCOMPARE(entries(m_src), QStringList());
    }

    // Each copy is on disk before its rename, the folder's entry before anything is
    // removed, and a copy before success is reported.
    void durableOrder_data()
    {
        QTest::addColumn<bool>("move");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("removed");
        QTest::newRow("copy of a file") << false << "photo.jpg" << 0;
        QTest::newRow("file to another drive") << true << "photo.jpg" << 1;
        QTest::newRow("folder to another drive") << true << "album" << 5;
    }

    void durableOrder()
    {
        QFETCH(bool, move);
        QFETCH(QString, name);
        QFETCH(int, removed);
        write(m_src + "/photo.jpg", "p");
        QDir().mkpath(m_src + "/album/inner");
        write(m_src + "/album/a.jpg", "a");
        write(m_src + "/album/inner/b.jpg", "b");
        QVERIFY(QFile::link("a.jpg", m_src + "/album/link.jpg"));
        RecordingCalls calls;
        calls.otherDrive = encodeFileName(m_src + '/' + name);
        FileTransfer transfer;
        const auto outcome = transfer.run({ m_src + '/' + name }, m_dst,
            move ? FileTransfer::Mode::Move : FileTransfer::Mode::Copy);
        QVERIFY2(outcome.error.isEmpty(), qPrintable(outcome.error));
        const QStringList &log = calls.log;
        const qsizetype placed = log.indexOf("rename " + name);
        const qsizetype folderSynced = log.indexOf("fsync dst");
        QVERIFY2(placed > 0 && folderSynced > placed, qPrintable(log.join(", ")));
        const QStringList synced = name == "album"
            ? QStringList { "fsync a.jpg", "fsync b.jpg", "fsync inner", "fsync .part" }
            : QStringList { "fsync .part" };
        for (const QString &entry : synced)
            QVERIFY2(
                log.contains(entry) && log.lastIndexOf(entry) < placed, qPrintable(log.join(", ")));
        const QStringList removals = log.filter(QRegularExpression("^(unlink|rmdir) "));
        QCOMPARE(removals.size(), removed);
        if (removed)
            QVERIFY(log.indexOf(removals.first()) > folderSynced);
        QCOMPARE(QFileInfo::exists(m_src + '/' + name), !move);
        if (name == "album")
            QCOMPARE(QFileInfo(m_dst + "/album/link.jpg").symLinkTarget(), m_dst + "/album/a.jpg");
    }

    // A move to another drive removes only what it copied and what has not changed since:
    // an entry that arrived meanwhile keeps its folder, and the user is told.
    void crossDriveMoveKeepsWhatChanged()
    {
        QDir().mkpath(m_src + "/album/empty");
        write(m_src + "/album/a.jpg", QByteArray(3 << 20, 'a'));
        RecordingCalls calls;
        calls.otherDrive = encodeFileName(m_src + "/album");
        bool changed = false;
        FileTransfer::setWriteFunction([&](int fd, const char *data, size_t size) {
            if (!std::exchange(changed, true)) {
                write(m_src + "/album/new.jpg", "n");
                QFile file(m_src + "/album/a.jpg");
                if (file.open(QIODevice::Append))
                    file.write("+");
            }
            return ::write(fd, data, size);
        });
        FileTransfer transfer;
        const auto outcome = transfer.run({ m_src + "/album" }, m_dst, FileTransfer::Mode::Move);
        FileTransfer::setWriteFunction({});
        QVERIFY2(outcome.error.contains("kept"), qPrintable(outcome.error));
        QCOMPARE(entries(m_src + "/album"), (QStringList { "a.jpg", "new.jpg" }));
        QCOMPARE(read(m_src + "/album/new.jpg"), QByteArray("n"));
        QCOMPARE(entries(m_dst + "/album"), (QStringList { "a.jpg", "empty" }));
    }

    // Without a no-replace rename, and without hard links, a taken name is still never replaced.
    void placingWithoutNoReplace_data()
    {
        QTest::addColumn<bool>("noHardLinks");
        QTest::addColumn<bool>("move");
        QTest::newRow("hard links, copy") << false << false;
        QTest::newRow("hard links, move") << false << true;
        QTest::newRow("no hard links, copy") << true << false;
        QTest::newRow("no hard links, move") << true << true;
    }

    void placingWithoutNoReplace()
    {
        QFETCH(bool, noHardLinks);
        QFETCH(bool, move);
        write(m_src + "/photo.jpg", "new");
        QDir().mkpath(m_src + "/album");
        write(m_src + "/album/a.jpg", "a");
        write(m_dst + "/photo.jpg", "old");
        QDir().mkpath(m_dst + "/album");
        write(m_dst + "/album/old.jpg", "o");
        QDir().mkpath(m_dst + "/album (2)");
        RecordingCalls calls;
        calls.noRenameNoReplace = true;
        calls.noHardLinks = noHardLinks;
        FileTransfer transfer;
        const auto outcome = transfer.run({ m_src + "/photo.jpg", m_src + "/album" }, m_dst,
            move ? FileTransfer::Mode::Move : FileTransfer::Mode::Copy);
        QVERIFY2(outcome.error.isEmpty(), qPrintable(outcome.error));
        QCOMPARE(outcome.placed, (QStringList { m_dst + "/photo (2).jpg", m_dst + "/album (3)" }));
        QCOMPARE(read(m_dst + "/photo.jpg"), QByteArray("old"));
        QCOMPARE(read(m_dst + "/photo (2).jpg"), QByteArray("new"));
        QCOMPARE(entries(m_dst + "/album"), QStringList { "old.jpg" });
        QCOMPARE(entries(m_dst + "/album (2)"), QStringList());
        QCOMPARE(read(m_dst + "/album (3)/a.jpg"), QByteArray("a"));
        QCOMPARE(entries(m_dst).filter(".lumisnap"), QStringList());
        QCOMPARE(entries(m_src), move ? QStringList() : (QStringList { "album", "photo.jpg" }));
    }

    // What a crash left is removed by the next transfer into the folder; what a live
    // transfer holds is not. A read-only folder inside a cancelled copy goes too.
    void leftoversOfACrashAreRemoved()
    {
        write(m_dst + "/.lumisnap-part-file01", "half");
        QDir().mkpath(m_dst + "/.lumisnap-part-dir001/ro");
        write(m_dst + "/.lumisnap-part-dir001/ro/x.jpg", "x");
        QFile::setPermissions(
            m_dst + "/.lumisnap-part-dir001/ro", QFile::ReadOwner | QFile::ExeOwner);
        write(m_dst + "/.lumisnap-part-live01", "busy");
        const int held
            = ::open(encodeFileName(m_dst + "/.lumisnap-part-live01").constData(), O_RDONLY);
        QCOMPARE(::flock(held, LOCK_EX), 0);
        write(m_src + "/photo.jpg", "p");
        FileTransfer transfer;
        QVERIFY(transfer.run({ m_src + "/photo.jpg" }, m_dst, FileTransfer::Mode::Copy)
                    .error.isEmpty());
        ::close(held);
        QCOMPARE(entries(m_dst), (QStringList { ".lumisnap-part-live01", "photo.jpg" }));
    }

    // A source is opened without following links or waiting, then checked: a FIFO swapped
    // in after the check is refused at once.
    void swappedSourceNeverBlocks()
    {
        write(m_src + "/photo.jpg", "p");
        const QByteArray path = encodeFileName(m_src + "/photo.jpg");
        RecordingCalls calls;
        calls.beforeOpen = [&](const char *opened) {
            if (path == opened && ::unlink(opened) == 0)
                ::mkfifo(opened, 0600);
        };
        QElapsedTimer timer;
        timer.start();
        FileTransfer transfer;
        const auto outcome
            = transfer.run({ m_src + "/photo.jpg" }, m_dst, FileTransfer::Mode::Copy);
        QVERIFY(timer.elapsed() < 5000);
        QVERIFY2(outcome.error.contains("photo.jpg"), qPrintable(outcome.error));
        QCOMPARE(entries(m_dst), QStringList());
    }

    // A link names its source by its full resolved path and never takes a used name.
    void linksPointAtTheirSources()
    {
        write(m_src + "/photo.jpg", "p");
        QDir().mkpath(m_src + "/album");
        write(m_dst + "/photo.jpg", "old");
        QVERIFY(QFile::link(m_dir->path(), m_dir->path() + "/via"));
        FileTransfer transfer;
        const auto outcome
            = transfer.run({ m_dir->path() + "/via/src/photo.jpg", m_src + "/album" }, m_dst,
                FileTransfer::Mode::Link);
        QVERIFY2(outcome.error.isEmpty(), qPrintable(outcome.error));
        QCOMPARE(outcome.placed, (QStringList { m_dst + "/photo (2).jpg", m_dst + "/album" }));
        QCOMPARE(QFileInfo(m_dst + "/photo (2).jpg").symLinkTarget(),
            QFileInfo(m_src + "/photo.jpg").canonicalFilePath());
        QCOMPARE(read(m_dst + "/photo.jpg"), QByteArray("old"));
        QVERIFY(QFileInfo(m_dst + "/album").isSymLink());
        QCOMPARE(entries(m_src), (QStringList { "album", "photo.jpg" }));
    }

    // A copy keeps folders' times and modes (a read-only folder filled first) but never
    // set-user-ID or set-group-ID rights.
    void whatACopyKeeps()
    {
        QDir().mkpath(m_src + "/album/ro");
        write(m_src + "/album/ro/x.jpg", "x");
        write(m_src + "/album/tool", "t");
        const QByteArray album = encodeFileName(m_src + "/album");
        QCOMPARE(::chmod((album + "/tool").constData(), 06755), 0);
        QCOMPARE(::chmod((album + "/ro").constData(), 0555), 0);
        const timespec old[2] = { { 1000000000, 0 }, { 1000000000, 0 } };
        QCOMPARE(::utimensat(AT_FDCWD, album.constData(), old, 0), 0);
        FileTransfer transfer;
        const auto outcome = transfer.run({ m_src + "/album" }, m_dst, FileTransfer::Mode::Copy);
        QVERIFY2(outcome.error.isEmpty(), qPrintable(outcome.error));
        struct stat copied, tool, ro;
        const QByteArray target = encodeFileName(m_dst + "/album");
        QCOMPARE(::stat(target.constData(), &copied), 0);
        QCOMPARE(::stat((target + "/tool").constData(), &tool), 0);
        QCOMPARE(::stat((target + "/ro").constData(), &ro), 0);
        QCOMPARE(qint64(copied.st_mtim.tv_sec), qint64(1000000000));
        QCOMPARE(tool.st_mode & 07777, mode_t(0755));
        QCOMPARE(ro.st_mode & 07777, mode_t(0555));
        QCOMPARE(read(m_dst + "/album/ro/x.jpg"), QByteArray("x"));
        ::chmod((album + "/ro").constData(), 0755);
        ::chmod((target + "/ro").constData(), 0755);
    }

    // A move across file systems killed at many points: every file stays complete in the
    // source or the target, nothing under a real name is partial, and the next transfer
    // into the folder removes what the killed one left.
    void killedCrossDriveMove()
    {
        QTemporaryDir shm("/dev/shm/lumisnap-test-XXXXXX");
        struct stat a, b;
        if (!shm.isValid() || ::stat(encodeFileName(m_src).constData(), &a) != 0
            || ::stat(encodeFileName(shm.path()).constData(), &b) != 0 || a.st_dev == b.st_dev)
            QSKIP("no second file system to move across");
        QMap<QString, QByteArray> files;
        files["big.jpg"] = QByteArray(16 << 20, 'b');
        files["mid.gif"] = QByteArray(1 << 20, 'm');
        for (int i = 0; i < 8; ++i)
            files[QStringLiteral("inner/deeper/%1.bmp").arg(i)]
                = QByteArray(1000 + i, char('0' + i));
        for (int kill = 0; kill < 16; ++kill) {
            const QString source = m_dir->path() + QStringLiteral("/run%1/album").arg(kill);
            const QString target = shm.path() + QStringLiteral("/run%1").arg(kill);
            QDir().mkpath(source + "/inner/deeper");
            QDir().mkpath(target);
            for (auto it = files.cbegin(); it != files.cend(); ++it)
                write(source + '/' + it.key(), it.value());
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(), { "--move", source, target });
            QVERIFY(child.waitForStarted());
            QTest::qSleep(15 + 12 * kill);
            child.kill();
            child.waitForFinished();
            for (auto it = files.cbegin(); it != files.cend(); ++it) {
                const bool inSource = read(source + '/' + it.key()) == it.value();
                const QString copied = target + "/album/" + it.key();
                const bool inTarget = read(copied) == it.value();
                QVERIFY2(inSource || inTarget, qPrintable(it.key()));
                QVERIFY2(inTarget || !QFileInfo::exists(copied), qPrintable(copied));
            }
            QVERIFY(entries(target).size() <= 2);
            write(m_src + "/next.jpg", "n");
            FileTransfer next;
            QVERIFY(next.run({ m_src + "/next.jpg" }, target, FileTransfer::Mode::Copy)
                        .error.isEmpty());
            QCOMPARE(entries(target).filter(".lumisnap-part"), QStringList());
        }
    }

    void itemThatCannotMoveLimitsEffects()
    {
        write(m_src + "/a.jpg", "a");
        const ShellItems items = itemsOf(m_src, { "a.jpg" });
        QCOMPARE(allowedEffectsOf(items), std::uint32_t(DROPEFFECT_ALL));
        // "Computer" is no file: it cannot move, nor can any set of items holding it.
        ShellItems withVirtual;
        withVirtual.parent = IdList::empty();
        withVirtual.items = { shellModel().desktopFolder()->parseDisplayName("::Computer"),
            IdListItem(items.parent, 0) };
        QVERIFY(!(allowedEffectsOf(withVirtual) & DROPEFFECT_MOVE));
        QFile::setPermissions(m_src, QFile::ReadOwner | QFile::ExeOwner);
        const std::uint32_t allowed = allowedEffectsOf(items);
        QFile::setPermissions(m_src, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (::geteuid() == 0)
            QSKIP("root may write anywhere");
        QCOMPARE(allowed, std::uint32_t(DROPEFFECT_COPY | DROPEFFECT_LINK));
    }
};

// With "--move source folder" the program is the child that the crash test kills.
int main(int argc, char **argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--move") == 0) {
        QCoreApplication app(argc, argv);
        FileTransfer transfer;
        return transfer
                   .run({ decodeFileName(argv[2]) }, decodeFileName(argv[3]),
                       FileTransfer::Mode::Move)
                   .error.isEmpty()
            ? 0
            : 1;
    }
    QApplication app(argc, argv);
    TestFileTransfer test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "test_filetransfer.moc"
