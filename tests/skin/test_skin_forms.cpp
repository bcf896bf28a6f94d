// The design data: each window's stored region is exactly what the scan of its skin
// picture gives, so nothing needs scanning at start-up.
#include "forms/FormResources.h"
#include "skin/RegionData.h"
#include "skin/RegionScan.h"

#include <QGuiApplication>
#include <QTest>

using namespace lumisnap;

class TestSkinForms : public QObject
{
    Q_OBJECT

private slots:
    void storedRegionEqualsScan_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<uint>("transparent");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("indexed");
        QTest::newRow("main window")
            << FormResources::MainSkin << uint(clBlack) << QSize(556, 431) << false;
        QTest::newRow("alarm dialog")
            << FormResources::AlarmSkin << uint(clWhite) << QSize(184, 185) << false;
        QTest::newRow("splash") << FormResources::SplashSkin << uint(clBlack) << QSize(381, 53)
                                << true;
    }

    void storedRegionEqualsScan()
    {
        QFETCH(QString, name);
        QFETCH(uint, transparent);
        QFETCH(QSize, size);
        QFETCH(bool, indexed);
        const SkinDesign design = FormResources::skinDesign(name, transparent, 5);
        QCOMPARE(design.picture.size(), size);
        QCOMPARE(design.picture.format() == QImage::Format_Indexed8, indexed);

        const RegionData::Stored stored = RegionData::fromPropertyValue(design.regionData);
        QVERIFY(!stored.empty);
        QVERIFY(stored.region);
        const std::optional<QRegion> scanned = BuildRegionFromBitmap(design.picture, transparent);
        QVERIFY(scanned);
        QCOMPARE(RegionData::toPropertyValue(scanned), design.regionData);
        // The outline really is a shape: its corners are outside it.
        QVERIFY(!stored.region->contains(QPoint(0, 0)));
        QVERIFY(stored.region->boundingRect().width() > size.width() / 2);
    }
};

QTEST_MAIN(TestSkinForms)
#include "test_skin_forms.moc"
