#include "app/Application.h"

#include "common/Error.h"
#include "common/ErrorReport.h"

#include <QFont>
#include <QMessageBox>

namespace lumisnap {

namespace {

void showErrorBox(const QString &text)
{
    QMessageBox box(QMessageBox::Critical, Application::Title, text, QMessageBox::Ok);
    box.exec();
}

} // namespace

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("lumisnap"));
    setApplicationDisplayName(Title);
    installFontSubstitutions();
    setErrorReporter(nullptr);
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    // The handler's remaining steps are skipped; what it did before stays done.
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportCurrentException();
    }
    return false;
}

QString Application::errorReportText(const QString &message)
{
    return lumisnap::errorReportText(message);
}

void Application::setErrorReporter(ErrorReporter reporter)
{
    lumisnap::setErrorReporter(reporter ? std::move(reporter) : ErrorReporter(showErrorBox));
}

void Application::reportError(const QString &message)
{
    lumisnap::reportError(message);
}

void Application::installFontSubstitutions()
{
    QFont::insertSubstitution(QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
}

} // namespace lumisnap
