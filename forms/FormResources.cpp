#include "forms/FormResources.h"

#include "common/Error.h"
#include "picture/TBitmap.h"

#include <QFile>

namespace lumisnap::FormResources {

namespace {

QByteArray resource(const QString &fileName)
{
    QFile file(QStringLiteral(":/forms/") + fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(QStringLiteral("Cannot open file %1").arg(file.fileName()));
    return file.readAll();
}

QImage skinPicture(const QString &name)
{
    const QByteArray bytes = resource(name + QStringLiteral(".bmp"));
    TBitmap bitmap;
    bitmap.loadFromBytes(
        { reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size()) });
    return bitmap.image();
}

} // namespace

SkinDesign skinDesign(const QString &name, TColor transparentColor, int dragTolerance)
{
    SkinDesign design;
    design.picture = skinPicture(name);
    design.regionData = resource(name + QStringLiteral(".rgn"));
    design.transparentColor = transparentColor;
    design.dragTolerance = dragTolerance;
    design.options = ifUseWindowsDrag;
    design.autoSize = true;
    return design;
}

} // namespace lumisnap::FormResources
