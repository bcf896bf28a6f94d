#include "app/Application.h"

#include "common/DesktopId.h"
#include "common/Error.h"
#include "common/ErrorReport.h"

#include <QFont>
#include <QIcon>
#include <QMessageBox>

namespace lumisnap {

namespace {

// The sizes the icon is drawn in, each installed in the hicolor theme too.
constexpr int IconSizes[] = { 48, 128, 256 };

// Long runs without a space (paths, long file names) get break chances, or the box clips them.
QString breakableText(const QString &text)
{
    constexpr int Run = 32;
    QString out;
    int run = 0;
    for (const QChar c : text) {
        if (c.isSpace())
            run = 0;
        else if (++run > Run && !c.isLowSurrogate()) {
            out += QChar(0x200B); // zero-width space
            run = 1;
        }
        out += c;
    }
    return out;
}

void showErrorBox(const QString &text)
{
    QMessageBox box(
        QMessageBox::Critical, Application::Title, breakableText(text), QMessageBox::Ok);
    box.exec();
}

} // namespace

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("lumisnap"));
    setApplicationDisplayName(Title);
    // The desktop finds the entry, and with it the icon, by this name (on Wayland the
    // application id, on X11 a window property).
    setDesktopFileName(DesktopId);
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

QIcon Application::programIcon()
{
    QIcon icon;
    for (const int size : IconSizes)
        icon.addFile(QStringLiteral(":/icons/lumisnap-%1.png").arg(size), QSize(size, size));
    return icon;
}

void Application::installFontSubstitutions()
{
    QFont::insertSubstitution(QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
}

} // namespace lumisnap
