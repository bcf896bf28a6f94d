#include "picture/TBitmap.h"

#include "picture/DibReader.h"

#include <QFile>
#include <QPainter>

#include <sys/uio.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

namespace lumisnap {

namespace {

const QString &invalidBitmapText()
{
    static const QString text = QStringLiteral("Bitmap image is not valid");
    return text;
}

constexpr std::uint16_t BitmapSignature = 0x4D42; // "BM"
constexpr std::size_t FileHeaderRest = 8; // file size and two reserved words
// Enough for every header, its masks and a full colour table.
constexpr qint64 HeadBytes = 4096;

// Where a file's parts lie: its headers, colour table and pixel data.
struct Layout
{
    dib::Header header;
    QVector<QRgb> colors;
    int rows = 0;
    std::size_t pixelOffset = 0;
    std::size_t pixelBytes = 0; // what the file holds of them
};

// head: the file's first bytes, at least everything before the pixel data.
Layout readLayout(std::span<const std::uint8_t> head, std::size_t fileSize)
{
    const QString &invalidText = invalidBitmapText();
    ByteReader in(head);
    if (in.u16() != BitmapSignature)
        throw EInvalidGraphic(invalidText);
    in.skip(FileHeaderRest);
    const std::uint32_t pixelOffset = in.u32();
    Layout layout;
    layout.header = dib::readHeader(in, invalidText);
    layout.colors = dib::readColorTable(in, layout.header, invalidText);
    layout.rows = int(std::abs(std::int64_t(layout.header.height)));

    // Writers may leave a gap before the pixels; the offset is trusted only when it
    // points past what was read and still inside the file.
    layout.pixelOffset = in.position();
    if (pixelOffset > in.position() && pixelOffset < fileSize)
        layout.pixelOffset = pixelOffset;

    std::size_t size = layout.header.imageSize;
    if (size == 0)
        size = std::size_t(dib::rowStride(layout.header.width, layout.header.bitCount))
            * std::size_t(layout.rows);
    layout.pixelBytes = std::min(size, fileSize - layout.pixelOffset);
    return layout;
}

std::span<const std::uint8_t> asBytes(const QByteArray &bytes)
{
    return { reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size()) };
}

// Reads the stored rows straight into the image's rows with as few
// system calls as the platform allows; rows the file does not reach stay 0.
void readRowsStraight(QFile &file, qint64 start, const Layout &layout, QImage &image)
{
    const auto stride = std::size_t(image.bytesPerLine());
    const std::size_t stored = std::min(layout.pixelBytes / stride + 1, std::size_t(layout.rows));
    std::vector<iovec> rows(stored);
    for (std::size_t i = 0; i < stored; ++i)
        rows[i]
            = { image.scanLine(dib::storedRowTarget(layout.header, layout.rows, int(i))), stride };
    rows.back().iov_len = std::min(stride, layout.pixelBytes - (stored - 1) * stride);

    auto offset = off_t(start + qint64(layout.pixelOffset));
    std::size_t next = 0;
    while (next < rows.size()) {
        const int count = int(std::min<std::size_t>(rows.size() - next, IOV_MAX));
        const ssize_t read = ::preadv(file.handle(), rows.data() + next, count, offset);
        if (read < 0 && errno == EINTR)
            continue;
        if (read < 0)
            throw EReadError(streamReadErrorText());
        if (read == 0)
            break; // the file shrank since it was measured
        offset += read;
        for (auto left = std::size_t(read); left > 0;) {
            const std::size_t taken = std::min(left, rows[next].iov_len);
            rows[next].iov_base = static_cast<char *>(rows[next].iov_base) + taken;
            rows[next].iov_len -= taken;
            left -= taken;
            if (rows[next].iov_len == 0)
                ++next;
        }
    }
    for (; next < rows.size(); ++next)
        std::memset(rows[next].iov_base, 0, rows[next].iov_len);
}

} // namespace

TBitmap::TBitmap(QImage image)
{
    setImage(std::move(image));
}

void TBitmap::setImage(QImage image)
{
    m_image = std::move(image);
    m_palette = m_image.colorTable();
}

void TBitmap::loadFromBytes(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty()) {
        m_image = QImage();
        m_palette.clear();
        return;
    }
    const Layout layout = readLayout(bytes, bytes.size());
    m_image = dib::decodePixels(bytes.subspan(layout.pixelOffset, layout.pixelBytes), layout.header,
        layout.colors, layout.rows, false, invalidBitmapText());
    m_palette = layout.colors;
}

// Photographs are kept as stored, so their rows go from the file into the picture
// without passing through another buffer.
void TBitmap::loadFromFile(QFile &file)
{
    const qint64 start = file.pos();
    const qint64 size = file.size() - start;
    if (size <= HeadBytes)
        return TGraphic::loadFromFile(file);
    const QByteArray head = file.read(HeadBytes);
    Layout layout;
    try {
        layout = readLayout(asBytes(head), std::size_t(size));
    } catch (const EReadError &) {
        // Headers longer than the usual: read the whole file after all.
        file.seek(start);
        return TGraphic::loadFromFile(file);
    }
    const dib::Header &header = layout.header;
    if (!dib::storesRowsVerbatim(header)) {
        file.seek(start);
        return TGraphic::loadFromFile(file);
    }
    dib::checkDataSize(header, layout.rows, layout.pixelBytes, invalidBitmapText());
    const auto stride = std::size_t(dib::rowStride(header.width, header.bitCount));
    const bool complete = layout.pixelBytes / stride >= std::size_t(layout.rows);
    QImage image = dib::allocateImage(
        header, layout.colors, layout.rows, false, !complete, invalidBitmapText());
    readRowsStraight(file, start, layout, image);
    m_image = std::move(image);
    m_palette = std::move(layout.colors);
}

void TBitmap::draw(QPainter &painter, const QRect &rect)
{
    if (!m_image.isNull())
        painter.drawImage(rect, m_image);
}

} // namespace lumisnap
