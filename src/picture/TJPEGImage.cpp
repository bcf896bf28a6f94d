#include "picture/TJPEGImage.h"

#include "common/Error.h"
#include "picture/ExifOrientation.h"
#include "picture/JpegCodec.h"
#include "picture/JpegDecodeCache.h"

#include <QFile>
#include <QPaintDevice>
#include <QPainter>
#include <QtMath>

#include <cstring>

namespace lumisnap {

namespace {

[[noreturn]] void throwJpegError(int code)
{
    throw EJPEG(QStringLiteral("JPEG error #%1").arg(code));
}

QVector<QRgb> colorTable(const std::uint8_t *const *colormap, int components, int colors)
{
    QVector<QRgb> table;
    table.reserve(colors);
    for (int i = 0; i < colors; ++i) {
        if (components == 1)
            table.append(qRgb(colormap[0][i], colormap[0][i], colormap[0][i]));
        else
            table.append(qRgb(colormap[0][i], colormap[1][i], colormap[2][i]));
    }
    return table;
}

} // namespace

TJPEGImage::~TJPEGImage() = default;

int TJPEGImage::width() const
{
    return m_data->width;
}

int TJPEGImage::height() const
{
    return m_data->height;
}

bool TJPEGImage::empty() const
{
    return m_data->bytes.isEmpty();
}

void TJPEGImage::loadFromBytes(std::span<const std::uint8_t> bytes)
{
    auto data = std::make_shared<CompressedData>();
    data->bytes = QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
    bool progressive = false;
    if (!bytes.empty()) {
        jpeg::HeaderInfo info;
        const int code = jpeg::readHeader(bytes.data(), bytes.size(), info);
        if (code != jpeg::NoError)
            throwJpegError(code);
        data->orientation = ExifOrientation::read(bytes);
        const bool swap = ExifOrientation::swapsSides(data->orientation);
        data->width = swap ? info.height : info.width;
        data->height = swap ? info.width : info.height;
        data->grayscale = info.grayscale;
        progressive = info.progressive;
    }
    m_data = std::move(data);
    m_bitmap.reset();
    m_scaleDenom = 0;
    m_errorRaised = false;
    m_identity.reset();
    m_progressive = progressive;
    changed();
}

void TJPEGImage::loadFromFile(QFile &file)
{
    std::optional<FileIdentity> identity = FileIdentity::of(file);
    TGraphic::loadFromFile(file);
    m_identity = std::move(identity);
}

TBitmap &TJPEGImage::bitmap()
{
    if (!m_bitmap || m_scaleDenom != 1)
        decode(1);
    return *m_bitmap;
}

void TJPEGImage::draw(QPainter &painter, const QRect &rect)
{
    const int denom = scaleFor(painter, rect);
    if (!m_bitmap || m_scaleDenom > denom)
        decode(denom);
    m_bitmap->draw(painter, rect);
}

QSize TJPEGImage::decodedSize() const
{
    return m_bitmap ? m_bitmap->image().size() : QSize();
}

// The smallest of libjpeg's scales whose output still covers what is drawn;
// 1 for quantised pictures, whose colours would change with the scale.
int TJPEGImage::scaleFor(const QPainter &painter, const QRect &rect) const
{
    if (m_pixelFormat != PixelFormat::Bit24 || m_grayscale || m_data->grayscale
        || m_data->width <= 0 || m_data->height <= 0)
        return 1;
    const QPaintDevice *device = painter.device();
    const QSizeF drawn = painter.transform().mapRect(QRectF(rect)).size()
        * (device ? device->devicePixelRatioF() : 1.0);
    for (int denom : { 8, 4, 2 }) {
        const int w = (m_data->width + denom - 1) / denom;
        const int h = (m_data->height + denom - 1) / denom;
        if (w >= qCeil(drawn.width()) && h >= qCeil(drawn.height()))
            return denom;
    }
    return 1;
}

QVector<QRgb> TJPEGImage::palette() const
{
    return m_bitmap ? m_bitmap->palette() : QVector<QRgb>();
}

bool TJPEGImage::allocateRows(void *context, int width, int height, int components,
    const std::uint8_t *const *colormap, int colors, std::uint8_t **rows,
    std::ptrdiff_t *stride) noexcept
{
    auto *bitmap = static_cast<TBitmap *>(context);
    try {
        const bool indexed = colormap != nullptr;
        QImage image(width, height, indexed ? QImage::Format_Indexed8 : QImage::Format_RGB888);
        if (image.isNull())
            return false;
        if (indexed)
            image.setColorTable(colorTable(colormap, components, colors));
        bitmap->setImage(std::move(image));
        QImage &target = bitmap->mutableImage();
        *rows = target.bits();
        *stride = target.bytesPerLine();
        return true;
    } catch (...) {
        return false;
    }
}

bool TJPEGImage::cacheable() const
{
    return m_identity && m_pixelFormat == PixelFormat::Bit24 && !m_grayscale && m_smoothing
        && m_performance == Performance::BestQuality && !m_data->grayscale;
}

void TJPEGImage::decode(int scaleDenom)
{
    // A whole picture decoded before (perhaps ahead) serves any scale.
    if (cacheable()) {
        if (const auto held = JpegDecodeCache::instance().find(*m_identity)) {
            m_bitmap = std::make_unique<TBitmap>(held->image);
            m_scaleDenom = 1;
            raiseOnce(held->error);
            return;
        }
    }
    const int code = decodeRows(scaleDenom);
    if (code == jpeg::Stopped) {
        m_bitmap.reset();
        m_scaleDenom = 0;
        throw EAbort();
    }
    if (scaleDenom == 1 && cacheable())
        JpegDecodeCache::instance().insert(*m_identity, { m_bitmap->image(), code });
    raiseOnce(code);
    if (!m_bitmap->palette().isEmpty())
        changed();
}

// A decoding error is raised by the first decode that meets it only.
void TJPEGImage::raiseOnce(int code)
{
    if (code == jpeg::NoError || m_errorRaised)
        return;
    m_errorRaised = true;
    throwJpegError(code);
}

int TJPEGImage::decodeRows(int scaleDenom)
{
    m_bitmap = std::make_unique<TBitmap>();
    m_scaleDenom = scaleDenom;
    jpeg::Settings settings;
    settings.grayscale = m_grayscale;
    settings.eightBit = m_pixelFormat == PixelFormat::Bit8;
    settings.smoothing = m_smoothing;
    settings.fastest = m_performance == Performance::BestSpeed;
    settings.scaleDenom = scaleDenom;
    jpeg::Target target;
    target.context = m_bitmap.get();
    target.allocate = allocateRows;
    target.stop = m_stop;
    const int code = jpeg::decode(reinterpret_cast<const std::uint8_t *>(m_data->bytes.constData()),
        std::size_t(m_data->bytes.size()), settings, target);
    if (code != jpeg::NoError && code != jpeg::Stopped) {
        QImage &image = m_bitmap->mutableImage();
        // Rows the decoder never reached show as mid grey rather than stale memory.
        for (int y = target.rowsDone; y < image.height(); ++y)
            std::memset(image.scanLine(y), image.format() == QImage::Format_Indexed8 ? 0 : 0x80,
                std::size_t(image.bytesPerLine()));
    }
    turnUpright();
    return code;
}

void TJPEGImage::turnUpright()
{
    if (m_data->orientation != 1)
        m_bitmap->setImage(ExifOrientation::apply(m_bitmap->image(), m_data->orientation));
}

} // namespace lumisnap
