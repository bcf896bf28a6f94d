#pragma once

#include "skin/ClickTracker.h"

#include <QWidget>

#include <atomic>
#include <mutex>

namespace lumisnap {

// A control without a window of its own that shows a picture. One lock per control
// guards what its timer thread and the user-interface thread share. Widgets are
// painted only on the user-interface thread: a paint asked for on another thread is
// handed over to it.
class TRxImageControl : public QWidget
{
    Q_OBJECT
public:
    enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
    Q_ENUM(TAlign)

    static constexpr int DefaultSize = 105;

    explicit TRxImageControl(QWidget *parent = nullptr);
    ~TRxImageControl() override;

    // Where the control sits in its parent; the parent lays out a client-aligned one.
    TAlign Align() const { return FAlign; }
    void setAlign(TAlign align);

    std::recursive_mutex &Lock() const { return FLock; }
    // True while a tick paints the control.
    bool Painting() const { return FPainting; }

    // Repaints at once on the user-interface thread; from another thread, asks the
    // user-interface thread to repaint as soon as it can.
    void PaintNow();

signals:
    void OnClick(QObject *Sender);
    void OnDblClick(QObject *Sender);

protected:
    // Draws the control; runs under the lock.
    virtual void Paint(QPainter &painter) = 0;
    // Runs on the user-interface thread when the control is shown, hidden or moved
    // to another parent.
    virtual void ShowingChanged() { }

    // Shown on screen and placed in a parent, as last seen on the user-interface thread.
    bool Showing() const { return FShowing; }
    void setPainting(bool painting) { FPainting = painting; }

    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool event(QEvent *event) override;

private:
    void UpdateShowing();

    mutable std::recursive_mutex FLock;
    std::atomic<bool> FPainting = false;
    std::atomic<bool> FShowing = false;
    std::atomic<bool> FRepaintAsked = false;
    TAlign FAlign = alNone;
    ClickTracker FClick;
};

} // namespace lumisnap
