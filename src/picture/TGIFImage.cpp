#include "picture/TGIFImage.h"

#include "common/ByteReader.h"
#include "common/Error.h"
#include "picture/GifReader.h"
#include "picture/GifWriter.h"

#include <QPainter>

#include <algorithm>
#include <bit>

namespace lumisnap {

namespace {

constexpr int MaxLoopCount = 30000;

} // namespace

TGIFImage::TGIFImage()
    : m_data(std::make_shared<TGIFData>())
{
    setTransparent(true);
}

TGIFImage::~TGIFImage() = default;

void TGIFImage::assign(const TGIFImage &source)
{
    if (&source == this)
        return;
    m_data = source.m_data;
    m_version = source.m_version;
    m_logicalWidth = source.m_logicalWidth;
    m_logicalHeight = source.m_logicalHeight;
    m_background = source.m_background;
    m_hasLoopExtension = source.m_hasLoopExtension;
    m_loopCount = source.m_loopCount;
    m_frames.clear();
    for (const auto &frame : source.m_frames)
        m_frames.push_back(std::make_unique<TGIFFrame>(this, *frame));
    m_current = source.m_current;
    changed();
}

void TGIFImage::reset()
{
    m_data = std::make_shared<TGIFData>();
    m_frames.clear();
    m_current = -1;
    m_background = clNone;
    m_loopCount = 1;
    m_hasLoopExtension = false;
    m_version = VersionNone;
    m_logicalWidth = 0;
    m_logicalHeight = 0;
}

const TGIFFrame *TGIFImage::current() const
{
    if (m_current < 0 || m_current >= frameCount())
        return nullptr;
    return m_frames[std::size_t(m_current)].get();
}

int TGIFImage::width() const
{
    const TGIFFrame *frame = current();
    return frame ? frame->width() : 0;
}

int TGIFImage::height() const
{
    const TGIFFrame *frame = current();
    return frame ? frame->height() : 0;
}

bool TGIFImage::empty() const
{
    const TGIFFrame *frame = current();
    return !frame || (!frame->hasBitmap() && frame->lzwData().isEmpty());
}

void TGIFImage::loadFromBytes(std::span<const std::uint8_t> bytes)
{
    reset();
    if (!bytes.empty()) {
        try {
            GifReader(*this, bytes).read();
        } catch (...) {
            reset();
            throw;
        }
    }
    if (!m_frames.empty()) {
        m_current = 0;
        try {
            m_frames.front()->bitmap();
        } catch (...) {
            m_frames.erase(m_frames.begin());
            m_current = m_frames.empty() ? -1 : 0;
            throw;
        }
    }
    changed();
}

void TGIFImage::loadFromStoredForm(std::span<const std::uint8_t> bytes)
{
    ByteReader reader(bytes);
    const std::uint32_t length = reader.u32();
    loadFromBytes(reader.bytes(length));
}

QByteArray TGIFImage::storedForm() const
{
    const QByteArray stream = saveToBytes();
    QByteArray out;
    const auto length = std::uint32_t(stream.size());
    for (int shift = 0; shift < 32; shift += 8)
        out += char((length >> shift) & 0xFF);
    return out + stream;
}

QByteArray TGIFImage::saveToBytes() const
{
    return GifWriter(*this).write();
}

void TGIFImage::draw(QPainter &painter, const QRect &rect)
{
    const TGIFFrame *frame = current();
    if (!frame)
        return;
    const QImage &image = transparent() ? frame->maskedBitmap() : frame->bitmap();
    if (!image.isNull())
        painter.drawImage(rect, image);
}

QVector<QRgb> TGIFImage::palette() const
{
    if (!m_data->palette.isEmpty())
        return m_data->palette;
    const TGIFFrame *frame = current();
    return frame ? frame->colors() : QVector<QRgb>();
}

void TGIFImage::setWidth(int)
{
    throw EInvalidGraphicOperation(QStringLiteral("Cannot change the Size of a GIF image"));
}

void TGIFImage::setHeight(int)
{
    throw EInvalidGraphicOperation(QStringLiteral("Cannot change the Size of a GIF image"));
}

bool TGIFImage::isTransparent() const
{
    return transparent() && std::any_of(m_frames.begin(), m_frames.end(), [](const auto &frame) {
        return frame->KeyColor != clNone;
    });
}

void TGIFImage::setLoopCount(int count)
{
    m_hasLoopExtension = true;
    m_loopCount = std::clamp(count, 0, MaxLoopCount);
}

void TGIFImage::setCommentLines(const QStringList &lines)
{
    // Copies share their data until one of them changes it.
    if (m_data.use_count() > 1)
        m_data = std::make_shared<TGIFData>(*m_data);
    m_data->commentLines = lines;
}

void TGIFImage::setGlobalPalette(const QVector<QRgb> &colors)
{
    const qsizetype count = colors.size();
    if (count < 2 || count > 256 || (count & (count - 1)) != 0)
        throw EInvalidGraphicOperation(
            QStringLiteral("Wrong number of colors; must be a power of 2"));
    auto data = std::make_shared<TGIFData>(*m_data);
    data->palette = colors;
    data->bitsPerPixel = int(std::countr_zero(quint32(count)));
    if (data->colorResolution == 0)
        data->colorResolution = 8; // the table's colours are full 8-bit values
    m_data = std::move(data);
}

void TGIFImage::setCurrentFrame(int index)
{
    if (index < 0 || index >= frameCount() || index == m_current)
        return;
    m_current = index;
    changed();
}

TGIFFrame &TGIFImage::addFrame(const QImage &bitmap, int x, int y)
{
    auto frame = std::make_unique<TGIFFrame>(this);
    frame->setBitmap(bitmap);
    frame->OriginX = x;
    frame->OriginY = y;
    m_logicalWidth = std::max(m_logicalWidth, x + bitmap.width());
    m_logicalHeight = std::max(m_logicalHeight, y + bitmap.height());
    m_frames.push_back(std::move(frame));
    if (m_current < 0)
        m_current = 0;
    changed();
    return *m_frames.back();
}

} // namespace lumisnap
