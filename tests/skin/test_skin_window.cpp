#include "skin/RegionData.h"
#include "skin/SkinSetup.h"
#include "skin/TfcImageForm.h"

#include <QScreen>
#include <QtTest>

#include <memory>

using namespace lumisnap;

// Shaped top-level windows on a real X server.
class TestSkinWindow : public QObject
{
    Q_OBJECT
private slots:
    void windowTakesShapeAndMoves();
};

void TestSkinWindow::windowTakesShapeAndMoves()
{
    // A ring: opaque frame, transparent middle and corners.
    const QColor ring(200, 30, 30);
    QImage picture(60, 40, QImage::Format_RGB32);
    picture.fill(Qt::white);
    for (int y = 4; y < 36; ++y)
        for (int x = 4; x < 56; ++x)
            picture.setPixel(
                x, y, (y < 12 || y >= 28 || x < 14 || x >= 46) ? ring.rgb() : qRgb(255, 255, 255));
    // A plain window behind the form, so what shows around and inside the ring is known.
    const QColor behind(20, 60, 200);
    QWidget backdrop(nullptr, Qt::FramelessWindowHint);
    backdrop.setPalette(QPalette(behind));
    backdrop.setAutoFillBackground(true);
    backdrop.setGeometry(80, 80, 120, 100);
    backdrop.show();
    QVERIFY(QTest::qWaitForWindowExposed(&backdrop));

    QWidget form;
    auto *skin = new TfcImageForm(&form);
    SkinDesign design;
    design.picture = picture;
    design.regionData = QByteArray(4, '\0');
    design.transparentColor = clWhite;
    design.options = ifUseWindowsDrag;
    applySkin(*skin, design);
    form.move(100, 100);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    const QRegion expected = QRegion(4, 4, 52, 32) - QRegion(14, 12, 32, 16);
    QCOMPARE(RegionData::canonicalRects(form.windowHandle()->mask()),
        RegionData::canonicalRects(expected));

    // Only the ring's pixels are on the screen, at the screen's scale; the middle and
    // the corners show the window below.
    QTest::qWait(200);
    const QImage screen = form.screen()->grabWindow(0).toImage();
    const qreal scale = form.devicePixelRatio();
    const QPoint origin = form.mapToGlobal(QPoint(0, 0));
    int wrong = 0;
    for (int y = 0; y < form.height(); ++y) {
        for (int x = 0; x < form.width(); ++x) {
            const QPoint device = (origin + QPoint(x, y)) * scale;
            const QColor shown = screen.pixelColor(device);
            wrong += shown != (expected.contains(QPoint(x, y)) ? ring : behind);
        }
    }
    QCOMPARE(wrong, 0);

    QWindow *window = form.windowHandle();
    QTest::mousePress(window, Qt::LeftButton, {}, QPoint(6, 6));
    QVERIFY(skin->dragging());
    QTest::mouseMove(window, QPoint(6 + 25, 6 + 15));
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(6, 6));
    QVERIFY(!skin->dragging());
    QTRY_COMPARE(form.pos(), QPoint(125, 115));
}

QTEST_MAIN(TestSkinWindow)
#include "test_skin_window.moc"
