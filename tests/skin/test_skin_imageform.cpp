#include "SkinTestPictures.h"

#include "skin/DragOutline.h"
#include "skin/RegionData.h"
#include "skin/RegionScan.h"
#include "skin/SkinSetup.h"
#include "skin/TfcImageForm.h"
#include "skin/TfcLabel.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace lumisnap;

namespace {

// A 40 x 30 skin: a black border (transparent with clBlack) around a grey body.
QImage skinPicture()
{
    QImage picture(40, 30, QImage::Format_RGB888);
    picture.fill(Qt::black);
    for (int y = 2; y < 28; ++y)
        for (int x = 3; x < 37; ++x)
            picture.setPixel(x, y, qRgb(120, 120, 120));
    return picture;
}

const QPoint kGrab(10, 10);
const QPoint kFormStart(200, 150);

DragOutline *visibleOutline()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *outline = qobject_cast<DragOutline *>(w); outline && outline->isVisible())
            return outline;
    }
    return nullptr;
}

} // namespace

class TestSkinImageForm : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<QMouseEvent *>(); }
    void init();
    void cleanup();

    void attachingMakesFormBorderlessAndSkinLowest();
    void autoSizeGivesFormThePictureSize();
    void emptyStoredRegionScansPicture();
    void storedRegionIsUsedAsItStands();
    void malformedStoredRegionLeavesFormRectangular();
    void transparentPictureLeavesFormRectangular();
    void clNoneTakesBottomLeftPixel();
    void writingRescans();

    void fullWindowDragFollowsPastTolerance_data();
    void fullWindowDragFollowsPastTolerance();
    void outlineDragMovesAtRelease();
    void pressWithoutMovingLeavesNoOutline();
    void pressOnLabelStartsNoDrag_data();
    void pressOnLabelStartsNoDrag();
    void noMouseMoveDuringDrag();
    void dragThroughWindowEvents();
    void captionBarLimitsDragStart();
    void lostReleaseEndsDrag_data();
    void lostReleaseEndsDrag();

private:
    void pressAndMove(QPoint delta);

    std::unique_ptr<QWidget> m_form;
    TfcImageForm *m_skin = nullptr;
};

void TestSkinImageForm::init()
{
    m_form = std::make_unique<QWidget>();
    m_skin = new TfcImageForm(m_form.get());
    SkinDesign design;
    design.picture = skinPicture();
    design.regionData = QByteArray(4, '\0');
    design.transparentColor = clBlack;
    design.options = ifUseWindowsDrag;
    applySkin(*m_skin, design);
    m_form->move(kFormStart);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TestSkinImageForm::cleanup()
{
    if (QTest::currentTestFailed() && m_skin->dragging())
        QTest::mouseRelease(m_skin, Qt::LeftButton, {}, kGrab);
    m_form.reset();
}

void TestSkinImageForm::attachingMakesFormBorderlessAndSkinLowest()
{
    QWidget form;
    auto *earlier = new TfcLabel(&form);
    auto *skin = new TfcImageForm(earlier); // placed on the label's form all the same
    QCOMPARE(skin->parentWidget(), &form);
    QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(form.children().indexOf(skin) < form.children().indexOf(earlier));
    skin->setPicture(skinPicture());
    QCOMPARE(form.childAt(earlier->geometry().center()), earlier);
    QCOMPARE(skin->dragTolerance(), 5);
    QCOMPARE(skin->pos(), QPoint(0, 0));
}

void TestSkinImageForm::autoSizeGivesFormThePictureSize()
{
    QCOMPARE(m_form->size(), QSize(40, 30));
    QCOMPARE(m_skin->geometry(), QRect(0, 0, 40, 30));
    QImage bigger(60, 50, QImage::Format_RGB32);
    bigger.fill(Qt::white);
    m_skin->setPicture(bigger);
    QCOMPARE(m_form->size(), QSize(60, 50));
    QCOMPARE(m_skin->size(), QSize(60, 50));
    // The region follows only an explicit rebuild.
    QCOMPARE(m_form->mask(), QRegion(3, 2, 34, 26));
}

void TestSkinImageForm::emptyStoredRegionScansPicture()
{
    QCOMPARE(m_form->mask(), QRegion(3, 2, 34, 26));
    QVERIFY(m_skin->region());
    QCOMPARE(*m_skin->region(), QRegion(3, 2, 34, 26));
}

void TestSkinImageForm::storedRegionIsUsedAsItStands()
{
    const QRegion stored = QRegion(0, 0, 5, 5) + QRegion(10, 10, 3, 3);
    m_skin->readRegionData(RegionData::toPropertyValue(stored));
    QCOMPARE(m_form->mask(), stored);
}

void TestSkinImageForm::malformedStoredRegionLeavesFormRectangular()
{
    QWidget form;
    TfcImageForm skin(&form);
    skin.setPicture(skinPicture());
    skin.setTransparentColor(clBlack);
    QByteArray value = RegionData::toPropertyValue(QRegion(0, 0, 5, 5));
    value[12] = 0x10; // nCount now disagrees with the bytes
    skin.readRegionData(value);
    QVERIFY(!skin.region());
    QVERIFY(form.mask().isEmpty());
}

void TestSkinImageForm::transparentPictureLeavesFormRectangular()
{
    QImage black(20, 10, QImage::Format_RGB32);
    black.fill(Qt::black);
    m_skin->setPicture(black);
    m_skin->RebuildRegion();
    QVERIFY(!m_skin->region());
    QVERIFY(m_form->mask().isEmpty());
}

void TestSkinImageForm::clNoneTakesBottomLeftPixel()
{
    m_skin->setPicture(pictureFromRows({ "bb#", "#bb", "b.." }));
    m_skin->setTransparentColor(clNone);
    QCOMPARE(m_skin->EffectiveTransparentColor(), clBlue);
    m_skin->RebuildRegion();
    QCOMPARE(m_form->mask(), QRegion(2, 0, 1, 1) + QRegion(0, 1, 1, 1) + QRegion(1, 2, 2, 1));
}

void TestSkinImageForm::writingRescans()
{
    m_skin->readRegionData(RegionData::toPropertyValue(QRegion(0, 0, 5, 5)));
    const QByteArray written = m_skin->writeRegionData();
    QCOMPARE(written, RegionData::toPropertyValue(QRegion(3, 2, 34, 26)));
    QCOMPARE(m_form->mask(), QRegion(3, 2, 34, 26));
}

void TestSkinImageForm::pressAndMove(QPoint delta)
{
    QTest::mousePress(m_skin, Qt::LeftButton, {}, kGrab);
    QTest::mouseMove(m_skin, kGrab + delta);
}

void TestSkinImageForm::fullWindowDragFollowsPastTolerance_data()
{
    QTest::addColumn<int>("tolerance");
    QTest::addColumn<QPoint>("delta");
    QTest::addColumn<bool>("moves");
    QTest::newRow("5 on both axes") << 5 << QPoint(5, 5) << false;
    QTest::newRow("5 back and up") << 5 << QPoint(-5, -5) << false;
    QTest::newRow("6 across") << 5 << QPoint(6, 0) << true;
    QTest::newRow("6 down") << 5 << QPoint(0, 6) << true;
    QTest::newRow("6 left") << 5 << QPoint(-6, 3) << true;
    QTest::newRow("tolerance 0, one pixel") << 0 << QPoint(1, 0) << true;
    QTest::newRow("splash tolerance") << 100000 << QPoint(900, -140) << false;
}

void TestSkinImageForm::fullWindowDragFollowsPastTolerance()
{
    QFETCH(int, tolerance);
    QFETCH(QPoint, delta);
    QFETCH(bool, moves);
    m_skin->setDragTolerance(tolerance);
    pressAndMove(delta);
    QVERIFY(m_skin->dragging());
    QCOMPARE(m_form->pos(), moves ? kFormStart + delta : kFormStart);
    QTest::mouseRelease(m_skin, Qt::LeftButton, {}, kGrab + (moves ? QPoint() : delta));
    QVERIFY(!m_skin->dragging());
    QCOMPARE(m_form->pos(), moves ? kFormStart + delta : kFormStart);
    QVERIFY(!visibleOutline());
}

void TestSkinImageForm::outlineDragMovesAtRelease()
{
    m_skin->setOptions({});
    pressAndMove(QPoint(30, 12));
    QCOMPARE(m_form->pos(), kFormStart);
    DragOutline *outline = visibleOutline();
    QVERIFY(outline);
    QCOMPARE(outline->geometry(), QRect(kFormStart + QPoint(30, 12), QSize(40, 30)));
    QTest::mouseMove(m_skin, kGrab + QPoint(50, 20));
    QCOMPARE(outline->geometry().topLeft(), kFormStart + QPoint(50, 20));
    QTest::mouseRelease(m_skin, Qt::LeftButton, {}, kGrab + QPoint(50, 20));
    QCOMPARE(m_form->pos(), kFormStart + QPoint(50, 20));
    QVERIFY(!visibleOutline());
}

void TestSkinImageForm::pressWithoutMovingLeavesNoOutline()
{
    m_skin->setOptions({});
    QSignalSpy clicks(m_skin, &TfcCustomImage::clicked);
    QSignalSpy presses(m_skin, &TfcCustomImage::mousePressed);
    pressAndMove(QPoint(4, -4));
    QCOMPARE(presses.count(), 1);
    QVERIFY(!visibleOutline());
    QTest::mouseRelease(m_skin, Qt::LeftButton, {}, kGrab + QPoint(4, -4));
    QCOMPARE(m_form->pos(), kFormStart);
    QCOMPARE(clicks.count(), 1);
}

void TestSkinImageForm::pressOnLabelStartsNoDrag_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::newRow("enabled label") << true;
    QTest::newRow("disabled label") << false;
}

void TestSkinImageForm::pressOnLabelStartsNoDrag()
{
    QFETCH(bool, enabled);
    auto *label = new TfcLabel(m_form.get());
    label->setCaption(QStringLiteral("OFF"));
    label->setGeometry(5, 5, 20, 15);
    label->setEnabled(enabled);
    label->show();
    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(3, 3));
    QVERIFY(!m_skin->dragging());
    QTest::mouseMove(label, QPoint(40, 40));
    QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(40, 40));
    QCOMPARE(m_form->pos(), kFormStart);
}

void TestSkinImageForm::noMouseMoveDuringDrag()
{
    auto *label = new TfcLabel(m_form.get());
    label->setGeometry(20, 5, 10, 10);
    label->show();
    QSignalSpy skinMoves(m_skin, &TfcCustomImage::mouseMove);
    QSignalSpy labelMoves(label, &TfcCustomLabel::mouseMoved);
    pressAndMove(QPoint(2, 2));
    QTest::mouseMove(m_skin, kGrab + QPoint(20, 0));
    QTest::mouseMove(label, QPoint(2, 2));
    QCOMPARE(skinMoves.count(), 0);
    QCOMPARE(labelMoves.count(), 0);
    QTest::mouseRelease(m_skin, Qt::LeftButton, {}, kGrab);
    QMouseEvent hover(QEvent::MouseMove, QPointF(kGrab), m_skin->mapToGlobal(QPointF(kGrab)),
        Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(m_skin, &hover);
    QCOMPARE(skinMoves.count(), 1);
}

// Events through the window, as the windowing system delivers them.
void TestSkinImageForm::dragThroughWindowEvents()
{
    QWindow *window = m_form->windowHandle();
    QVERIFY(window);
    QSignalSpy skinMoves(m_skin, &TfcCustomImage::mouseMove);
    QTest::mousePress(window, Qt::LeftButton, {}, kGrab);
    QVERIFY(m_skin->dragging());
    skinMoves.clear(); // the test's own move to the press point came before the drag
    QTest::mouseMove(window, kGrab + QPoint(0, 9));
    QCOMPARE(m_form->pos(), kFormStart + QPoint(0, 9));
    QTest::mouseRelease(window, Qt::LeftButton, {}, kGrab);
    QVERIFY(!m_skin->dragging());
    QCOMPARE(skinMoves.count(), 0);
}

void TestSkinImageForm::captionBarLimitsDragStart()
{
    auto *bar = new TfcLabel(m_form.get());
    bar->setAutoSize(false);
    bar->setGeometry(0, 0, 40, 8);
    connect(bar, &TfcCustomLabel::clicked, this, [] {});
    bar->show();
    auto *button = new TfcLabel(m_form.get());
    button->setAutoSize(false);
    button->setGeometry(30, 0, 10, 8);
    connect(button, &TfcCustomLabel::clicked, this, [] {});
    button->show();
    m_skin->setCaptionBarControl(bar);

    QTest::mousePress(m_skin, Qt::LeftButton, {}, QPoint(10, 20));
    QVERIFY(!m_skin->dragging()); // bare skin, but outside the caption bar
    QTest::mouseRelease(m_skin, Qt::LeftButton, {}, QPoint(10, 20));
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(2, 2));
    QVERIFY(!m_skin->dragging()); // a control with a handler keeps its press
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(2, 2));

    QSignalSpy barClicks(bar, &TfcCustomLabel::clicked);
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(5, 4));
    QVERIFY(m_skin->dragging());
    QTest::mouseMove(bar, QPoint(5, 24));
    QCOMPARE(m_form->pos(), kFormStart + QPoint(0, 20));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(5, 4));
    QVERIFY(!m_skin->dragging());
    QCOMPARE(barClicks.count(), 1);

    delete bar;
    QVERIFY(!m_skin->captionBarControl());
}

// The release of a drag can go astray (another window, the system); what comes
// next ends the drag, and moves with the button still down no longer move the form.
void TestSkinImageForm::lostReleaseEndsDrag_data()
{
    QTest::addColumn<QString>("next");
    QTest::newRow("press") << "press";
    QTest::newRow("focus out") << "focus out";
    QTest::newRow("deactivation") << "deactivation";
}

void TestSkinImageForm::lostReleaseEndsDrag()
{
    QFETCH(QString, next);
    QLineEdit *first = nullptr;
    for (QRect at : { QRect(3, 22, 8, 6), QRect(30, 22, 8, 6) }) {
        auto *edit = new QLineEdit(m_form.get());
        edit->setGeometry(at);
        edit->show();
        first = first ? first : edit;
    }
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    first->setFocus();
    QVERIFY(first->hasFocus());

    QTest::mousePress(m_skin, Qt::LeftButton, {}, kGrab);
    QVERIFY(m_skin->dragging());
    QWidget other;
    if (next == "press") {
        // A new press starts a drag of its own, from its own point.
        const QPoint press = kGrab + QPoint(15, 5);
        QTest::mousePress(m_skin, Qt::LeftButton, {}, press);
        QTest::mouseMove(m_skin, press + QPoint(0, 20));
        QCOMPARE(m_form->pos(), kFormStart + QPoint(0, 20));
        QTest::mouseRelease(m_skin, Qt::LeftButton, {}, press);
        QVERIFY(!m_skin->dragging());
        return;
    }
    if (next == "focus out") {
        QTest::keyClick(first, Qt::Key_Tab);
        QVERIFY(!first->hasFocus());
    } else {
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
    }
    QVERIFY(!m_skin->dragging());
    QTest::mouseMove(m_skin, kGrab + QPoint(0, 20));
    QCOMPARE(m_form->pos(), kFormStart);
}

QTEST_MAIN(TestSkinImageForm)
#include "test_skin_imageform.moc"
