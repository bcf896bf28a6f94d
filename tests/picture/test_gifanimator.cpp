// The GIF animation control: how frames are composed with their disposal, how ticks
// step the frames, where the picture is drawn, and the drive scan's busy indicator.
#include "clock/TTimerThread.h"
#include "forms/FormResources.h"
#include "picture/GifFrameComposer.h"
#include "picture/TRxGIFAnimator.h"
#include "test_gif_util.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QPainter>
#include <QPointer>
#include <QTest>

#include <array>
#include <chrono>
#include <future>
#include <memory>

using namespace lumisnap;

namespace {

enum Paint : uchar { Red, Green, Blue, Key };
const QVector<QRgb> Colours
    = { qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 0, 255) };
constexpr TColor KeyColour = 0xFF00FF;
const QRgb WindowColour = qRgb(10, 20, 30);
constexpr QSize Screen(8, 8);

// A frame filled with one colour; `keyed` makes its left half the key colour.
TGIFFrame &addFrame(TGIFImage &gif, QRect rect, Paint paint, int disposal, bool keyed = false)
{
    QImage bitmap(rect.size(), QImage::Format_Indexed8);
    bitmap.setColorTable(Colours);
    bitmap.fill(paint);
    if (keyed) {
        for (int y = 0; y < bitmap.height(); ++y)
            std::fill_n(bitmap.scanLine(y), bitmap.width() / 2, uchar(Key));
    }
    TGIFFrame &frame = gif.addFrame(bitmap, rect.x(), rect.y());
    frame.DisposalMode = disposal;
    frame.DelayMs = 100;
    if (keyed)
        frame.KeyColor = KeyColour;
    return frame;
}

QRect whole()
{
    return { QPoint(0, 0), Screen };
}

// Frame 0 covers the screen in red, frame 1 paints the top-left quarter green with the
// given disposal, frame 2 the bottom-right quarter blue.
void quarters(TGIFImage &gif, int disposal)
{
    addFrame(gif, whole(), Red, 1);
    addFrame(gif, { 0, 0, 4, 4 }, Green, disposal);
    addFrame(gif, { 4, 4, 4, 4 }, Blue, 1);
}

std::unique_ptr<TGIFImage> framesOf(int count, int delay = 100)
{
    auto gif = std::make_unique<TGIFImage>();
    for (int i = 0; i < count; ++i)
        addFrame(*gif, whole(), Paint(i % 3), 1).DelayMs = delay;
    return gif;
}

// A 4 x 4 GIF with a grey table (index i is (i, i, i)); each frame is (x, y, w, h,
// colour index, disposal, transparent index or -1).
QByteArray disposalGif(const QList<std::array<int, 7>> &frames)
{
    using namespace gifbytes;
    QByteArray out = gifHeader(4, 4);
    for (const auto &[x, y, w, h, colour, disposal, key] : frames) {
        out += graphicControl(disposal << 2 | (key >= 0 ? 1 : 0), 10, std::max(key, 0));
        out += ',' + u16(x) + u16(y) + u16(w) + u16(h) + char(0);
        out += literalLzw(QList<int>(w * h, colour));
    }
    return out + ';';
}

} // namespace

class TestGifAnimator : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWidget> parent;

    // An animator shown in a window, so that its ticks draw.
    TRxGIFAnimator *shownAnimator(const TGIFImage &gif)
    {
        auto *animator = new TRxGIFAnimator(parent.get());
        animator->setImage(gif);
        animator->show();
        parent->show();
        return animator;
    }

private slots:
    void init() { parent = std::make_unique<QWidget>(); }
    void cleanup() { parent.reset(); }

    void stepsDrawOverWhatTheDisposalLeaves_data()
    {
        QTest::addColumn<int>("disposal");
        QTest::addColumn<QRgb>("underFrame1");
        QTest::newRow("none") << 0 << Colours[Green];
        QTest::newRow("keep") << 1 << Colours[Green];
        QTest::newRow("background") << 2 << WindowColour;
        QTest::newRow("previous") << 3 << Colours[Red];
    }
    void stepsDrawOverWhatTheDisposalLeaves()
    {
        QFETCH(int, disposal);
        QFETCH(QRgb, underFrame1);
        TGIFImage gif;
        quarters(gif, disposal);
        GifFrameComposer stepping;
        for (int k = 0; k <= 2; ++k)
            stepping.compose(gif, k, WindowColour);
        const QImage frame2 = stepping.bitmap();
        QCOMPARE(frame2.size(), Screen);
        QCOMPARE(frame2.pixel(1, 1), underFrame1);
        QCOMPARE(frame2.pixel(5, 5), Colours[Blue]);
        QCOMPARE(frame2.pixel(6, 1), Colours[Red]);
        // A jump straight to the frame rebuilds the same picture.
        GifFrameComposer jumping;
        QCOMPARE(jumping.compose(gif, 2, WindowColour), frame2);
    }

    void jumpGivesWhatStepsGive_data()
    {
        QTest::addColumn<QByteArray>("gif");
        QTest::addColumn<int>("frame");
        QTest::addColumn<QRgb>("corner");
        // A full opaque frame that restores the previous picture is no place to start.
        QTest::newRow("previous over a full frame")
            << disposalGif({ { 0, 0, 4, 4, 1, 1, -1 }, { 0, 0, 4, 4, 2, 3, -1 },
                   { 2, 2, 2, 2, 3, 1, -1 }, { 0, 0, 4, 4, 3, 3, -1 }, { 0, 0, 2, 2, 0, 1, -1 } })
            << 2 << qRgb(1, 1, 1);
        QTest::newRow("previous twice")
            << disposalGif({ { 0, 0, 4, 4, 1, 1, -1 }, { 0, 0, 2, 2, 2, 1, -1 },
                   { 0, 0, 4, 4, 3, 3, -1 }, { 0, 0, 4, 4, 0, 3, -1 }, { 2, 2, 2, 2, 3, 2, -1 } })
            << 4 << qRgb(2, 2, 2);
        // Undefined modes 4-7 keep the frame, and a keyed frame lets what is below show.
        QTest::newRow("undefined modes")
            << disposalGif({ { 0, 0, 4, 4, 1, 4, -1 }, { 0, 0, 2, 2, 2, 5, -1 },
                   { 1, 1, 3, 3, 3, 6, -1 }, { 0, 0, 4, 4, 0, 7, 0 }, { 0, 0, 4, 4, 2, 3, 2 } })
            << 4 << qRgb(2, 2, 2);
    }
    void jumpGivesWhatStepsGive()
    {
        QFETCH(QByteArray, gif);
        QFETCH(int, frame);
        QFETCH(QRgb, corner);
        TGIFImage image;
        image.loadFromBytes(gifbytes::view(gif));
        QCOMPARE(image.frameCount(), 5);
        GifFrameComposer stepping;
        for (int k = 0; k < image.frameCount(); ++k) {
            const QImage stepped = stepping.compose(image, k, WindowColour);
            GifFrameComposer jumping;
            QCOMPARE(jumping.compose(image, k, WindowColour), stepped);
            if (k == frame)
                QCOMPARE(stepped.pixel(0, 0), corner);
        }
    }

    void jumpStartsFromTheLastFrameCoveringTheScreen()
    {
        TGIFImage gif;
        addFrame(gif, whole(), Red, 1);
        addFrame(gif, { 0, 0, 4, 4 }, Green, 1);
        addFrame(gif, whole(), Blue, 1, true); // keyed: what lies below still shows
        addFrame(gif, whole(), Green, 1);
        addFrame(gif, { 0, 0, 4, 4 }, Red, 2);
        addFrame(gif, { 4, 4, 4, 4 }, Blue, 1);
        addFrame(gif, { 4, 0, 4, 4 }, Blue, 1);
        GifFrameComposer composer;
        const QImage frame5 = composer.compose(gif, 5, WindowColour);
        QCOMPARE(frame5.pixel(1, 1), WindowColour); // frame 4 disposed to the background
        QCOMPARE(frame5.pixel(5, 5), Colours[Blue]);
        QCOMPARE(frame5.pixel(6, 1), Colours[Green]); // frame 3, over a fresh fill
        QCOMPARE(composer.composedIndex(), 5);
        // The keyed frame 2 lets frames 0 and 1 show through its left half.
        const QImage frame2 = composer.compose(gif, 2, WindowColour);
        QCOMPARE(frame2.pixel(1, 1), Colours[Green]);
        QCOMPARE(frame2.pixel(1, 6), Colours[Red]);
        QCOMPARE(frame2.pixel(6, 6), Colours[Blue]);
        QCOMPARE(composer.compose(gif, 99, WindowColour).pixel(6, 1), Colours[Blue]);
    }

    void keyOfTheFirstFrameIsTheTransparentColour()
    {
        TGIFImage gif;
        addFrame(gif, whole(), Green, 1, true);
        addFrame(gif, whole(), Blue, 1);
        GifFrameComposer composer;
        const QImage bitmap = composer.compose(gif, 0, WindowColour);
        QCOMPARE(composer.composedKey(), KeyColour);
        QCOMPARE(bitmap.pixel(1, 1), Colours[Key]);
        QCOMPARE(qAlpha(composer.maskedBitmap().pixel(1, 1)), 0);
        QCOMPARE(composer.maskedBitmap().pixel(6, 1), Colours[Green]);
        composer.compose(gif, 1, WindowColour); // drawn over the cache: the key stays
        QCOMPARE(composer.composedKey(), KeyColour);
        QCOMPARE(qAlpha(composer.maskedBitmap().pixel(1, 1)), 255);
    }

    void frameDelayIsKeptInBounds_data()
    {
        QTest::addColumn<int>("delay");
        QTest::addColumn<int>("played");
        QTest::newRow("zero") << 0 << 50;
        QTest::newRow("short") << 20 << 50;
        QTest::newRow("usual") << 120 << 120;
        QTest::newRow("long") << 20000 << 10000;
    }
    void frameDelayIsKeptInBounds()
    {
        QFETCH(int, delay);
        QFETCH(int, played);
        TRxGIFAnimator animator;
        animator.setImage(*framesOf(2, delay));
        QCOMPARE(animator.FrameDelay(), played);
        QCOMPARE(animator.Timer().Interval(), quint32(played));
    }

    void onePictureFrameNeverTicks()
    {
        TRxGIFAnimator *animator = shownAnimator(*framesOf(1));
        animator->setAnimate(true);
        QVERIFY(animator->Animate());
        QCOMPARE(animator->FrameDelay(), 0);
        QCOMPARE(animator->Timer().Interval(), 0u);
        QVERIFY(animator->Timer().TimerThread().Suspended());
        animator->NextFrame();
        QCOMPARE(animator->FrameIndex(), 0);
    }

    void frameIndexOutsideTheFramesIsIgnored()
    {
        TRxGIFAnimator animator;
        QCOMPARE(animator.FrameIndex(), -1);
        animator.setImage(*framesOf(4));
        QList<int> changes;
        animator.OnFrameChanged = [&](QObject *) { changes << animator.FrameIndex(); };
        for (int index : { 4, -1, 0, 3 })
            animator.setFrameIndex(index);
        QCOMPARE(changes, QList<int>({ 3 }));
    }

    void singlePlayStopsOnTheFirstFrame()
    {
        TRxGIFAnimator *animator = shownAnimator(*framesOf(4));
        animator->setLoop(false);
        QStringList events;
        animator->OnFrameChanged
            = [&](QObject *) { events << QString::number(animator->FrameIndex()); };
        animator->OnStart = [&](QObject *) { events << "start"; };
        animator->OnStop = [&](QObject *) { events << "stop"; };
        animator->setAnimate(true);
        QVERIFY(animator->Timer().Enabled());
        for (int tick = 0; tick < 6; ++tick)
            animator->Timer().Timer();
        QCOMPARE(events, QStringList({ "start", "1", "2", "3", "0", "stop" }));
        QVERIFY(!animator->Animate());
    }

    void frameHandlerMayDestroyTheControl()
    {
        TRxGIFAnimator *animator = shownAnimator(*framesOf(2));
        const QPointer<TRxGIFAnimator> watched(animator);
        animator->setLoop(false);
        animator->OnFrameChanged = [&](QObject *) {
            if (animator->FrameIndex() == 0)
                delete animator; // as the single play ends
        };
        animator->setAnimate(true);
        animator->Timer().Timer();
        animator->Timer().Timer();
        QVERIFY(watched.isNull());
    }

    void changeHandlerMayDestroyTheControl_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // empty: a picture is assigned
        QTest::newRow("assigned") << QByteArray();
        QTest::newRow("loaded") << disposalGif({ { 0, 0, 4, 4, 1, 1, -1 } });
        QTest::newRow("failed load") << QByteArray("GIF88a");
    }
    void changeHandlerMayDestroyTheControl()
    {
        QFETCH(QByteArray, bytes);
        TRxGIFAnimator *animator = shownAnimator(*framesOf(3, 0));
        const QPointer<TRxGIFAnimator> watched(animator);
        animator->setAsyncDrawing(true);
        animator->setAnimate(true); // ticks on the timer thread want the lock
        std::future<int> other;
        bool lockFree = false;
        animator->OnChange = [&](QObject *) {
            other = std::async(std::launch::async, [animator] { return animator->FrameCount(); });
            lockFree = other.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
            if (lockFree)
                delete animator;
        };
        bool raised = false;
        try {
            if (bytes.isEmpty())
                animator->setImage(*framesOf(2));
            else
                animator->LoadFromBytes(gifbytes::view(bytes));
        } catch (const std::exception &) {
            raised = true;
        }
        QVERIFY(lockFree);
        QVERIFY(watched.isNull());
        QCOMPARE(raised, bytes.startsWith("GIF88a"));
    }

    void singlePlayOnTheTimerThreadStopsOnTheFirstFrame()
    {
        TRxGIFAnimator *animator = shownAnimator(*framesOf(4, 0));
        animator->setAsyncDrawing(true);
        animator->setLoop(false);
        int frameChanges = 0;
        int stops = 0;
        animator->OnFrameChanged = [&](QObject *) { ++frameChanges; };
        animator->OnStop = [&](QObject *) { ++stops; };
        animator->setAnimate(true);
        // The user-interface thread is busy for a dozen frame delays: the stop waits.
        QThread::msleep(12 * TRxGIFAnimator::MinFrameDelay);
        QTRY_COMPARE(stops, 1);
        QVERIFY(!animator->Animate());
        QCOMPARE(animator->FrameIndex(), 0);
        QCOMPARE(frameChanges, 4);
    }

    void hiddenControlDoesNotTick()
    {
        TRxGIFAnimator *animator = shownAnimator(*framesOf(3));
        animator->setAnimate(true);
        QVERIFY(animator->Timer().Enabled());
        animator->hide();
        QVERIFY(!animator->Timer().Enabled());
        animator->NextFrame();
        QCOMPARE(animator->FrameIndex(), 0);
        animator->show();
        QVERIFY(animator->Timer().Enabled());
    }

    void pictureIsPlacedByCentreAndStretch_data()
    {
        QTest::addColumn<bool>("center");
        QTest::addColumn<bool>("stretch");
        QTest::addColumn<QRect>("drawn");
        QTest::newRow("plain") << false << false << QRect(0, 0, 8, 8);
        QTest::newRow("centred") << true << false << QRect(6, 6, 8, 8);
        QTest::newRow("stretched") << false << true << QRect(0, 0, 20, 20);
    }
    void pictureIsPlacedByCentreAndStretch()
    {
        QFETCH(bool, center);
        QFETCH(bool, stretch);
        QFETCH(QRect, drawn);
        TRxGIFAnimator *animator = shownAnimator(*framesOf(1));
        QCOMPARE(animator->size(), Screen); // sized to the picture
        animator->setAutoSize(false);
        animator->resize(20, 20);
        animator->setCenter(center);
        animator->setStretch(stretch);
        const QImage shot = animator->grab().toImage();
        for (QPoint p : { QPoint(0, 0), QPoint(7, 7), QPoint(10, 10), QPoint(19, 19) })
            QCOMPARE(shot.pixel(p) == Colours[Red], drawn.contains(p));
    }

    void clientAlignedControlKeepsItsSize()
    {
        TRxGIFAnimator animator(parent.get());
        animator.setAlign(TRxGIFAnimator::alClient);
        animator.resize(30, 20);
        animator.setImage(*framesOf(2));
        QCOMPARE(animator.size(), QSize(30, 20));
        animator.setAlign(TRxGIFAnimator::alTop);
        animator.setAutoSize(false);
        animator.setAutoSize(true);
        QCOMPARE(animator.size(), QSize(30, 8));
    }

    void clicksStayWithTheControl()
    {
        struct Backdrop : QWidget
        {
            int presses = 0;
            void mousePressEvent(QMouseEvent *) override { ++presses; }
        } backdrop;
        TRxGIFAnimator animator(&backdrop);
        int clicks = 0;
        connect(&animator, &TRxGIFAnimator::OnClick, this, [&] { ++clicks; });
        backdrop.show();
        QTest::mouseClick(&animator, Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(clicks, 1);
        QCOMPARE(backdrop.presses, 0);
    }

    void drawingOnTheTimerThreadIsShownByTheWindow()
    {
        TRxGIFAnimator *animator = shownAnimator(*framesOf(3, 0));
        animator->setAsyncDrawing(true);
        QVERIFY(!animator->Timer().SyncEvent());
        QList<int> seen;
        bool elsewhere = false;
        animator->OnFrameChanged = [&](QObject *) {
            seen << animator->FrameIndex();
            elsewhere = elsewhere || QThread::currentThread() != qApp->thread();
        };
        animator->setAnimate(true);
        QTRY_VERIFY(seen.size() >= 3);
        QVERIFY(!elsewhere);
        animator->setAnimate(false);
        QCoreApplication::processEvents();
        const QImage shot = animator->grab().toImage();
        QCOMPARE(shot.pixel(4, 4), Colours[animator->FrameIndex() % 3]);
    }

    // Run this one under ThreadSanitizer too: the control dies while its timer thread
    // is composing a frame, or about to hand one over. The frames are small: Qt may
    // draw a large picture with threads of its own, which the sanitizer cannot follow.
    void destroyedWhileTheTimerThreadComposes()
    {
        auto gif = std::make_unique<TGIFImage>();
        QImage bitmap(128, 100, QImage::Format_Indexed8);
        bitmap.setColorTable(Colours);
        for (int i = 0; i < 6; ++i) {
            bitmap.fill(uchar(i % 3));
            gif->addFrame(bitmap, 0, 0).DisposalMode = 2;
        }
        int caught = 0;
        for (int round = 0; round < 12; ++round) {
            TRxGIFAnimator *animator = shownAnimator(*gif);
            animator->setAsyncDrawing(true);
            animator->setAnimate(true);
            const QDeadlineTimer deadline(2000);
            while (!animator->Painting() && !deadline.hasExpired())
                QThread::yieldCurrentThread();
            caught += animator->Painting();
            delete animator;
            QCoreApplication::processEvents();
        }
        qInfo("destroyed in the middle of a frame %d times of 12", caught);
        // The race was met at least once, and the picture the animators drew from is intact.
        QVERIFY(caught > 0);
        QCOMPARE(gif->frameCount(), 6);
    }

    void busyIndicatorReadsBack()
    {
        const QByteArray bytes = FormResources::busyIndicator();
        TRxGIFAnimator *animator = shownAnimator(TGIFImage());
        animator->LoadFromBytes({ reinterpret_cast<const std::uint8_t *>(bytes.constData()),
            std::size_t(bytes.size()) });
        QCOMPARE(animator->size(), QSize(78, 22));
        QCOMPARE(animator->FrameDelay(), 50);
        animator->WithImage([](const TGIFImage &gif) {
            QCOMPARE(gif.Version(), int(TGIFImage::Version89a));
            QCOMPARE(gif.frameCount(), 29);
            QCOMPARE(gif.globalPalette().size(), 4);
            QVERIFY(gif.HasLoopExtension());
            QCOMPARE(gif.LoopCount(), 0);
            for (int i = 0; i < gif.frameCount(); ++i) {
                const TGIFFrame &frame = gif.frame(i);
                QCOMPARE(frameRect(gif, i), QRect(0, 0, 78, 22));
                QCOMPARE(frame.DelayMs, 50);
                QCOMPARE(frame.DisposalMode, 2);
                QCOMPARE(frame.KeyColor, clNone);
                QVERIFY(!frame.OwnPalette);
                QVERIFY(!frame.IsCorrupt);
            }
        });
        // Each frame differs from the one before it.
        QImage previous = animator->ComposeFrame(28);
        for (int k = 0; k < 29; ++k) {
            const QImage frame = animator->ComposeFrame(k);
            QVERIFY(frame != previous);
            previous = frame;
        }
    }
};

QTEST_MAIN(TestGifAnimator)
#include "test_gifanimator.moc"
