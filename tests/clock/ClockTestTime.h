#pragma once

// A time of day that a test sets by hand, handed to a clock through OnGetTime.

#include "clock/TRxClock.h"

#include <QTime>

struct FakeTime
{
    QTime now { 11, 0 };
    int reads = 0;

    void attach(lumisnap::TRxClock &clock)
    {
        clock.OnGetTime = [this](QObject *, QTime &time) {
            time = now;
            ++reads;
        };
    }

    // "12:08:59.800" or "12:09:00".
    void set(const QString &text) { now = QTime::fromString(text, Qt::ISODateWithMs); }
};
