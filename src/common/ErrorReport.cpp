#include "common/ErrorReport.h"

#include "common/Error.h"

#include <QtGlobal>

#include <exception>

namespace lumisnap {

namespace {

void logReport(const QString &text)
{
    qWarning("%s", qPrintable(text));
}

ErrorReporter &currentReporter()
{
    static ErrorReporter reporter = logReport;
    return reporter;
}

} // namespace

void setErrorReporter(ErrorReporter reporter)
{
    currentReporter() = reporter ? std::move(reporter) : ErrorReporter(logReport);
}

QString errorReportText(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void reportError(const QString &message)
{
    currentReporter()(errorReportText(message));
}

void reportCurrentException() noexcept
{
    QString message;
    try {
        throw;
    } catch (const EAbort &) {
        return;
    } catch (const Error &error) {
        message = error.message();
    } catch (const std::exception &error) {
        message = QString::fromUtf8(error.what());
    } catch (...) {
        message = QStringLiteral("Unknown error");
    }
    try {
        reportError(message);
    } catch (...) {
        logReport(errorReportText(message)); // a reporter that fails must not end the process
    }
}

} // namespace lumisnap
