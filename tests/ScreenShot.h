#pragma once

#include <QColor>
#include <QDir>
#include <QImage>
#include <QString>

#include <cstdlib>

namespace lumisnap::test {

// Keeps a screen test's screenshot for a reader, in LUMISNAP_TEST_OUTPUT or the temporary
// folder, as `name`.png; returns it for the test to look at.
inline QImage keepScreenshot(const QImage &shot, const QString &name)
{
    const QString folder = qEnvironmentVariable("LUMISNAP_TEST_OUTPUT", QDir::tempPath());
    QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    shot.save(path);
    qInfo("screenshot: %s", qPrintable(path));
    return shot;
}

// Colours equal but for what a screen's rounding may change.
inline bool near(QColor a, QColor b, int tolerance = 12)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

} // namespace lumisnap::test
