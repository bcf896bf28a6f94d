#include "mainform/MakerLinkPage.h"

#include "common/Error.h"

#include <QSaveFile>

namespace lumisnap::MakerLinkPage {

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
