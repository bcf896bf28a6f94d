#include "picture/TRxGIFAnimator.h"

#include "common/ErrorReport.h"
#include "picture/PlacedRect.h"

#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QScopeGuard>
#include <QThread>

#include <algorithm>
#include <exception>
#include <utility>

namespace lumisnap {

TRxGIFAnimator::TRxGIFAnimator(QWidget *parent)
    : TRxImageControl(parent)
    , FTimer(std::make_unique<TRxTimer>())
    , FWindowColor(palette().color(QPalette::Base).rgb())
{
    // Nothing to play yet: the timer thread stays asleep.
    FTimer->setInterval(0);
    FImage.setOnChange([this] { PictureReset(); });
}

TRxGIFAnimator::~TRxGIFAnimator()
{
    OnChange = nullptr;
    OnFrameChanged = nullptr;
    OnStart = nullptr;
    OnStop = nullptr;
    {
        // A tick on the timer thread finishes with the timer before this goes on, and
        // a later one leaves it alone.
        std::lock_guard lock(Lock());
        FDestroying = true;
    }
    // Waits for the timer thread to end; no tick is delivered after this.
    FTimer.reset();
    FImage.setOnChange({});
}

void TRxGIFAnimator::setAsyncDrawing(bool async)
{
    if (FAsyncDrawing == async)
        return;
    std::lock_guard lock(Lock());
    FAsyncDrawing = async;
    FTimer->setSyncEvent(!async);
}

void TRxGIFAnimator::setAnimate(bool animate)
{
    if (FAnimate == animate)
        return;
    if (animate) {
        {
            std::lock_guard lock(Lock());
            FTimer->setOnTimer([this](QObject *) { NextFrame(); });
            FAnimate = true;
            UpdateTiming();
        }
        Raise(OnStart);
        return;
    }
    {
        std::lock_guard lock(Lock());
        FAnimate = false;
        FSinglePlayEnded = false;
        UpdateTiming();
        FTimer->setOnTimer(nullptr);
    }
    Raise(OnStop);
    RefreshView();
}

void TRxGIFAnimator::setAutoSize(bool autoSize)
{
    if (FAutoSize == autoSize)
        return;
    FAutoSize = autoSize;
    RefreshView();
}

void TRxGIFAnimator::setCenter(bool center)
{
    if (FCenter == center)
        return;
    {
        std::lock_guard lock(Lock());
        FCenter = center;
    }
    RefreshView();
    if (FAnimate)
        PaintNow();
}

void TRxGIFAnimator::setStretch(bool stretch)
{
    if (FStretch == stretch)
        return;
    {
        std::lock_guard lock(Lock());
        FStretch = stretch;
    }
    RefreshView();
    if (FAnimate)
        PaintNow();
}

void TRxGIFAnimator::setTransparent(bool transparent)
{
    if (FTransparent == transparent)
        return;
    {
        std::lock_guard lock(Lock());
        FTransparent = transparent;
    }
    RefreshView();
    if (FAnimate)
        PaintNow();
}

int TRxGIFAnimator::FrameIndex() const
{
    std::lock_guard lock(Lock());
    return FFrameIndex;
}

void TRxGIFAnimator::setFrameIndex(int index)
{
    {
        std::lock_guard lock(Lock());
        if (index == FFrameIndex || index < 0 || index >= FImage.frameCount())
            return;
        FFrameIndex = index;
        UpdateTiming();
    }
    Raise(OnFrameChanged);
    RefreshView();
}

void TRxGIFAnimator::setLoop(bool loop)
{
    FLoop = loop;
}

void TRxGIFAnimator::setImage(const TGIFImage &image)
{
    {
        std::lock_guard lock(Lock());
        FImage.assign(image);
    }
    PictureChanged();
}

void TRxGIFAnimator::LoadFromBytes(std::span<const std::uint8_t> bytes)
{
    std::exception_ptr failure;
    {
        std::lock_guard lock(Lock());
        try {
            FImage.loadFromBytes(bytes);
        } catch (...) {
            // What the failed read left must not be shown as the old picture.
            PictureReset();
            failure = std::current_exception();
        }
    }
    PictureChanged();
    if (failure)
        std::rethrow_exception(failure);
}

int TRxGIFAnimator::FrameCount() const
{
    std::lock_guard lock(Lock());
    return FImage.frameCount();
}

int TRxGIFAnimator::FrameDelay() const
{
    std::lock_guard lock(Lock());
    if (FFrameIndex < 0 || FFrameIndex >= FImage.frameCount() || FImage.frameCount() < 2)
        return 0;
    return std::clamp(FImage.frame(FFrameIndex).DelayMs, MinFrameDelay, MaxFrameDelay);
}

void TRxGIFAnimator::NextFrame()
{
    if (!Showing())
        return;
    bool stop = false;
    {
        std::lock_guard lock(Lock());
        const int count = FImage.frameCount();
        // A tick that waited for the lock while the animation was stopped stays undone.
        if (FDestroying || !FAnimate || FSinglePlayEnded || count < 2 || FComposeFailed)
            return;
        FFrameIndex = FFrameIndex + 1 < count ? FFrameIndex + 1 : 0;
        setPainting(true);
        const auto painted = qScopeGuard([this] { setPainting(false); });
        // Composed here, on the timer thread with AsyncDrawing; the user-interface
        // thread then only draws the finished bitmap.
        try {
            Composed(FFrameIndex);
        } catch (...) {
            FComposeFailed = true; // reported once, not at every tick
            throw;
        }
        PaintNow();
        FTimer->setInterval(quint32(FrameDelay()));
        stop = !FLoop && FFrameIndex == 0;
        // Later ticks wait for the stop, which the user-interface thread may take a while to make.
        FSinglePlayEnded = stop;
    }
    // The handler may destroy the control.
    const QPointer<TRxGIFAnimator> alive(this);
    RaiseOnUserThread(&TRxGIFAnimator::OnFrameChanged);
    if (stop && alive)
        StopAfterSinglePlay();
}

QImage TRxGIFAnimator::ComposeFrame(int k)
{
    std::lock_guard lock(Lock());
    return Composed(k);
}

int TRxGIFAnimator::ComposedIndex() const
{
    std::lock_guard lock(Lock());
    return FComposer.composedIndex();
}

TColor TRxGIFAnimator::ComposedKey() const
{
    std::lock_guard lock(Lock());
    return FComposer.composedKey();
}

const QImage &TRxGIFAnimator::Composed(int k)
{
    return FComposer.compose(FImage, k, FWindowColor);
}

void TRxGIFAnimator::Paint(QPainter &painter)
{
    const bool empty = FImage.empty();
    // A transparent or empty picture lets the parent and the controls behind show.
    if (!empty && !FImage.isTransparent())
        painter.fillRect(rect(), palette().color(QPalette::Window));
    if (empty || FImage.LogicalWidth() < 1 || FImage.LogicalHeight() < 1 || FComposeFailed)
        return;
    try {
        Composed(FFrameIndex);
    } catch (...) {
        FComposeFailed = true;
        throw;
    }
    const bool keyed = FComposer.composedKey() != clNone && FTransparent;
    const QImage &bitmap = keyed ? FComposer.maskedBitmap() : FComposer.bitmap();
    painter.drawImage(placedRect(size(), bitmap.size(), FCenter, FStretch), bitmap);
}

void TRxGIFAnimator::ShowingChanged()
{
    std::lock_guard lock(Lock());
    UpdateTiming();
}

void TRxGIFAnimator::changeEvent(QEvent *event)
{
    TRxImageControl::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        std::lock_guard lock(Lock());
        FWindowColor = palette().color(QPalette::Base).rgb();
        FComposer.reset();
    }
}

// The owned picture changed, under the lock: start again from its current frame.
void TRxGIFAnimator::PictureReset()
{
    std::lock_guard lock(Lock());
    FComposer.reset();
    FComposeFailed = false;
    FFrameIndex = FImage.currentFrame();
    UpdateTiming();
    FPictureChanged = true;
}

// Once the lock is released: the handler may destroy the control, and a tick on the
// timer thread may be waiting for the lock.
void TRxGIFAnimator::PictureChanged()
{
    {
        std::lock_guard lock(Lock());
        if (!std::exchange(FPictureChanged, false))
            return;
    }
    RefreshView();
    Raise(OnChange);
}

void TRxGIFAnimator::RefreshView()
{
    AdjustSize();
    if (!Painting())
        update();
}

void TRxGIFAnimator::AdjustSize()
{
    if (!FAutoSize)
        return;
    QSize screen;
    {
        std::lock_guard lock(Lock());
        if (FImage.empty())
            return;
        screen = QSize(FImage.LogicalWidth(), FImage.LogicalHeight());
    }
    if (screen.isEmpty())
        return;
    QSize next = size();
    if (Align() == alNone || Align() == alLeft || Align() == alRight)
        next.setWidth(screen.width());
    if (Align() == alNone || Align() == alTop || Align() == alBottom)
        next.setHeight(screen.height());
    resize(next);
}

// Ticks come only while playing a picture of two frames or more on screen: a hidden
// control does not wake the process at every frame delay.
void TRxGIFAnimator::UpdateTiming()
{
    if (!FTimer)
        return;
    FTimer->setInterval(quint32(FrameDelay()));
    FTimer->setEnabled(FAnimate && Showing());
}

void TRxGIFAnimator::Raise(const TNotifyEvent &event)
{
    // A copy: the handler may assign another one.
    if (const TNotifyEvent handler = event)
        handler(this);
}

void TRxGIFAnimator::RaiseOnUserThread(TNotifyEvent TRxGIFAnimator::*event)
{
    if (QThread::currentThread() == thread()) {
        Raise(this->*event);
        return;
    }
    // Never waits for the user-interface thread, which may be waiting for this one.
    QMetaObject::invokeMethod(
        this, [this, event] { runHandler([this, event] { Raise(this->*event); }); },
        Qt::QueuedConnection);
}

void TRxGIFAnimator::StopAfterSinglePlay()
{
    if (QThread::currentThread() == thread()) {
        setAnimate(false);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this] { runHandler([this] { setAnimate(false); }); }, Qt::QueuedConnection);
}

} // namespace lumisnap
