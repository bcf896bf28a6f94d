#include "shell/controls/TPTCustomDraw.h"

#include <QStyleOptionViewItem>
#include <QTest>

using namespace lumisnap;

class TestCustomDraw : public QObject
{
    Q_OBJECT

private slots:
    void stages_data()
    {
        QTest::addColumn<int>("stage");
        QTest::addColumn<bool>("skip");
        QTest::addColumn<bool>("notifyItems");
        QTest::addColumn<bool>("skipItem");
        QTest::addColumn<bool>("newColours");
        QTest::newRow("control pre-paint") << 1 << false << true << false << false;
        QTest::newRow("control post-paint") << 2 << false << false << false << false;
        QTest::newRow("item pre-paint") << 4 << false << false << false << true;
        QTest::newRow("item pre-paint skipped") << 4 << true << false << true << false;
        QTest::newRow("item post-paint") << 5 << false << false << false << false;
    }
    void stages()
    {
        QFETCH(int, stage);
        QFETCH(bool, skip);
        QFETCH(bool, notifyItems);
        QFETCH(bool, skipItem);
        QFETCH(bool, newColours);
        TPTLvCustomDraw draw(stage, QFont(), Qt::black, Qt::white);
        // What the program's handler does for every row.
        draw.Brush().setColor(clBlack);
        draw.Font().setColor(clWhite);
        draw.setSkipDefault(skip);
        const TPTCustomDraw::Result result = draw.apply();
        QCOMPARE(result.notifyItems, notifyItems);
        QCOMPARE(result.skipItem, skipItem);
        QCOMPARE(result.newTextColor, newColours);
        QCOMPARE(result.newBackColor, newColours);
        if (newColours) {
            QCOMPARE(result.textColor, QColor(Qt::white));
            QCOMPARE(result.backColor, QColor(Qt::black));
        }
    }

    void unchangedValuesLeaveTheControlsOwn()
    {
        TPTTvCustomDraw draw(TPTCustomDraw::cdItemPrePaint, QFont(), Qt::red, Qt::blue);
        QCOMPARE(draw.Font().color(), QColor(Qt::red));
        QCOMPARE(draw.Brush().color(), QColor(Qt::blue));
        const auto result = draw.apply();
        QVERIFY(!result.newFont && !result.newTextColor && !result.newBackColor);

        QStyleOptionViewItem option;
        option.backgroundBrush = QBrush(Qt::green);
        QVERIFY(draw.applyTo(option));
        QCOMPARE(option.backgroundBrush.color(), QColor(Qt::green));
        draw.Font().setBold(true);
        QVERIFY(draw.applyTo(option));
        QVERIFY(option.font.bold());
    }
};

QTEST_MAIN(TestCustomDraw)
#include "test_customdraw.moc"
