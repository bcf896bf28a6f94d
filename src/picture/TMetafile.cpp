#include "picture/TMetafile.h"

#include "common/Error.h"

namespace lumisnap {

void TMetafile::loadFromBytes(std::span<const std::uint8_t>)
{
    throw EInvalidGraphic(QStringLiteral("Metafiles are not supported"));
}

void TMetafile::draw(QPainter &, const QRect &)
{
}

} // namespace lumisnap
