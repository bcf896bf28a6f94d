#include "forms/FormResources.h"

#include "common/Error.h"
#include "picture/TBitmap.h"

#include <QResource>

namespace lumisnap::FormResources {

namespace {

// The bytes where the program keeps them, unpacked.
QByteArray resource(const QString &fileName)
{
    const QResource stored(QStringLiteral(":/forms/") + fileName);
    const QByteArray bytes = stored.isValid() ? stored.uncompressedData() : QByteArray();
    if (bytes.isNull())
        throw EFOpenError(QStringLiteral("Cannot open file %1").arg(stored.fileName()));
    return bytes;
}

// A picture stored as a Windows bitmap.
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

ImageButtonDesign buttonDesign(const QString &name)
{
    return { skinPicture(name), resource(name + QStringLiteral(".rgn")),
        resource(name + QStringLiteral("Down.rgn")) };
}

QByteArray busyIndicator()
{
    return resource(QStringLiteral("BusyIndicator.gif"));
}

} // namespace lumisnap::FormResources
