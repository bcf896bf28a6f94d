#include "skin/TfcLabel.h"

#include <QApplication>
#include <QFontMetrics>
#include <QSignalSpy>
#include <QtTest>

#include <memory>
#include <set>

using namespace lumisnap;

namespace {

// Plain pixels, so that every pixel is the background or one of the colours drawn.
QFont sharpFont(int pixelSize = 13)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

std::set<QRgb> coloursOf(const QImage &image)
{
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y) | 0xFF000000u);
    return colours;
}

class EventCounter : public QObject
{
public:
    int paints = 0;
    int resizes = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        else if (event->type() == QEvent::Resize)
            ++resizes;
        return false;
    }
};

} // namespace

class TestSkinLabel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<QMouseEvent *>(); }
    void init();
    void cleanup();

    void autoSizeIsTextPlusShadow_data();
    void autoSizeIsTextPlusShadow();
    void linesAreSeparatedByLineSpacing();
    void rightJustifiedKeepsRightEdge();
    void fixedSizeKeepsSize();
    void textRectCentresWithTruncatingHalves_data();
    void textRectCentresWithTruncatingHalves();
    void emptyCaptionDrawsNothing();
    void opaqueLabelFillsWithColor();
    void shadowLiesAtItsOffset();
    void disabledLabelDrawsInDisabledColours();
    void disabledHighlightNoneDrawsNoCopy();
    void unchangedSettersDoNothing();
    void enterAndLeaveFireOncePerCrossing();
    void clickNeedsPressAndReleaseInside();
    void keysClickAButtonLikeLabel_data();
    void keysClickAButtonLikeLabel();
    void focusMarkIsInTheTextColour();

private:
    TfcLabel *makeLabel(const QString &caption);
    QImage grabBackground();

    std::unique_ptr<QWidget> m_window;
};

void TestSkinLabel::init()
{
    m_window = std::make_unique<QWidget>();
    m_window->resize(300, 120);
    QPalette palette = m_window->palette();
    palette.setColor(QPalette::Window, QColor(0, 128, 128));
    m_window->setPalette(palette);
    m_window->setAutoFillBackground(true);
}

void TestSkinLabel::cleanup()
{
    m_window.reset();
}

TfcLabel *TestSkinLabel::makeLabel(const QString &caption)
{
    auto *label = new TfcLabel(m_window.get());
    label->move(20, 20);
    label->setFont(sharpFont());
    label->setTransparent(true);
    label->setFontColor(clYellow);
    label->textOptions().shadow().setEnabled(true);
    label->textOptions().shadow().setColor(clBlack);
    label->textOptions().shadow().setXOffset(2);
    label->textOptions().shadow().setYOffset(2);
    label->setCaption(caption);
    return label;
}

void TestSkinLabel::autoSizeIsTextPlusShadow_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("measured");
    QTest::addColumn<bool>("shadow");
    QTest::addColumn<int>("dx");
    QTest::addColumn<int>("dy");
    QTest::newRow("2, 2 shadow") << "STRETCH"
                                 << "STRETCH" << true << 2 << 2;
    QTest::newRow("negative offsets count by size") << "OFF"
                                                    << "OFF" << true << -3 << 1;
    QTest::newRow("shadow off") << "AM"
                                << "AM" << false << 2 << 2;
    QTest::newRow("accelerators") << "S&ET &&GO&"
                                  << "SET &GO" << true << 1 << 1;
}

void TestSkinLabel::autoSizeIsTextPlusShadow()
{
    QFETCH(QString, caption);
    QFETCH(QString, measured);
    QFETCH(bool, shadow);
    QFETCH(int, dx);
    QFETCH(int, dy);
    TfcLabel *label = makeLabel(caption);
    label->textOptions().shadow().setEnabled(shadow);
    label->textOptions().shadow().setXOffset(dx);
    label->textOptions().shadow().setYOffset(dy);
    const QFontMetrics metrics(sharpFont());
    const int sx = shadow ? std::abs(dx) : 0, sy = shadow ? std::abs(dy) : 0;
    QCOMPARE(label->size(), QSize(metrics.horizontalAdvance(measured) + sx, metrics.height() + sy));
    QCOMPARE(label->pos(), QPoint(20, 20));
}

void TestSkinLabel::linesAreSeparatedByLineSpacing()
{
    TfcLabel *label = makeLabel(QStringLiteral("AB\r\nWIDER"));
    const QFontMetrics metrics(sharpFont());
    QCOMPARE(label->size(),
        QSize(
            metrics.horizontalAdvance(QStringLiteral("WIDER")) + 2, 2 * metrics.height() + 5 + 2));
    label->textOptions().setLineSpacing(0);
    QCOMPARE(label->height(), 2 * metrics.height() + 2);
}

void TestSkinLabel::rightJustifiedKeepsRightEdge()
{
    TfcLabel *label = makeLabel(QStringLiteral("OFF"));
    label->textOptions().setAlignment(taRightJustify);
    const int right = label->geometry().right();
    label->setCaption(QStringLiteral("SWITCH OFF"));
    QCOMPARE(label->geometry().right(), right);
    QVERIFY(label->x() < 20);
}

void TestSkinLabel::fixedSizeKeepsSize()
{
    TfcLabel *label = makeLabel(QStringLiteral("None"));
    label->setAutoSize(false);
    label->resize(40, 20);
    label->setCaption(QStringLiteral("File Size - 123,456,789 bytes"));
    QCOMPARE(label->size(), QSize(40, 20));
    // Too wide for the label, the text still starts at its left edge.
    const QRect text = label->textOptions().textRect(label->font(), label->rect(), false);
    QCOMPARE(text.left(), 0);
}

void TestSkinLabel::textRectCentresWithTruncatingHalves_data()
{
    QTest::addColumn<int>("dx");
    QTest::addColumn<int>("dy");
    QTest::addColumn<int>("halfX"); // dx / 2 rounded toward zero
    QTest::addColumn<int>("halfY");
    QTest::newRow("2, 2") << 2 << 2 << 1 << 1;
    QTest::newRow("3, 5") << 3 << 5 << 1 << 2;
    QTest::newRow("-3, -5") << -3 << -5 << -1 << -2;
}

void TestSkinLabel::textRectCentresWithTruncatingHalves()
{
    QFETCH(int, dx);
    QFETCH(int, dy);
    QFETCH(int, halfX);
    QFETCH(int, halfY);
    TfcLabel *label = makeLabel(QStringLiteral("X"));
    label->textOptions().shadow().setXOffset(dx);
    label->textOptions().shadow().setYOffset(dy);
    const QFontMetrics metrics(sharpFont());
    const int w = metrics.horizontalAdvance(QStringLiteral("X")), h = metrics.height();
    const QRect paint(10, 20, 201, 101);
    const QRect text = label->textOptions().textRect(label->font(), paint, false);
    QCOMPARE(text,
        QRect(
            10 + 100 - halfX - w / 2, 20 + 50 - halfY - h / 2, w + std::abs(dx), h + std::abs(dy)));
}

QImage TestSkinLabel::grabBackground()
{
    m_window->show();
    return m_window->grab().toImage();
}

void TestSkinLabel::emptyCaptionDrawsNothing()
{
    TfcLabel *label = makeLabel(QString());
    label->setAutoSize(false);
    label->resize(80, 30);
    const std::set<QRgb> colours = coloursOf(grabBackground().copy(label->geometry()));
    QCOMPARE(colours, std::set<QRgb>({ qRgb(0, 128, 128) }));
}

void TestSkinLabel::opaqueLabelFillsWithColor()
{
    TfcLabel *label = makeLabel(QString());
    label->setAutoSize(false);
    label->resize(80, 30);
    label->setTransparent(false);
    label->setColor(clSilver);
    QCOMPARE(coloursOf(grabBackground().copy(label->geometry())),
        std::set<QRgb>({ qRgb(192, 192, 192) }));
}

void TestSkinLabel::shadowLiesAtItsOffset()
{
    TfcLabel *label = makeLabel(QStringLiteral("STRETCH"));
    const QImage image = grabBackground().copy(label->geometry());
    const QRgb yellow = qRgb(255, 255, 0), black = qRgb(0, 0, 0), background = qRgb(0, 128, 128);
    QCOMPARE(coloursOf(image), std::set<QRgb>({ yellow, black, background }));
    // Text drawn over its shadow: below-right of every text pixel is shadow or text,
    // and the shadow's pixels are the text's moved by (2, 2).
    int shadowPixels = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y) | 0xFF000000u;
            if (p == yellow) {
                QVERIFY(x + 2 < image.width() && y + 2 < image.height());
                QVERIFY((image.pixel(x + 2, y + 2) | 0xFF000000u) != background);
            } else if (p == black) {
                ++shadowPixels;
                QCOMPARE(image.pixel(x - 2, y - 2) | 0xFF000000u, yellow);
            }
        }
    }
    QVERIFY(shadowPixels > 0);
}

void TestSkinLabel::disabledLabelDrawsInDisabledColours()
{
    TfcLabel *label = makeLabel(QStringLiteral("CENTERED"));
    label->textOptions().disabledColors().setHighlightColor(clMaroon);
    label->textOptions().disabledColors().setShadeColor(clMaroon);
    label->setEnabled(false);
    const std::set<QRgb> colours = coloursOf(grabBackground().copy(label->geometry()));
    QCOMPARE(colours, std::set<QRgb>({ qRgb(128, 0, 0), qRgb(0, 128, 128) }));
}

void TestSkinLabel::disabledHighlightNoneDrawsNoCopy()
{
    TfcLabel *label = makeLabel(QStringLiteral("COLOR"));
    label->textOptions().disabledColors().setHighlightColor(clBlue);
    label->textOptions().disabledColors().setShadeColor(clBlack);
    label->setEnabled(false);
    QVERIFY(coloursOf(grabBackground().copy(label->geometry())).count(qRgb(0, 0, 255)));
    label->textOptions().disabledColors().setHighlightColor(clNone);
    const std::set<QRgb> colours = coloursOf(m_window->grab().toImage().copy(label->geometry()));
    QCOMPARE(colours, std::set<QRgb>({ qRgb(0, 0, 0), qRgb(0, 128, 128) }));
}

void TestSkinLabel::unchangedSettersDoNothing()
{
    TfcLabel *label = makeLabel(QStringLiteral("SCAN DRIVE"));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    EventCounter counter;
    label->installEventFilter(&counter);
    auto settle = [] {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    };
    settle();
    counter.paints = counter.resizes = 0;

    label->textOptions().shadow().setXOffset(2);
    label->textOptions().shadow().setEnabled(true);
    label->textOptions().setLineSpacing(5);
    label->textOptions().setAlignment(taLeftJustify);
    label->textOptions().disabledColors().setShadeColor(clBtnShadow);
    label->setCaption(QStringLiteral("SCAN DRIVE"));
    label->setFontColor(clYellow);
    label->setAutoSize(true);
    settle();
    QCOMPARE(counter.paints, 0);
    QCOMPARE(counter.resizes, 0);

    label->textOptions().shadow().setXOffset(4);
    settle();
    QVERIFY(counter.paints > 0);
    QCOMPARE(counter.resizes, 1);
    counter.paints = counter.resizes = 0;
    label->setFontColor(clBlue); // colour only: repaint, same size
    settle();
    QVERIFY(counter.paints > 0);
    QCOMPARE(counter.resizes, 0);
}

void TestSkinLabel::enterAndLeaveFireOncePerCrossing()
{
    TfcLabel *label = makeLabel(QStringLiteral("COLOR"));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QWindow *window = m_window->windowHandle();
    QSignalSpy entered(label, &TfcCustomLabel::mouseEntered);
    QSignalSpy left(label, &TfcCustomLabel::mouseLeft);
    QSignalSpy moved(label, &TfcCustomLabel::mouseMoved);
    QTest::mouseMove(window, QPoint(5, 5));
    for (int x = 0; x < 4; ++x)
        QTest::mouseMove(window, label->geometry().topLeft() + QPoint(2 + x, 3));
    QTest::mouseMove(window, QPoint(250, 100));
    QCOMPARE(entered.count(), 1);
    QCOMPARE(left.count(), 1);
    QCOMPARE(moved.count(), 4);
}

void TestSkinLabel::clickNeedsPressAndReleaseInside()
{
    TfcLabel *label = makeLabel(QStringLiteral("OFF"));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QSignalSpy clicks(label, &TfcCustomLabel::clicked);
    QWindow *window = m_window->windowHandle();
    const QPoint inside = label->geometry().center();
    QTest::mouseClick(window, Qt::LeftButton, {}, inside);
    QCOMPARE(clicks.count(), 1);
    QTest::mousePress(window, Qt::LeftButton, {}, inside);
    QTest::mouseMove(window, QPoint(250, 100));
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(250, 100));
    QCOMPARE(clicks.count(), 1);
    label->setEnabled(false);
    QTest::mouseClick(window, Qt::LeftButton, {}, inside);
    QCOMPARE(clicks.count(), 1);
}

void TestSkinLabel::keysClickAButtonLikeLabel_data()
{
    QTest::addColumn<bool>("buttonLike");
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<int>("clicks");
    QTest::newRow("space") << true << int(Qt::Key_Space) << Qt::KeyboardModifiers() << 1;
    QTest::newRow("return") << true << int(Qt::Key_Return) << Qt::KeyboardModifiers() << 1;
    QTest::newRow("keypad enter") << true << int(Qt::Key_Enter)
                                  << Qt::KeyboardModifiers(Qt::KeypadModifier) << 1;
    QTest::newRow("ctrl+space") << true << int(Qt::Key_Space)
                                << Qt::KeyboardModifiers(Qt::ControlModifier) << 0;
    QTest::newRow("a letter") << true << int(Qt::Key_A) << Qt::KeyboardModifiers() << 0;
    QTest::newRow("plain label") << false << int(Qt::Key_Space) << Qt::KeyboardModifiers() << 0;
}

void TestSkinLabel::keysClickAButtonLikeLabel()
{
    QFETCH(bool, buttonLike);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(int, clicks);
    TfcLabel *label = makeLabel(QStringLiteral("STRETCH"));
    label->setButtonLike(buttonLike);
    QCOMPARE(label->focusPolicy(), buttonLike ? Qt::TabFocus : Qt::NoFocus);
    QSignalSpy clicked(label, &TfcCustomLabel::clicked);
    QTest::keyClick(label, Qt::Key(key), modifiers);
    QCOMPARE(clicked.count(), clicks);
    // A held key clicks once, not once per repeat.
    QKeyEvent repeat(QEvent::KeyPress, key, modifiers, QString(), true);
    QApplication::sendEvent(label, &repeat);
    QCOMPARE(clicked.count(), clicks);
}

void TestSkinLabel::focusMarkIsInTheTextColour()
{
    TfcLabel *label = makeLabel(QStringLiteral("STRETCH"));
    label->setButtonLike(true);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    const auto edge = [label] {
        const QImage shot = label->grab().toImage();
        int yellow = 0;
        for (int x = 0; x < shot.width(); ++x)
            yellow += shot.pixelColor(x, shot.height() - 1) == QColor(Qt::yellow);
        return yellow;
    };
    label->setFocus();
    QTRY_VERIFY(label->hasFocus());
    QVERIFY(edge() > 0);
    label->clearFocus();
    QVERIFY(!label->hasFocus());
    QCOMPARE(edge(), 0); // the bottom row holds only shadow
}

QTEST_MAIN(TestSkinLabel)
#include "test_skin_label.moc"
