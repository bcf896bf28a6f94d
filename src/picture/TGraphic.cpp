#include "picture/TGraphic.h"

#include "common/Error.h"

#include <QFile>

namespace lumisnap {

namespace {

// Larger files are refused before anything is read into memory.
constexpr qint64 MaxPictureFileBytes = qint64(1) << 30;

} // namespace

QByteArray TGraphic::readRest(QFile &file)
{
    if (file.size() - file.pos() > MaxPictureFileBytes)
        throw EOutOfResources(QStringLiteral("The file is too large to show (more than 1 GB)"));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EReadError(streamReadErrorText());
    return bytes;
}

void TGraphic::loadFromFile(QFile &file)
{
    const QByteArray bytes = readRest(file);
    loadFromBytes(
        { reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size()) });
}

} // namespace lumisnap
