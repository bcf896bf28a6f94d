#include "common/Convert.h"

#include "common/Error.h"

#include <limits>

namespace lumisnap {

int StrToInt(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    const bool negative = i < text.size() && text.at(i) == QLatin1Char('-');
    if (i < text.size() && (negative || text.at(i) == QLatin1Char('+')))
        ++i;
    const qsizetype firstDigit = i;
    long long value = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        value = value * 10 + (c.unicode() - '0');
        if (value > std::numeric_limits<int>::max() + 1LL)
            break;
    }
    const long long limit = std::numeric_limits<int>::max() + (negative ? 1LL : 0LL);
    if (i == firstDigit || i != text.size() || value > limit)
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return int(negative ? -value : value);
}

} // namespace lumisnap
