#include "picture/TIcon.h"

#include "picture/DibReader.h"
#include "picture/PictureLimits.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QScreen>

#include <climits>
#include <cstdlib>

namespace lumisnap {

namespace {

const QString &invalidIconText()
{
    static const QString text = QStringLiteral("Icon image is not valid");
    return text;
}

[[noreturn]] void invalidIcon()
{
    throw EInvalidGraphic(invalidIconText());
}

enum ResourceType : std::uint16_t { StandardIcon = 0, IconResource = 1 };

struct Entry
{
    TIcon::DirectoryEntry choice;
    std::uint32_t bytes = 0;
    std::uint32_t offset = 0;
};

std::vector<Entry> readDirectory(ByteReader &in, int count)
{
    std::vector<Entry> entries;
    for (int i = 0; i < count; ++i) {
        Entry e;
        const int w = in.u8();
        const int h = in.u8();
        e.choice = { w ? w : 256, h ? h : 256, in.u8() };
        in.skip(5); // reserved, planes, bit count
        e.bytes = in.u32();
        e.offset = in.u32();
        entries.push_back(e);
    }
    return entries;
}

// 2 to the display's bits per pixel, 0 (unlimited) from 9 bits up.
int displayColorCount()
{
    const QScreen *screen = qobject_cast<QGuiApplication *>(QCoreApplication::instance())
        ? QGuiApplication::primaryScreen()
        : nullptr;
    const int depth = screen ? screen->depth() : 24;
    return depth < 9 ? 1 << depth : 0;
}

long long colorRank(int colors)
{
    return colors == 0 ? LLONG_MAX : colors;
}

// As close to wanted as the current choice, and not larger than it where both
// exceed the wanted size.
bool atLeastAsClose(int candidate, int current, int wanted)
{
    return std::abs(candidate - wanted) <= std::abs(current - wanted)
        && (candidate <= wanted || candidate <= current);
}

QImage readPng(std::span<const std::uint8_t> data)
{
    QByteArray bytes = QByteArray::fromRawData(
        reinterpret_cast<const char *>(data.data()), qsizetype(data.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    const QSize size = reader.size();
    // Deflate turns a byte into at most 1032, and a 1-bit row packs 8 pixels a byte.
    constexpr std::int64_t pixelsPerByte = 1032 * 8;
    if (!size.isValid() || exceedsPictureLimit(size.width(), size.height())
        || exceedsItsData(
            std::int64_t(size.width()) * size.height(), std::int64_t(data.size()) * pixelsPerByte))
        invalidIcon();
    QImage image = reader.read();
    if (image.isNull())
        invalidIcon();
    return image.convertToFormat(QImage::Format_ARGB32);
}

bool hasAlpha(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(row[x]))
                return true;
    }
    return false;
}

// Bits set in the AND mask are transparent; rows are stored bottom-up.
void applyMask(QImage &image, std::span<const std::uint8_t> mask)
{
    const auto stride = std::size_t(dib::rowStride(image.width(), 1));
    for (int y = 0; y < image.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(image.height() - 1 - y));
        const std::size_t offset = std::size_t(y) * stride;
        for (int x = 0; x < image.width(); ++x) {
            const std::size_t at = offset + std::size_t(x) / 8;
            const bool clear = at < mask.size() && (mask[at] & (0x80 >> (x % 8)));
            row[x] = clear ? 0 : (row[x] | 0xFF000000u);
        }
    }
}

QImage readDib(std::span<const std::uint8_t> data)
{
    ByteReader in(data);
    const dib::Header header = dib::readHeader(in, invalidIconText());
    const int rows = header.height / 2; // colour part above the mask
    if (rows <= 0 || header.compression == dib::Rle8 || header.compression == dib::Rle4)
        invalidIcon();
    const QVector<QRgb> colors = dib::readColorTable(in, header, invalidIconText());
    const auto colorBytes = std::size_t(dib::rowStride(header.width, header.bitCount)) * rows;
    QImage image
        = dib::decodePixels(in.bytes(colorBytes), header, colors, rows, true, invalidIconText())
              .convertToFormat(QImage::Format_ARGB32);
    if (header.bitCount == 32 && hasAlpha(image))
        return image;
    const auto maskBytes = std::size_t(dib::rowStride(header.width, 1)) * rows;
    applyMask(image, in.bytes(std::min(maskBytes, in.remaining())));
    return image;
}

bool isPng(std::span<const std::uint8_t> data)
{
    static constexpr std::uint8_t signature[] = { 0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A };
    return data.size() >= sizeof signature
        && std::equal(std::begin(signature), std::end(signature), data.begin());
}

QImage readImage(std::span<const std::uint8_t> file, const Entry &entry)
{
    if (entry.offset >= file.size())
        throw EReadError(streamReadErrorText());
    auto data = file.subspan(entry.offset);
    data = data.first(std::min<std::size_t>(entry.bytes, data.size()));
    return isPng(data) ? readPng(data) : readDib(data);
}

// Type 0 files name no image of their own: they show a plain application window.
QImage standardApplicationIcon()
{
    QImage image(TIcon::systemIconSize(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.fillRect(2, 4, 28, 24, Qt::white);
    painter.fillRect(2, 4, 28, 5, QColor(0, 0, 128));
    painter.setPen(Qt::black);
    painter.drawRect(2, 4, 27, 23);
    return image;
}

} // namespace

TIcon::TIcon()
{
    setTransparent(true);
}

int TIcon::chooseImage(const std::vector<DirectoryEntry> &entries, QSize wanted, int displayColors)
{
    int best = 0;
    for (int i = 1; i < int(entries.size()); ++i) {
        const DirectoryEntry &e = entries[std::size_t(i)];
        const DirectoryEntry &c = entries[std::size_t(best)];
        if (colorRank(e.colorCount) <= colorRank(displayColors)
            && colorRank(e.colorCount) >= colorRank(c.colorCount)
            && atLeastAsClose(e.width, c.width, wanted.width())
            && atLeastAsClose(e.height, c.height, wanted.height()))
            best = i;
    }
    return best;
}

void TIcon::loadFromBytes(std::span<const std::uint8_t> bytes)
{
    // Web sites often serve a bare PNG as their .ico: it shows as an icon holding
    // that one image would.
    if (isPng(bytes)) {
        m_image = readPng(bytes);
        return;
    }
    ByteReader in(bytes);
    in.skip(2); // reserved
    const std::uint16_t type = in.u16();
    const std::uint16_t count = in.u16();
    if (type != StandardIcon && type != IconResource)
        invalidIcon();
    if (type == StandardIcon) {
        m_image = standardApplicationIcon();
        return;
    }
    if (count == 0)
        invalidIcon();
    const std::vector<Entry> entries = readDirectory(in, count);
    std::vector<DirectoryEntry> choices;
    for (const Entry &e : entries)
        choices.push_back(e.choice);
    const int chosen = chooseImage(choices, systemIconSize(), displayColorCount());
    m_image = readImage(bytes, entries[std::size_t(chosen)]);
}

void TIcon::draw(QPainter &painter, const QRect &rect)
{
    if (!m_image.isNull())
        painter.drawImage(rect.topLeft(), m_image);
}

} // namespace lumisnap
