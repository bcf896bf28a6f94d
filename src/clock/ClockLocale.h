#pragma once

#include <QChar>
#include <QString>
#include <QTime>

namespace lumisnap::ClockLocale {

// The time texts of the user's locale, read afresh on every call so that a locale
// change shows at the next paint.

// The character between hours, minutes and seconds (":" when the locale has none).
QChar TimeSeparator();

// The morning and afternoon designators; "am" and "pm" when the locale has none.
QString TimeAMString();
QString TimePMString();

// The locale's long time format without its time zone, which the clock's texts
// never show.
QString LongTimeFormat();
QString FormatLongTime(QTime time);

} // namespace lumisnap::ClockLocale
