#include "app/Application.h"

#include "common/Error.h"

#include <QFont>
#include <QMessageBox>

namespace lumisnap {

namespace {

void showErrorBox(const QString &text)
{
    QMessageBox box(QMessageBox::Critical, Application::Title, text, QMessageBox::Ok);
    box.exec();
}

Application::ErrorReporter &currentReporter()
{
    static Application::ErrorReporter reporter = showErrorBox;
    return reporter;
}

} // namespace

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("lumisnap"));
    setApplicationDisplayName(Title);
    installFontSubstitutions();
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    // The handler's remaining steps are skipped; what it did before stays done.
    try {
        return QApplication::notify(receiver, event);
    } catch (const EAbort &) {
    } catch (const Error &error) {
        reportError(error.message());
    } catch (const std::exception &error) {
        reportError(QString::fromUtf8(error.what()));
    }
    return false;
}

QString Application::errorReportText(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void Application::setErrorReporter(ErrorReporter reporter)
{
    currentReporter() = reporter ? std::move(reporter) : ErrorReporter(showErrorBox);
}

void Application::reportError(const QString &message)
{
    currentReporter()(errorReportText(message));
}

void Application::installFontSubstitutions()
{
    QFont::insertSubstitution(QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
}

} // namespace lumisnap
