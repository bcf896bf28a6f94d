#include "common/Error.h"
#include "common/FileName.h"
#include "shell/controls/TPTShTreeData.h"
#include "shell/namespace/FileFilter.h"
#include "shell/namespace/IdList.h"
#include "shell/namespace/PosixShellModel.h"
#include "shell/namespace/ShellEnum.h"
#include "shell/namespace/TPTIdListArray.h"
#include "shell/namespace/TPTPidlList.h"
#include "shell/namespace/TPTShellLocator.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <numeric>

using namespace lumisnap;

namespace {

IdList item(const char *name)
{
    return PosixShellModel::entryItem(QByteArray(name));
}

IdList list(std::initializer_list<const char *> names)
{
    IdList result = IdList::empty();
    for (const char *name : names)
        result = ConcatIdLists(result, item(name));
    return result;
}

} // namespace

class TestIdList : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        PosixShellModel::Options options;
        options.homePath = options.desktopPath = m_dir.path();
        setShellModel(std::make_shared<PosixShellModel>(options));
    }
    void cleanupTestCase() { setShellModel(nullptr); }

    void concatAndCopy()
    {
        const IdList x = list({ "a", "bc" });
        QCOMPARE(ConcatIdLists(IdList(), x), CopyIdList(x));
        QCOMPARE(ConcatIdLists(x, IdList()), CopyIdList(x));
        const IdList both = ConcatIdLists(IdList::empty(), IdList::empty());
        QCOMPARE(both.bytes(), QByteArray(2, '\0'));
        QCOMPARE(CopyIdList(IdList()).size(), 2);
        QCOMPARE(IdListSize(IdList()), 0);
        QCOMPARE(IdListSize(x), 2 + 3 + 2 + 4);
        QCOMPARE(IdListCount(ConcatIdLists(x, x)), 4);
        QCOMPARE(IdListCount(IdList()), 0);
        QCOMPARE(IdListCount(IdList::empty()), 0);
    }

    void ancestorAndItem()
    {
        const IdList one = list({ "a" });
        QCOMPARE(IdListAncestor(one, 1), IdList::empty());
        QVERIFY(IdListAncestor(IdList::empty(), 1).isNull());
        QVERIFY(IdListAncestor(one, -1).isNull());
        const IdList three = list({ "a", "b", "c" });
        QCOMPARE(IdListAncestor(three, 0), three);
        QCOMPARE(IdListAncestor(three, 2), one);
        QCOMPARE(IdListItem(three, 2), item("c"));

        TPTIdListArray array(&three);
        QCOMPARE(array.Count(), 3);
        QCOMPARE(array.Item(1), item("b"));
        QCOMPARE(array.Ancestor(3), IdList::empty());
    }

    void itemOutOfRange_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("index");
        QTest::newRow("negative") << 2 << -1;
        QTest::newRow("at count") << 2 << 2;
        QTest::newRow("negative on root") << 0 << -3;
    }
    void itemOutOfRange()
    {
        QFETCH(int, count);
        QFETCH(int, index);
        IdList l = IdList::empty();
        for (int i = 0; i < count; ++i)
            l = ConcatIdLists(l, item("x"));
        try {
            IdListItem(l, index);
            QFAIL("no error");
        } catch (const ERangeError &e) {
            QCOMPARE(
                e.message(), QStringLiteral("TPTIdListArray - index %1 out of range").arg(index));
        }
    }

    void byteOrder()
    {
        const IdList ab = list({ "a", "b" });
        const IdList a = list({ "a" });
        // The prefix's terminator (0) sorts before the longer list's next count byte.
        QVERIFY(IdListByteOrder(a, ab) < 0);
        QVERIFY(IdListByteOrder(ab, a) > 0);
        QCOMPARE(IdListByteOrder(ab, CopyIdList(ab)), 0);
        QVERIFY(IdListByteOrder(list({ "a" }), list({ "b" })) < 0);
        QVERIFY(IdListByteOrder(list({ "\xff" }), list({ "b" })) > 0); // unsigned bytes
        QVERIFY(IdListByteOrder(IdList(), IdList::empty()) < 0);
        // Same bytes over the common length, shorter total first.
        const IdList prefix = IdList::fromBytes(QByteArray("\x03\x00\x41\x00\x00", 5));
        const IdList longer = IdList::fromBytes(QByteArray("\x03\x00\x41\x00\x00\x00", 6));
        QCOMPARE(longer.size(), 5); // bytes after the terminator are not part of it
        QCOMPARE(IdListByteOrder(prefix, longer), 0);
    }

    void compareThroughDesktop()
    {
        QCOMPARE(CompareIdLists(IdList(), IdList()), 0);
        QCOMPARE(CompareIdLists(IdList(), list({ "a" })), -1);
        QCOMPARE(CompareIdLists(list({ "a" }), IdList()), -1);
        QCOMPARE(CompareIdLists(IdList::empty(), IdList::empty()), 0);
        QCOMPARE(CompareIdLists(IdList::empty(), list({ "a" })), -1);
        QVERIFY(*CompareIdLists(list({ "a" }), list({ "B" })) < 0);
        QCOMPARE(CompareIdLists(list({ "x", "y" }), list({ "x", "y" })), 0);
        QVERIFY(*CompareIdLists(list({ "x" }), list({ "x", "y" })) < 0);
        // Lists the model cannot read have no answer, and are not equal.
        const IdList junk = IdList::fromItemData(QByteArray("\x7f??"));
        QVERIFY(!CompareIdLists(junk, list({ "a" })).has_value());
        QVERIFY(!IdListsEqual(junk, junk));
    }

    void malformedBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("length"); // -1: invalid
        QTest::newRow("empty input") << QByteArray() << -1;
        QTest::newRow("one byte") << QByteArray(1, '\0') << -1;
        QTest::newRow("terminator") << QByteArray(2, '\0') << 2;
        QTest::newRow("cb 1") << QByteArray("\x01\x00\x00\x00", 4) << -1;
        QTest::newRow("cb past end") << QByteArray("\x09\x00\x41\x00\x00", 5) << -1;
        QTest::newRow("no terminator") << QByteArray("\x03\x00\x41", 3) << -1;
        QTest::newRow("cut terminator") << QByteArray("\x03\x00\x41\x00", 4) << -1;
        QTest::newRow("huge cb") << QByteArray("\xff\xff\x41\x00\x00", 5) << -1;
        QTest::newRow("two items") << QByteArray("\x03\x00\x41\x02\x00\x00\x00", 7) << 7;
    }
    void malformedBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, length);
        const IdList parsed = IdList::fromBytes(bytes);
        QCOMPARE(parsed.isNull(), length < 0);
        if (length >= 0)
            QCOMPARE(parsed.size(), length);
    }

    void pidlListSearch_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("expectedCount");
        QTest::addColumn<int>("expectedIndex"); // of the second add of "m"
        QTest::addColumn<bool>("throws");
        QTest::newRow("ignore") << int(TPTPidlList::dupIgnore) << 3 << 1 << false;
        QTest::newRow("accept") << int(TPTPidlList::dupAccept) << 4 << 1 << false;
        QTest::newRow("error") << int(TPTPidlList::dupError) << 3 << -1 << true;
    }
    void pidlListSearch()
    {
        QFETCH(int, mode);
        QFETCH(int, expectedCount);
        QFETCH(int, expectedIndex);
        QFETCH(bool, throws);
        TPTPidlList pidls;
        pidls.setDuplicates(TPTPidlList::Duplicates(mode));
        pidls.setSorted(true);
        int marker = 0;
        QCOMPARE(pidls.Add(list({ "z" })), 0);
        QCOMPARE(pidls.Add(list({ "a" })), 0);
        QCOMPARE(pidls.Add(list({ "m" }), &marker), 1);
        try {
            QCOMPARE(pidls.Add(list({ "m" })), expectedIndex);
            QVERIFY(!throws);
        } catch (const EShellError &e) {
            QVERIFY(throws);
            QCOMPARE(e.message(), QStringLiteral("TPTPidlList: Duplicate PIDL"));
        }
        QCOMPARE(pidls.Count(), expectedCount);
        QCOMPARE(pidls.IdList(0), list({ "a" }));
        QCOMPARE(pidls.IdList(pidls.Count() - 1), list({ "z" }));
        QCOMPARE(pidls.IndexOf(list({ "z" })), pidls.Count() - 1);
        QCOMPARE(pidls.IndexOf(list({ "q" })), -1);
        if (mode != TPTPidlList::dupAccept)
            QCOMPARE(pidls.Object(pidls.IndexOf(list({ "m" }))), static_cast<void *>(&marker));
    }

    void pidlListSortsOnce()
    {
        TPTPidlList pidls(shellModel().desktopFolder());
        for (const char *name : { "file10", "File2", "file1" })
            pidls.Add(list({ name }));
        QCOMPARE(pidls.IndexOf(list({ "File2" })), 1); // front-to-back while unsorted
        pidls.setSorted(true);
        QCOMPARE(pidls.IdList(0), list({ "file1" }));
        QCOMPARE(pidls.IdList(1), list({ "File2" })); // numeric, case-insensitive
        QCOMPARE(pidls.IdList(2), list({ "file10" }));
        pidls.Delete(0);
        QCOMPARE(pidls.Count(), 2);
        QVERIFY_THROWS_EXCEPTION(ERangeError, pidls.Delete(5));
    }

    // Lists the folder cannot compare follow the others in byte order, so a search never
    // takes one of them for a match and the order stays total.
    void pidlListOrderIsTotal()
    {
        TPTPidlList pidls(shellModel().desktopFolder());
        pidls.setDuplicates(TPTPidlList::dupAccept);
        const IdList junkA = IdList::fromItemData(QByteArray("\x7f"
                                                             "a"));
        const IdList junkB = IdList::fromItemData(QByteArray("\x7f"
                                                             "b"));
        for (const IdList &l : { junkB, list({ "b" }), junkA, list({ "a" }) })
            pidls.Add(l);
        pidls.setSorted(true);
        QCOMPARE(pidls.IdList(0), list({ "a" }));
        QCOMPARE(pidls.IdList(1), list({ "b" }));
        QCOMPARE(pidls.IdList(2), junkA);
        QCOMPARE(pidls.IdList(3), junkB);
        QCOMPARE(pidls.IndexOf(junkB), 3);
        QCOMPARE(pidls.IndexOf(list({ "b" })), 1);
        QCOMPARE(pidls.IndexOf(list({ "c" })), -1);
    }

    void stableSortMatchesTheLibrary()
    {
        QRandomGenerator random(11);
        for (int round = 0; round < 60; ++round) {
            const int count = round < 5 ? round : int(random.bounded(1001));
            std::vector<int> keys(static_cast<size_t>(count));
            for (int &key : keys)
                key = int(random.bounded(count / 4 + 1)); // plenty of ties
            const std::vector<int> order = stableSortOrder(count, [&](int a, int b) {
                return keys[size_t(a)] < keys[size_t(b)] ? -1 : (keys[size_t(b)] < keys[size_t(a)]);
            });
            std::vector<int> expected(static_cast<size_t>(count));
            std::iota(expected.begin(), expected.end(), 0);
            std::stable_sort(expected.begin(), expected.end(),
                [&](int a, int b) { return keys[size_t(a)] < keys[size_t(b)]; });
            QCOMPARE(order, expected);
        }
    }

    // The byte path must accept exactly what the text matcher accepts.
    void filterBytesMatchTheWildcardRule()
    {
        QRandomGenerator random(7);
        const QByteArray nameBytes("aAbB.jJpPgG*?\xc3\xa9\xe9K\xe2\x84\xaa");
        const QString patternChars = QStringLiteral("aAbB.jJpPgG*?*?\u00e9kK");
        for (int round = 0; round < 5000; ++round) {
            QByteArray name;
            for (int i = int(random.bounded(8)); i > 0; --i)
                name.append(nameBytes[random.bounded(int(nameBytes.size()))]);
            // Every third pattern "*" and a literal, the form matched by its tail.
            QString pattern = round % 3 == 0 ? QStringLiteral("*") : QString();
            for (int i = int(random.bounded(6)); i > 0; --i) {
                const QChar c = patternChars[random.bounded(int(patternChars.size()))];
                if (round % 3 != 0 || (c != u'*' && c != u'?'))
                    pattern.append(c);
            }
            QCOMPARE(FilterPattern(pattern).matches(name),
                matchesWildcard(pattern, decodeFileName(name)));
        }
    }

    void locatorChangeHandler()
    {
        int changes = 0;
        TPTShellLocator locator([&](TPTShellLocator &) { ++changes; });
        locator.Clear();
        QCOMPARE(changes, 0);
        locator.SetIdList(list({ "a" }));
        QCOMPARE(changes, 1);
        locator.SetIdList(list({ "a" })); // the same folder
        QCOMPARE(changes, 1);
        locator.SetIdList(list({ "b" }));
        QCOMPARE(changes, 2);
        locator.SetIdList(locator.GetIdList()); // its own list
        QCOMPARE(changes, 2);
        QCOMPARE(locator.GetIdList(), list({ "b" }));
        locator.SetSpecialFolder(CSIDL_DRIVES);
        QCOMPARE(changes, 3);
        locator.SetIdList(PosixShellModel::virtualItem("computer")); // kind changes
        QCOMPARE(changes, 4);
        locator.Clear();
        QCOMPARE(changes, 5);
        QVERIFY(!locator.holdsList());
        locator.SetIdList(IdList::empty()); // a root list is given but not held
        QVERIFY(!locator.holdsList());
        QCOMPARE(changes, 5); // and the root, held as none, is no change
        locator.SetIdList(list({ "c" }));
        locator.SetIdList(IdList::empty());
        QCOMPARE(changes, 7);

        TPTShellLocator other;
        other.SetSpecialFolder(CSIDL_DRIVES);
        locator.Assign(&other);
        QCOMPARE(locator.kind(), TPTShellLocator::kSpecialFolder);
        const int before = changes;
        locator.Assign(&other); // equal: nothing
        QCOMPARE(changes, before);
        QCOMPARE(locator.GetIdList(), PosixShellModel::virtualItem("computer"));
        QCOMPARE(locator.GetPath(), QString());
    }

    void locatorStoredForm_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("special");
        QTest::newRow("special 17") << QByteArray("\x01\x11", 2) << 1 << 17;
        QTest::newRow("kind 0 size 0 is the desktop") << QByteArray(5, '\0') << 1 << 0;
        QTest::newRow("list") << QByteArray("\x00\x07\x00\x00\x00\x05\x00\x03\x61\x62\x00\x00", 12)
                              << 0 << 0;
    }
    void locatorStoredForm()
    {
        QFETCH(QByteArray, stored);
        QFETCH(int, kind);
        QFETCH(int, special);
        TPTShellLocator locator;
        locator.readPidl(stored);
        QCOMPARE(int(locator.kind()), kind);
        if (kind == 1) {
            QCOMPARE(locator.specialFolder(), special);
            QCOMPARE(locator.writePidl(), QByteArray("\x01", 1) + char(special));
        } else {
            QCOMPARE(locator.GetIdList(), item("ab"));
            QCOMPARE(locator.writePidl(), stored);
        }
    }

    void locatorRejectsBadStoredForm_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("nothing") << QByteArray();
        QTest::newRow("kind 1 without number") << QByteArray("\x01", 1);
        QTest::newRow("short size") << QByteArray("\x00\x07\x00", 3);
        QTest::newRow("size past end") << QByteArray("\x00\xff\xff\xff\x7f\x02\x00", 7);
        QTest::newRow("bad list") << QByteArray("\x00\x04\x00\x00\x00\x09\x00\x00\x00", 9);
        QTest::newRow("size not the list's")
            << QByteArray("\x00\x04\x00\x00\x00\x00\x00\x00\x00", 9);
    }
    void locatorRejectsBadStoredForm()
    {
        QFETCH(QByteArray, stored);
        TPTShellLocator locator;
        locator.SetIdList(list({ "keep" }));
        QVERIFY_THROWS_EXCEPTION(EReadError, locator.readPidl(stored));
        QCOMPARE(locator.GetIdList(), list({ "keep" }));
    }

    void locatorNotStoredWhenEmpty()
    {
        TPTShellLocator locator;
        QVERIFY(!locator.shouldStorePidl());
        QVERIFY(locator.writePidl().isEmpty());
    }

    void treeDataNotInitialised()
    {
        TPTShTreeData data;
        QVERIFY_THROWS_EXCEPTION(EShellError, data.Path());
        TPTShTreeData root(nullptr, nullptr, IdList::empty());
        TPTShTreeData child(nullptr, &root, list({ "sub" }));
        QCOMPARE(child.AbsIdList(), list({ "sub" }));
        QCOMPARE(child.Path(), m_dir.path() + QStringLiteral("/sub"));
        QVERIFY(!root.CanRename());
        child.SetRelIdList(list({ "other" }));
        QCOMPARE(child.AbsIdList(), list({ "other" }));
    }

    void fileNamesRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ascii") << QByteArray("photo.jpg");
        QTest::newRow("utf-8") << QByteArray("f\xc3\xa9te.gif");
        QTest::newRow("latin-1") << QByteArray("f\xe9te.gif");
        QTest::newRow("lone continuation") << QByteArray("\x80\xbf");
        QTest::newRow("overlong slash") << QByteArray("\xc0\xaf");
        QTest::newRow("encoded surrogate") << QByteArray("\xed\xb2\x80");
        QTest::newRow("cut sequence") << QByteArray("a\xe2\x82");
    }
    void fileNamesRoundTrip()
    {
        QFETCH(QByteArray, bytes);
        const QString text = decodeFileName(bytes);
        QCOMPARE(encodeFileName(text), bytes);
        QVERIFY(!displayFileName(text).contains(QChar(0xDC80 + 0xe9)));
    }

    void wildcards_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("matches");
        QTest::newRow("ext any case") << "*.jpg"
                                      << "Photo.JPG" << true;
        QTest::newRow("longer ext") << "*.jpg"
                                    << "photo.jpeg" << false;
        QTest::newRow("question") << "a?c"
                                  << "abc" << true;
        QTest::newRow("question needs one") << "a?c"
                                            << "ac" << false;
        QTest::newRow("star empty run") << "*"
                                        << "" << true;
        QTest::newRow("many stars") << "*a*b*c*"
                                    << "xxaxxbxxcxx" << true;
        QTest::newRow("backtrack") << "*ab"
                                   << "aab" << true;
        QTest::newRow("no match long") << "*a*a*a*a*b" << QString(200, u'a') << false;
    }
    void wildcards()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, name);
        QFETCH(bool, matches);
        QCOMPARE(matchesWildcard(pattern, name), matches);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestIdList)
#include "test_idlist.moc"
