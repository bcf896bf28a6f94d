#include "common/ErrorReport.h"

#include "common/Error.h"

#include <QCoreApplication>
#include <QtGlobal>

#include <exception>
#include <optional>

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

namespace {

// The message of the exception being handled; none for a silent abort.
std::optional<QString> currentMessage() noexcept
{
    try {
        throw;
    } catch (const EAbort &) {
        return std::nullopt;
    } catch (const Error &error) {
        return error.message();
    } catch (const std::exception &error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

void reportSafely(const QString &message) noexcept
{
    try {
        reportError(message);
    } catch (...) {
        logReport(errorReportText(message)); // a reporter that fails must not end the process
    }
}

} // namespace

void reportCurrentException() noexcept
{
    if (const std::optional<QString> message = currentMessage())
        reportSafely(*message);
}

void reportCurrentExceptionLater() noexcept
{
    const std::optional<QString> message = currentMessage();
    if (!message)
        return;
    try {
        QCoreApplication *app = QCoreApplication::instance();
        if (app
            && QMetaObject::invokeMethod(
                app, [text = *message] { reportSafely(text); }, Qt::QueuedConnection))
            return;
    } catch (...) {
    }
    reportSafely(*message);
}

} // namespace lumisnap
