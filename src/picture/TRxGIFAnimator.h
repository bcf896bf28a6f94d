#pragma once

#include "clock/TRxTimer.h"
#include "picture/GifFrameComposer.h"
#include "picture/TGIFImage.h"
#include "picture/TRxImageControl.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>

namespace lumisnap {

// Shows a GIF picture and plays its frames: a tick timer steps the frame index, each
// frame is composed on a bitmap of the logical screen with the disposal rules, and the
// result is drawn plain, centred or stretched. With AsyncDrawing the ticks compose on
// the timer thread and the user-interface thread only draws the finished frame.
class TRxGIFAnimator : public TRxImageControl
{
    Q_OBJECT
    Q_PROPERTY(bool AsyncDrawing READ AsyncDrawing WRITE setAsyncDrawing)
    Q_PROPERTY(bool Animate READ Animate WRITE setAnimate)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE setAutoSize)
    Q_PROPERTY(bool Center READ Center WRITE setCenter)
    Q_PROPERTY(int FrameIndex READ FrameIndex WRITE setFrameIndex)
    Q_PROPERTY(bool Loop READ Loop WRITE setLoop)
    Q_PROPERTY(bool Stretch READ Stretch WRITE setStretch)
    Q_PROPERTY(bool Transparent READ Transparent WRITE setTransparent)
public:
    // Frame delays are played within these bounds; 0 stops the timer.
    static constexpr int MinFrameDelay = 50;
    static constexpr int MaxFrameDelay = 10000;

    explicit TRxGIFAnimator(QWidget *parent = nullptr);
    ~TRxGIFAnimator() override;

    bool AsyncDrawing() const { return FAsyncDrawing; }
    void setAsyncDrawing(bool async);
    bool Animate() const { return FAnimate; }
    void setAnimate(bool animate);
    bool AutoSize() const { return FAutoSize; }
    void setAutoSize(bool autoSize);
    bool Center() const { return FCenter; }
    void setCenter(bool center);
    // -1 while the picture is empty. Writes outside the frames are ignored.
    int FrameIndex() const;
    void setFrameIndex(int index);
    bool Loop() const { return FLoop; }
    void setLoop(bool loop);
    bool Stretch() const { return FStretch; }
    void setStretch(bool stretch);
    bool Transparent() const { return FTransparent; }
    void setTransparent(bool transparent);

    // The picture: a write copies the given one (frames shared) into the owned one.
    void setImage(const TGIFImage &image);
    // Reads a GIF stream into the owned picture; on failure raises the decoder's
    // error and the control shows nothing.
    void LoadFromBytes(std::span<const std::uint8_t> bytes);
    // Runs f with the owned picture, under the lock.
    template <typename F> auto WithImage(F &&f) const
    {
        std::lock_guard lock(Lock());
        return f(static_cast<const TGIFImage &>(FImage));
    }
    int FrameCount() const;

    // The delay of the shown frame within the bounds above, or 0 (no ticks) for a
    // picture of fewer than two frames.
    int FrameDelay() const;
    // One tick: the next frame, back to the first after the last.
    void NextFrame();
    // Frame k composed on the logical screen (the cache when it already shows k).
    QImage ComposeFrame(int k);
    int ComposedIndex() const;
    TColor ComposedKey() const;

    TRxTimer &Timer() const { return *FTimer; }

    TNotifyEvent OnChange;
    TNotifyEvent OnFrameChanged;
    TNotifyEvent OnStart;
    TNotifyEvent OnStop;

protected:
    void Paint(QPainter &painter) override;
    void ShowingChanged() override;
    void changeEvent(QEvent *event) override;

private:
    void PictureReset();
    void PictureChanged();
    void RefreshView();
    void AdjustSize();
    void UpdateTiming();
    const QImage &Composed(int k);
    void Raise(const TNotifyEvent &event);
    void RaiseOnUserThread(TNotifyEvent TRxGIFAnimator::*event);
    void StopAfterSinglePlay();

    std::unique_ptr<TRxTimer> FTimer;
    TGIFImage FImage;
    GifFrameComposer FComposer;
    std::atomic<bool> FAsyncDrawing = false;
    std::atomic<bool> FAnimate = false;
    bool FAutoSize = true;
    bool FCenter = false;
    int FFrameIndex = -1;
    std::atomic<bool> FLoop = true;
    bool FStretch = false;
    bool FTransparent = true;
    bool FComposeFailed = false;
    bool FPictureChanged = false;
    bool FSinglePlayEnded = false;
    bool FDestroying = false;
    QRgb FWindowColor = 0;
};

} // namespace lumisnap
