#include "clock/ClockLocale.h"

#include <QLocale>

namespace lumisnap::ClockLocale {

namespace {

constexpr QChar DefaultSeparator(u':');
constexpr QChar Quote(u'\'');

bool isHourLetter(QChar c)
{
    return c == u'h' || c == u'H';
}

QString orDefault(const QString &text, const char *fallback)
{
    return text.isEmpty() ? QString::fromLatin1(fallback) : text;
}

} // namespace

QChar TimeSeparator()
{
    // The first character after the hour field that is neither a letter nor a quote.
    const QString format = QLocale::system().timeFormat(QLocale::ShortFormat);
    bool afterHour = false;
    for (const QChar c : format) {
        if (isHourLetter(c))
            afterHour = true;
        else if (afterHour && !c.isLetter() && c != Quote && !c.isSpace())
            return c;
        else if (afterHour)
            break;
    }
    return DefaultSeparator;
}

QString TimeAMString()
{
    return orDefault(QLocale::system().amText(), "am");
}

QString TimePMString()
{
    return orDefault(QLocale::system().pmText(), "pm");
}

QString LongTimeFormat()
{
    const QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    QString kept;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == Quote)
            quoted = !quoted;
        if (quoted || c != u't')
            kept += c;
    }
    return kept.simplified();
}

QString FormatLongTime(QTime time)
{
    return QLocale::system().toString(time, LongTimeFormat());
}

} // namespace lumisnap::ClockLocale
