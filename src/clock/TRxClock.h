#pragma once

#include "clock/TRxTimer.h"
#include "common/TColor.h"
#include "skin/AccessibleFace.h"
#include "skin/ClickTracker.h"

#include <QRect>
#include <QTime>
#include <QWidget>

#include <functional>
#include <memory>

class QPainter;

namespace lumisnap {

using TRxGetTimeEvent = std::function<void(QObject *Sender, QTime &ATime)>;

// A panel that shows the time of day as digits or as a face with hands, redraws
// itself from its own tick timer and raises OnAlarm once a day at the alarm time.
// Given a focus policy, it shows a focus mark and Space and Enter click it.
class TRxClock : public QWidget, public AccessibleFace
{
    Q_OBJECT
public:
    enum TShowClock { scDigital, scAnalog };
    Q_ENUM(TShowClock)
    enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
    Q_ENUM(TBevelCut)

private:
    Q_PROPERTY(bool AlarmEnabled READ AlarmEnabled WRITE setAlarmEnabled)
    Q_PROPERTY(uchar AlarmHour READ AlarmHour WRITE setAlarmHour)
    Q_PROPERTY(uchar AlarmMinute READ AlarmMinute WRITE setAlarmMinute)
    Q_PROPERTY(uchar AlarmSecond READ AlarmSecond WRITE setAlarmSecond)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE setAutoSize)
    Q_PROPERTY(TBevelCut BevelInner READ BevelInner WRITE setBevelInner)
    Q_PROPERTY(TBevelCut BevelOuter READ BevelOuter WRITE setBevelOuter)
    Q_PROPERTY(uint DotsColor READ DotsColor WRITE setDotsColor)
    Q_PROPERTY(TShowClock ShowMode READ ShowMode WRITE setShowMode)
    Q_PROPERTY(bool ShowSeconds READ ShowSeconds WRITE setShowSeconds)
    Q_PROPERTY(bool TwelveHour READ TwelveHour WRITE setTwelveHour)
    Q_PROPERTY(bool LeadingZero READ LeadingZero WRITE setLeadingZero)
    Q_PROPERTY(int BevelWidth READ BevelWidth WRITE setBevelWidth)
    Q_PROPERTY(int BorderWidth READ BorderWidth WRITE setBorderWidth)
    Q_PROPERTY(uint Color READ Color WRITE setColor)
    Q_PROPERTY(uint FontColor READ FontColor WRITE setFontColor)
    Q_PROPERTY(bool Ctl3D READ Ctl3D WRITE setCtl3D)

public:
    static constexpr quint32 kTickInterval = 450;
    static constexpr TColor clTeal = 0x808000;

    // The digit cells of one time: L cells of equal width, then the day-half suffix.
    struct DigitLayout
    {
        QString digits;
        QString suffix;
        int hourDigits = 0;
        int left = 0;
        int top = 0;
        int cellWidth = 0;
        int height = 0;

        int cells() const { return int(digits.size()); }
        QRect cell(int i) const { return { left + i * cellWidth, top, cellWidth, height }; }
        QRect suffixRect(int right) const;
        bool isMinute(int i) const { return i == hourDigits + 1 || i == hourDigits + 2; }
        bool isSecond(int i) const { return i == hourDigits + 4 || i == hourDigits + 5; }
    };

    explicit TRxClock(QWidget *parent = nullptr);
    ~TRxClock() override;

    // Run once the design has set the properties.
    void Loaded();

    bool AlarmEnabled() const { return FAlarmEnabled; }
    void setAlarmEnabled(bool enabled) { FAlarmEnabled = enabled; }
    // Each write re-arms the alarm; a part out of range raises EConvertError and
    // leaves the alarm as it was.
    uchar AlarmHour() const { return uchar(FAlarmTime.hour()); }
    void setAlarmHour(uchar hour);
    uchar AlarmMinute() const { return uchar(FAlarmTime.minute()); }
    void setAlarmMinute(uchar minute);
    uchar AlarmSecond() const { return uchar(FAlarmTime.second()); }
    void setAlarmSecond(uchar second);

    // Fits the font height to the control; the control's size never changes.
    bool AutoSize() const { return FAutoSize; }
    void setAutoSize(bool autoSize);
    TBevelCut BevelInner() const { return FBevelInner; }
    void setBevelInner(TBevelCut cut);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void setBevelOuter(TBevelCut cut);
    TColor DotsColor() const { return FDotsColor; }
    void setDotsColor(TColor colour);
    TShowClock ShowMode() const { return FShowMode; }
    void setShowMode(TShowClock mode);
    bool ShowSeconds() const { return FShowSeconds; }
    void setShowSeconds(bool show);
    bool TwelveHour() const { return FTwelveHour; }
    void setTwelveHour(bool twelveHour);
    bool LeadingZero() const { return FLeadingZero; }
    void setLeadingZero(bool leadingZero);

    int BevelWidth() const { return FBevelWidth; }
    void setBevelWidth(int width);
    int BorderWidth() const { return FBorderWidth; }
    void setBorderWidth(int width);
    TColor Color() const { return FColor; }
    void setColor(TColor colour);
    TColor FontColor() const { return FFontColor; }
    void setFontColor(TColor colour);
    bool Ctl3D() const { return FCtl3D; }
    void setCtl3D(bool ctl3D);

    // Raised once the tick that found the alarm time has returned, so that a modal
    // message shown by the handler does not stop the ticks.
    TNotifyEvent OnAlarm;
    // Lets the owner replace the time of day the clock uses.
    TRxGetTimeEvent OnGetTime;

    // The time of day, through OnGetTime when assigned.
    virtual QTime TimeOfDay();

    QTime AlarmTime() const { return FAlarmTime; }
    bool AlarmArmed() const { return FAlarmArmed; }
    void RearmAlarm();
    bool AlarmMatches(QTime time) const;
    void TestAlarm();

    // One timer tick: redraws what changed since the last one, then tests the alarm.
    // A wall clock that was set is seen here too, as any other change of the time.
    void Tick();

    void FitFont();

    // The time last drawn, and the digits it was drawn with.
    QTime ShownTime() const { return FShownTime; }
    DigitLayout ShownDigits() const { return LayoutDigits(DigitRect(), FShownTime); }
    // The text of a time as the digital display shows it.
    QString FormatTime(QTime time) const;

    // The analog face in the control as it is now: a physical circle, its radius and
    // centre where the dial runs through the middle of the hour marks.
    struct FaceGeometry
    {
        QRect rect;
        int radius = 0;
        QPoint centre;
        int dotWidth = 2;
        int dotHeight = 1;
    };
    FaceGeometry Face() const;

    TRxTimer *Timer() const { return FTimer.get(); }

    // To assistive tools a label reading the time shown, pressed as it is clicked.
    QAccessible::Role faceRole() const override { return QAccessible::StaticText; }
    QString faceName() const override { return FormatTime(FShownTime); }
    bool facePressable() const override { return true; }
    void facePress() override { emit OnClick(this); }

signals:
    void OnClick(QObject *Sender);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void SetAlarmPart(int part, int value);
    void RaiseAlarm();
    void Realign();
    void Invalidate() { update(); }
    // The border and the bevels that are drawn, on each side.
    int FrameInset() const;

    // Digits.
    QRect DigitRect() const;
    int DisplayHour(int hour) const;
    DigitLayout LayoutDigits(const QRect &bounds, QTime time) const;
    void DrawDigits(const QRect &bounds, QTime now);
    void PaintDigits(QPainter &painter, const QRect &bounds) const;

    // Face.
    void PaintFace(QPainter &painter) const;
    void DrawFace(QPainter &painter, const FaceGeometry &face, const QColor &pen) const;
    void DrawHand(QPainter &painter, const FaceGeometry &face, int step, bool hourHand,
        const QColor &pen) const;
    void DrawSweepHand(QPainter &painter, const FaceGeometry &face, int second) const;
    void UpdateFace(QTime now);

    void Paint(QPainter &painter);

    bool FAlarmEnabled = false;
    QTime FAlarmTime = QTime(0, 0);
    bool FAlarmArmed = true;
    bool FAutoSize = false;
    TBevelCut FBevelInner = bvLowered;
    TBevelCut FBevelOuter = bvRaised;
    TColor FDotsColor = clTeal;
    TShowClock FShowMode = scDigital;
    bool FShowSeconds = true;
    bool FTwelveHour = false;
    bool FLeadingZero = true;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    TColor FColor = clBtnFace;
    TColor FFontColor = clBlack;
    bool FCtl3D = true;

    QTime FShownTime;
    bool FFitting = false;
    ClickTracker FClick;
    std::unique_ptr<TRxTimer> FTimer;
};

} // namespace lumisnap
