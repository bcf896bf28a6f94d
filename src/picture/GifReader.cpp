#include "picture/GifReader.h"

#include "common/Error.h"
#include "picture/GifLzwDecoder.h"
#include "picture/PictureLimits.h"
#include "picture/TExtension.h"
#include "picture/TGIFImage.h"

#include <algorithm>

namespace lumisnap {

namespace {

constexpr std::uint8_t ExtensionIntroducer = '!';
constexpr std::uint8_t ImageIntroducer = ',';
constexpr std::uint8_t Trailer = ';';
constexpr int MaxLoopCount = 30000;
constexpr std::uint8_t ColorTableFlag = 0x80;
constexpr std::uint8_t InterlaceFlag = 0x40;

[[noreturn]] void throwGif(const char *text)
{
    throw EInvalidGraphicOperation(QString::fromLatin1(text));
}

QVector<QRgb> readColorTable(ByteReader &reader, int bits)
{
    const int count = 1 << bits;
    auto bytes = reader.bytes(std::size_t(count) * 3);
    QVector<QRgb> colors(count);
    for (int i = 0; i < count; ++i)
        colors[i] = qRgb(bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]);
    return colors;
}

TColor toTColor(QRgb rgb)
{
    return colorFromRgb(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

// log2 of a colour count that must be a power of two from 2 to 256.
int bitsForCount(int count)
{
    for (int bits = 1; bits <= 8; ++bits) {
        if (count == 1 << bits)
            return bits;
    }
    throwGif("Wrong number of colors; must be a power of 2");
}

} // namespace

GifReader::GifReader(TGIFImage &image, std::span<const std::uint8_t> bytes)
    : m_image(image)
    , m_reader(bytes)
{
}

void GifReader::read()
{
    readHeader();
    readLogicalScreen();
    try {
        readBlocks();
    } catch (const EReadError &) {
        // Damage after an image (a stream cut inside a later block, stray bytes)
        // ends the stream; the images read before it stay.
        if (m_image.m_frames.empty() || !TolerateDamage)
            throw;
        m_pending.clear();
    }
}

void GifReader::readBlocks()
{
    std::uint8_t introducer = nextIntroducer();
    while (introducer != 0 && introducer != Trailer && !m_reader.atEnd()) {
        while (introducer == ExtensionIntroducer) {
            readExtension();
            introducer = nextIntroducer();
        }
        if (introducer == ImageIntroducer) {
            readFrame();
            introducer = nextIntroducer();
            if (introducer != ExtensionIntroducer && introducer != ImageIntroducer)
                break;
            continue;
        }
        // Extensions not followed by an image: their comments describe the picture.
        const bool hadPending = !m_pending.empty();
        if (m_image.m_data->commentLines.isEmpty() && hadPending)
            gatherComments();
        m_pending.clear();
        if (!hadPending && introducer != 0 && introducer != Trailer)
            throw EReadError(streamReadErrorText());
    }
}

void GifReader::readHeader()
{
    auto header = m_reader.bytes(6);
    const QByteArray text = QByteArray(reinterpret_cast<const char *>(header.data()), 6).toUpper();
    if (!text.startsWith("GIF"))
        throwGif("Unknown GIF version");
    if (text.endsWith("87A"))
        m_image.m_version = TGIFImage::Version87a;
    else if (text.endsWith("89A"))
        m_image.m_version = TGIFImage::Version89a;
    else
        throwGif("Unknown GIF version");
}

void GifReader::readLogicalScreen()
{
    m_image.m_logicalWidth = m_reader.u16();
    m_image.m_logicalHeight = m_reader.u16();
    const std::uint8_t packed = m_reader.u8();
    const int backgroundIndex = m_reader.u8();
    TGIFData &data = *m_image.m_data;
    data.aspect = m_reader.u8();
    data.colorResolution = ((packed >> 4) & 7) + 1;
    data.bitsPerPixel = (packed & 7) + 1;
    if (packed & ColorTableFlag) {
        data.palette = readColorTable(m_reader, data.bitsPerPixel);
        if (backgroundIndex < data.palette.size())
            m_image.m_background = toTColor(data.palette[backgroundIndex]);
    }
}

// Zero bytes between blocks are padding; the end of the stream reads as a trailer.
std::uint8_t GifReader::nextIntroducer()
{
    while (!m_reader.atEnd()) {
        if (const std::uint8_t byte = m_reader.u8())
            return byte;
    }
    return Trailer;
}

void GifReader::readExtension()
{
    TExtension extension = TExtension::read(m_reader, m_reader.u8());
    switch (extension.kind()) {
    case TExtension::Kind::GraphicControl:
    case TExtension::Kind::Comment:
        m_pending.push_back(std::move(extension));
        break;
    case TExtension::Kind::PlainText:
        // Its graphic control belonged to the text, which is not shown.
        m_pending.clear();
        break;
    case TExtension::Kind::Application:
        testLoopExtension(extension);
        break;
    }
}

void GifReader::testLoopExtension(const TExtension &extension)
{
    const QByteArray id = extension.applicationId();
    if (id != "NETSCAPE2.0" && id != "ANIMEXTS1.0")
        return;
    if (extension.subBlocks().isEmpty())
        return;
    const QByteArray &block = extension.subBlocks().first();
    if (block.size() < 3 || block[0] != 1)
        return;
    m_image.m_hasLoopExtension = true;
    const int count = std::uint8_t(block[1]) | (std::uint8_t(block[2]) << 8);
    m_image.m_loopCount = std::min(count, MaxLoopCount);
}

void GifReader::gatherComments()
{
    QStringList &lines = m_image.m_data->commentLines;
    for (const TExtension &extension : m_pending) {
        if (extension.kind() != TExtension::Kind::Comment)
            continue;
        if (!lines.isEmpty())
            lines.append(QStringLiteral("\r\n\r\n"));
        lines.append(QString::fromLatin1(extension.data()));
    }
}

void GifReader::readFrame()
{
    auto frame = std::make_unique<TGIFFrame>(&m_image);
    TGIFItem &item = frame->item();
    if (!m_image.m_data->palette.isEmpty())
        item.bitsPerPixel = bitsForCount(int(m_image.m_data->palette.size()));
    frame->PendingExtensions = std::move(m_pending);
    m_pending.clear();
    readImage(*frame);
    m_image.m_frames.push_back(std::move(frame));
}

void GifReader::readImage(TGIFFrame &frame)
{
    TGIFItem &item = frame.item();
    const int originX = m_reader.u16();
    const int originY = m_reader.u16();
    int width = m_reader.u16();
    int height = m_reader.u16();
    const std::uint8_t packed = m_reader.u8();
    frame.IsInterlaced = (packed & InterlaceFlag) != 0;
    if (packed & ColorTableFlag) {
        item.bitsPerPixel = (packed & 7) + 1;
        frame.OwnPalette = true;
        item.palette = readColorTable(m_reader, item.bitsPerPixel);
    }
    if (width == 0)
        width = m_image.m_logicalWidth;
    if (height == 0)
        height = m_image.m_logicalHeight;

    readImageData(frame, item.lzwData);
    checkSize(width, height, std::size_t(item.lzwData.size()));
    frame.OriginX = originX;
    frame.OriginY = originY;
    item.width = width;
    item.height = height;
    item.packed = packed;
    if (!frame.OwnPalette)
        item.palette = m_image.m_data->palette;
    applyGraphicControls(frame);
}

// Keeps the minimum code size and the sub-blocks with their length bytes. A
// sub-block cut off by the end of the stream is dropped and marks the frame.
void GifReader::readImageData(TGIFFrame &frame, QByteArray &data)
{
    const std::size_t start = m_reader.position();
    m_reader.skip(1);
    bool corrupt = false;
    while (!m_reader.atEnd()) {
        const std::size_t length = m_reader.u8();
        if (length == 0)
            break;
        if (!m_reader.has(length)) {
            m_reader.seek(m_reader.position() - 1);
            corrupt = true;
            break;
        }
        m_reader.skip(length);
    }
    const std::size_t end = m_reader.position();
    data = QByteArray(
        reinterpret_cast<const char *>(m_reader.data() + start), qsizetype(end - start));
    if (corrupt) {
        m_reader.seek(m_reader.size());
        frame.IsCorrupt = true;
        if (!TolerateDamage)
            throw EReadError(streamReadErrorText());
    }
}

void GifReader::applyGraphicControls(TGIFFrame &frame)
{
    const QVector<QRgb> &colors = frame.colors();
    for (const TExtension &extension : frame.PendingExtensions) {
        if (extension.kind() != TExtension::Kind::GraphicControl)
            continue;
        if (!extension.hasTransparentIndex())
            frame.KeyColor = clNone;
        else if (extension.transparentIndex() < colors.size())
            frame.KeyColor = toTColor(colors[extension.transparentIndex()]);
        frame.DelayMs = std::max(frame.DelayMs, extension.delayHundredths() * 10);
        frame.DisposalMode = extension.disposalMode();
    }
}

// Each frame is measured on its own, before its bitmap is ever allocated: against
// the decoding limit and against what its data can fill.
void GifReader::checkSize(std::int64_t width, std::int64_t height, std::size_t dataBytes)
{
    if (exceedsPictureLimit(width, height)
        || exceedsItsData(width * height, GifLzwDecoder::reachablePixels(dataBytes)))
        throwGif("GIF image is too large");
}

} // namespace lumisnap
