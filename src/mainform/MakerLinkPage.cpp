#include "mainform/MakerLinkPage.h"

#include "common/DesktopId.h"
#include "common/Error.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace lumisnap::MakerLinkPage {

namespace {

bool isInstalled(const QString &programFolder)
{
    return QFileInfo::exists(programFolder + QStringLiteral("/../share/applications/") + DesktopId
        + QStringLiteral(".desktop"));
}

} // namespace

QString folderFor(const QString &programFolder)
{
    if (QFileInfo(programFolder).isWritable() && !isInstalled(programFolder))
        return programFolder;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
        + QStringLiteral("/lumisnap");
    // A failure shows when the page cannot be created there.
    QDir().mkpath(cache);
    return cache;
}

QStringList lines()
{
    return {
        QStringLiteral("<HTML>"),
        QStringLiteral("<META HTTP-EQUIV=\"refresh\" content=\"1; URL=%1\">").arg(MakerAddress),
        QStringLiteral("</HTML>"),
    };
}

void write(const QString &path, const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toUtf8() + "\r\n";
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw EFCreateError(QStringLiteral("Cannot create file %1").arg(path));
}

} // namespace lumisnap::MakerLinkPage
