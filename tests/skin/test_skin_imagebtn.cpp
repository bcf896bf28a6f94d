// The arrow-shaped image button: its outline from the stored bytes and from its
// stretched face, the look of each press state under real mouse events, and where
// its caption goes.
#include "forms/FormResources.h"
#include "skin/RegionData.h"
#include "skin/SkinSetup.h"
#include "skin/TfcImageBtn.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace lumisnap;

namespace {

QRect rowSpan(const QRegion &region, int row)
{
    return (region & QRect(-1000, row, 2000, 1)).boundingRect();
}

} // namespace

class TestImageBtn : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWidget> panel;
    TfcImageBtn *button = nullptr;
    ImageButtonDesign design;

    QImage look() { return button->grab().toImage().convertToFormat(QImage::Format_RGB32); }

private slots:
    void init()
    {
        panel = std::make_unique<QWidget>();
        panel->resize(200, 40);
        design = FormResources::buttonDesign(FormResources::NextButton);
        button = makeImageButton(
            panel.get(), "NextButton", QStringLiteral("  NEXT"), { 10, 5 }, taLeftJustify, design);
        panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
    }

    void cleanup() { panel.reset(); }

    void outlineFromStoredBytesAndAfterResize()
    {
        QCOMPARE(design.regionData.size(), 420);
        const QRegion stored = *RegionData::fromPropertyValue(design.regionData).region;
        QCOMPARE(button->mask(), stored);
        QCOMPARE(stored.rectCount(), 24);
        QCOMPARE(rowSpan(stored, 0), QRect(51, 0, 1, 1));
        QCOMPARE(rowSpan(stored, 12), QRect(0, 12, 75, 1));
        QCOMPARE(rowSpan(stored, 13), QRect(0, 13, 75, 1));
        // No pressed outline is stored: 4 zero bytes, written back as they came.
        QCOMPARE(button->writeDownRegionData(), QByteArray(4, '\0'));

        // A resize scans the stretched face; back at 75 x 25 that is the stored outline.
        button->resize(90, 30);
        QVERIFY(button->mask() != stored);
        QCOMPARE(rowSpan(button->mask(), 15), QRect(0, 15, 90, 1));
        button->resize(75, 25);
        QCOMPARE(button->mask(), stored);
        QCOMPARE(button->writeRegionData(), design.regionData);

        // Bytes that end early are not trusted: the face is scanned instead.
        button->readRegionData(design.regionData.left(100));
        button->loaded();
        QCOMPARE(button->mask(), stored);
    }

    void pressMoveAndRelease()
    {
        QSignalSpy clicks(button, &TfcImageBtn::OnClick);
        const QImage up = look();
        const QPoint inside(60, 10);
        const QPoint outside(74, 1);

        QTest::mousePress(button, Qt::LeftButton, {}, inside);
        QVERIFY(button->Down());
        const QImage pressed = look();
        // The face moves 2 right and down; black shows along the top and left.
        QCOMPARE(pressed.pixel(inside + QPoint(2, 2)), up.pixel(inside));
        QCOMPARE(pressed.pixel(0, 12), qRgb(0, 0, 0));
        QCOMPARE(pressed.pixel(20, 5), qRgb(0, 0, 0));
        QTest::mouseRelease(button, Qt::LeftButton, {}, inside);
        QCOMPARE(clicks.count(), 1);
        QVERIFY(!button->Down());
        QCOMPARE(look(), up);

        // Off the outline the up look comes back, and a release there clicks nothing;
        // back over it the pressed look returns.
        QTest::mousePress(button, Qt::LeftButton, {}, inside);
        QTest::mouseMove(button, outside);
        QVERIFY(!button->Down());
        QCOMPARE(look(), up);
        QTest::mouseMove(button, inside);
        QVERIFY(button->Down());
        QTest::mouseMove(button, QPoint(100, 30));
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(100, 30));
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(look(), up);
    }

    // What takes the press away before its release: the release never reaches the button.
    void pressEndsWithoutARelease_data()
    {
        QTest::addColumn<int>("interruption");
        QTest::newRow("hidden") << 0;
        QTest::newRow("modal box") << 1;
        QTest::newRow("another window active") << 2;
    }

    void pressEndsWithoutARelease()
    {
        QFETCH(int, interruption);
        QVERIFY(QTest::qWaitForWindowActive(panel.get()));
        QSignalSpy clicks(button, &TfcImageBtn::OnClick);
        const QImage up = look();
        const QPoint inside(60, 10);
        QTest::mousePress(button, Qt::LeftButton, {}, inside);
        QVERIFY(button->Down());

        QWidget other(interruption == 1 ? panel.get() : nullptr, Qt::Dialog);
        other.setWindowModality(interruption == 1 ? Qt::WindowModal : Qt::NonModal);
        if (interruption == 0) {
            panel->hide();
        } else {
            other.show();
            other.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&other));
        }
        QVERIFY(!button->Down());
        other.close();
        panel->show();
        panel->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(panel.get()));
        QCOMPARE(look(), up);

        // The next press is a press of its own: moved off, it shows the up face.
        QTest::mousePress(button, Qt::LeftButton, {}, inside);
        QTest::mouseMove(button, QPoint(74, 1));
        QVERIFY(!button->Down());
        QTest::mouseMove(button, inside);
        QTest::mouseRelease(button, Qt::LeftButton, {}, inside);
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(look(), up);
    }

    void captionPlacement_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("alignment");
        QTest::newRow("NEXT left-justified") << "  NEXT" << int(taLeftJustify);
        QTest::newRow("PREV centred") << "    PREV" << int(taCenter);
        QTest::newRow("odd width") << "  NEXT." << int(taLeftJustify);
    }

    void captionPlacement()
    {
        QFETCH(QString, caption);
        QFETCH(int, alignment);
        button->setCaption(caption);
        button->TextOptions().setAlignment(TAlignment(alignment));
        const int w
            = button->TextOptions().textRect(button->font(), QRect(2, 2, 71, 21), true).width();
        const int left = alignment == taLeftJustify ? (w % 2 == 0 ? 3 : 2) : 34 - (w - 3) / 2;
        QCOMPARE(button->LayoutCaption().left(), left);
        button->setDown(true);
        QCOMPARE(button->LayoutCaption().left(), left + 1);
    }

    void pixelsOfTheTopLeftColourAreLeftOut()
    {
        QImage face(75, 25, QImage::Format_RGB32);
        face.fill(Qt::green);
        face.setPixelColor(0, 0, Qt::red);
        face.setPixelColor(40, 3, Qt::red);
        button->setCaption(QString());
        button->setImage(face);
        const QImage shown = look();
        QCOMPARE(shown.pixelColor(40, 3), QColor(Qt::black));
        QCOMPARE(shown.pixelColor(41, 3), QColor(Qt::green));
        QVERIFY(!button->mask().contains(QPoint(40, 3)));
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QFont::insertSubstitution(QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"));
    TestImageBtn test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_skin_imagebtn.moc"
