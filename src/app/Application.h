#pragma once

#include "common/ErrorReport.h"

#include <QApplication>
#include <QIcon>

namespace lumisnap {

// The application object: names the program, substitutes the fonts the design data
// asks for, and reports every error that leaves an event handler.
class Application : public QApplication
{
    Q_OBJECT
public:
    static inline const QString Title = QStringLiteral("Lumisnap");

    Application(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // The text shown for an error message: a full stop is appended when the last
    // character sorts after ".".
    static QString errorReportText(const QString &message);

    // How reports reach the user (a message box unless replaced); tests replace it
    // to see what would be shown.
    using ErrorReporter = lumisnap::ErrorReporter;
    static void setErrorReporter(ErrorReporter reporter);
    static void reportError(const QString &message);

    static void installFontSubstitutions();
    // The windows' icon, from the files the desktop entry's icon is installed from.
    // Start-up sets it once the splash is up: decoding it would delay the splash.
    static QIcon programIcon();
};

} // namespace lumisnap
