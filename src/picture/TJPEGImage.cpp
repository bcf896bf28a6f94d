#include "picture/TJPEGImage.h"

#include "common/Error.h"
#include "picture/ExifOrientation.h"
#include "picture/JpegCodec.h"
#include "picture/JpegDecodeCache.h"
#include "picture/OrientedRect.h"
#include "picture/PlacedRect.h"

#include <QFile>
#include <QPaintDevice>
#include <QPainter>
#include <QtMath>

#include <cstring>
#include <mutex>
#include <vector>

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
    adopt(parse(QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()))));
    m_identity.reset();
}

// The file's bytes are read once: a load of the same version of a file still held by
// another picture (the preview and the viewer, the change and click handlers) shares them.
void TJPEGImage::loadFromFile(QFile &file)
{
    std::optional<FileIdentity> identity = FileIdentity::of(file);
    std::shared_ptr<const CompressedData> data = identity ? loadedData(*identity) : nullptr;
    if (!data) {
        data = parse(readRest(file));
        if (identity)
            rememberLoaded(*identity, data);
    }
    adopt(std::move(data));
    m_identity = std::move(identity);
}

std::shared_ptr<const TJPEGImage::CompressedData> TJPEGImage::parse(QByteArray bytes)
{
    auto data = std::make_shared<CompressedData>();
    const auto *begin = reinterpret_cast<const std::uint8_t *>(bytes.constData());
    const std::span<const std::uint8_t> view(begin, std::size_t(bytes.size()));
    if (!view.empty()) {
        jpeg::HeaderInfo info;
        const int code = jpeg::readHeader(view.data(), view.size(), info);
        if (code != jpeg::NoError)
            throwJpegError(code);
        data->orientation = ExifOrientation::read(view);
        const bool swap = ExifOrientation::swapsSides(data->orientation);
        data->width = swap ? info.height : info.width;
        data->height = swap ? info.width : info.height;
        data->grayscale = info.grayscale;
        data->progressive = info.progressive;
    }
    data->bytes = std::move(bytes);
    return data;
}

void TJPEGImage::adopt(std::shared_ptr<const CompressedData> data)
{
    m_progressive = data->progressive;
    m_data = std::move(data);
    m_bitmap.reset();
    m_scaleDenom = 0;
    m_errorRaised = false;
    changed();
}

namespace {

struct LoadedFiles
{
    std::mutex mutex;
    std::vector<std::pair<FileIdentity, std::weak_ptr<const void>>> held;
};

LoadedFiles &loadedFiles()
{
    static LoadedFiles files;
    return files;
}

} // namespace

std::shared_ptr<const TJPEGImage::CompressedData> TJPEGImage::loadedData(const FileIdentity &id)
{
    LoadedFiles &files = loadedFiles();
    const std::lock_guard lock(files.mutex);
    for (const auto &[held, data] : files.held)
        if (held == id)
            return std::static_pointer_cast<const CompressedData>(data.lock());
    return nullptr;
}

// Weakly: the bytes live only as long as some picture holds them.
void TJPEGImage::rememberLoaded(
    const FileIdentity &id, const std::shared_ptr<const CompressedData> &data)
{
    LoadedFiles &files = loadedFiles();
    const std::lock_guard lock(files.mutex);
    std::erase_if(
        files.held, [&](const auto &entry) { return entry.second.expired() || entry.first == id; });
    files.held.emplace_back(id, data);
}

TBitmap &TJPEGImage::bitmap()
{
    obtain(1, fullArea());
    return *m_bitmap;
}

void TJPEGImage::draw(QPainter &painter, const QRect &rect)
{
    const int denom = scaleFor(painter, rect);
    obtain(denom, denom == 1 ? shownArea(painter, rect) : fullArea());
    if (m_area == fullArea() || rect.isEmpty()) {
        m_bitmap->draw(painter, rect);
        return;
    }
    // A part drawn where it lies in the whole picture.
    const qreal sx = qreal(rect.width()) / m_data->width;
    const qreal sy = qreal(rect.height()) / m_data->height;
    painter.drawImage(QRectF(rect.x() + m_area.x() * sx, rect.y() + m_area.y() * sy,
                          m_area.width() * sx, m_area.height() * sy),
        m_bitmap->image());
}

void TJPEGImage::prepare(const PreviewPlacement &placement)
{
    const QSize picture(m_data->width, m_data->height);
    switch (placement.mode) {
    case PreviewPlacement::Mode::Whole:
        obtain(1, fullArea());
        break;
    case PreviewPlacement::Mode::Stretched:
        obtain(scaleFor(QSizeF(placement.box) * placement.devicePixelRatio), fullArea());
        break;
    case PreviewPlacement::Mode::Centred:
    case PreviewPlacement::Mode::Plain: {
        const bool centred = placement.mode == PreviewPlacement::Mode::Centred;
        const QRect dest = placedRect(placement.box, picture, centred, false);
        const QRect shown = dest & QRect(QPoint(0, 0), placement.box);
        obtain(scaleFor(QSizeF(picture) * placement.devicePixelRatio),
            shown.translated(-dest.topLeft()) & fullArea());
        break;
    }
    }
}

QSize TJPEGImage::decodedSize() const
{
    return m_bitmap ? m_bitmap->image().size() : QSize();
}

// Quantised pictures are decoded whole at full size: their colours would change with
// the scale, and their dither with the part decoded.
bool TJPEGImage::quantised() const
{
    return m_pixelFormat != PixelFormat::Bit24 || m_grayscale || m_data->grayscale;
}

// The smallest of libjpeg's scales whose output still covers the drawn size.
int TJPEGImage::scaleFor(const QSizeF &drawn) const
{
    if (quantised() || m_data->width <= 0 || m_data->height <= 0)
        return 1;
    for (int denom : { 8, 4, 2 }) {
        const int w = (m_data->width + denom - 1) / denom;
        const int h = (m_data->height + denom - 1) / denom;
        if (w >= qCeil(drawn.width()) && h >= qCeil(drawn.height()))
            return denom;
    }
    return 1;
}

int TJPEGImage::scaleFor(const QPainter &painter, const QRect &rect) const
{
    const QPaintDevice *device = painter.device();
    return scaleFor(painter.transform().mapRect(QRectF(rect)).size()
        * (device ? device->devicePixelRatioF() : 1.0));
}

// The part of the upright picture that lands inside the painter's clip and device.
QRect TJPEGImage::shownArea(const QPainter &painter, const QRect &rect) const
{
    const QPaintDevice *device = painter.device();
    bool invertible = false;
    const QTransform back = painter.transform().inverted(&invertible);
    if (!device || !invertible || rect.isEmpty() || m_data->width <= 0 || m_data->height <= 0)
        return fullArea();
    QRectF visible = back.mapRect(QRectF(0, 0, device->width(), device->height())) & QRectF(rect);
    if (painter.hasClipping())
        visible &= painter.clipBoundingRect();
    if (visible.isEmpty())
        return fullArea();
    const qreal sx = qreal(m_data->width) / rect.width();
    const qreal sy = qreal(m_data->height) / rect.height();
    QRect area = QRectF((visible.x() - rect.x()) * sx, (visible.y() - rect.y()) * sy,
        visible.width() * sx, visible.height() * sy)
                     .toAlignedRect();
    // A scaled draw samples the pixels around those it lands on.
    if (rect.size() != QSize(m_data->width, m_data->height))
        area.adjust(-2, -2, 2, 2);
    return area & fullArea();
}

QVector<QRgb> TJPEGImage::palette() const
{
    return m_bitmap ? m_bitmap->palette() : QVector<QRgb>();
}

// Where decoded rows go: the bitmap, and, when the picture is turned as its rows come,
// how.
struct TJPEGImage::RowTarget
{
    TBitmap *bitmap = nullptr;
    int orientation = 1; // 1: rows are written in place and turned afterwards
    QSize stored;
};

bool TJPEGImage::allocateRows(void *context, int width, int height, int components,
    const std::uint8_t *const *colormap, int colors, std::uint8_t **rows,
    std::ptrdiff_t *stride) noexcept
{
    auto *target = static_cast<RowTarget *>(context);
    try {
        const bool indexed = colormap != nullptr;
        target->stored = QSize(width, height);
        const QSize size = ExifOrientation::uprightSize(target->stored, target->orientation);
        QImage image(size, indexed ? QImage::Format_Indexed8 : QImage::Format_RGB888);
        if (image.isNull())
            return false;
        if (indexed)
            image.setColorTable(colorTable(colormap, components, colors));
        target->bitmap->setImage(std::move(image));
        QImage &written = target->bitmap->mutableImage();
        *rows = written.bits();
        *stride = written.bytesPerLine();
        return true;
    } catch (...) {
        return false;
    }
}

void TJPEGImage::placeRows(
    void *context, const std::uint8_t *rows, std::ptrdiff_t stride, int top, int count) noexcept
{
    auto *target = static_cast<RowTarget *>(context);
    try {
        const QImage band(rows, target->stored.width(), count, stride, QImage::Format_RGB888);
        ExifOrientation::placeBand(band, top, target->stored.height(),
            target->bitmap->mutableImage(), target->orientation);
    } catch (...) {
        // Rows that cannot be placed show as the decoder left them.
    }
}

bool TJPEGImage::cacheable() const
{
    return m_identity && m_pixelFormat == PixelFormat::Bit24 && !m_grayscale && m_smoothing
        && m_performance == Performance::BestQuality && !m_data->grayscale;
}

// Makes m_bitmap show area at 1/scaleDenom or larger: from what this picture holds,
// from the cache, or by decoding. While the viewer wants whole pictures, and after a
// first decode fell short, the picture is decoded whole.
void TJPEGImage::obtain(int scaleDenom, QRect area)
{
    if (m_bitmap && m_scaleDenom <= scaleDenom && JpegDecodeCache::covers(m_area, area))
        return;
    JpegDecodeCache &cache = JpegDecodeCache::instance();
    const bool wholeWanted = cache.wholeWanted();
    if (wholeWanted) {
        scaleDenom = 1;
        area = fullArea();
    }
    if (cacheable()) {
        cache.waitForDecodeAhead(*m_identity);
        if (takeFromCache(scaleDenom, area))
            return;
    }
    if (m_obtained > 0)
        decode(1, fullArea());
    else
        decode(scaleDenom, area);
}

bool TJPEGImage::takeFromCache(int scaleDenom, const QRect &area)
{
    const auto held = JpegDecodeCache::instance().find(*m_identity, scaleDenom, area);
    if (!held)
        return false;
    m_bitmap = std::make_unique<TBitmap>(held->image);
    m_scaleDenom = held->scaleDenom;
    m_area = held->area;
    ++m_obtained;
    raiseOnce(held->error);
    return true;
}

void TJPEGImage::decode(int scaleDenom, const QRect &area)
{
    const bool forViewer = JpegDecodeCache::instance().wholeWanted();
    if (cacheable() && scaleDenom == 1 && area == fullArea())
        JpegDecodeCache::instance().makeRoomForWhole();
    const int code = decodeRows(scaleDenom, area);
    if (code == jpeg::Stopped) {
        m_bitmap.reset();
        m_scaleDenom = 0;
        throw EAbort();
    }
    ++m_obtained;
    ++m_decodeCount;
    if (cacheable()) {
        const bool whole = m_scaleDenom == 1 && m_area == fullArea();
        JpegDecodeCache::instance().insert(*m_identity,
            { m_bitmap->image(), code, m_scaleDenom, m_area, whole, whole && forViewer });
    }
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

// Decodes area of the upright picture (all of it when that is its whole) at
// 1/scaleDenom; a part is decoded only at full size.
int TJPEGImage::decodeRows(int scaleDenom, const QRect &area)
{
    m_bitmap = std::make_unique<TBitmap>();
    m_scaleDenom = scaleDenom;
    m_area = fullArea();
    const bool swap = ExifOrientation::swapsSides(m_data->orientation);
    const QSize stored
        = swap ? QSize(m_data->height, m_data->width) : QSize(m_data->width, m_data->height);
    const bool cropped = scaleDenom == 1 && !quantised() && area != fullArea() && !area.isEmpty();
    jpeg::Settings settings;
    settings.grayscale = m_grayscale;
    settings.eightBit = m_pixelFormat == PixelFormat::Bit8;
    settings.smoothing = m_smoothing;
    settings.fastest = m_performance == Performance::BestSpeed;
    settings.scaleDenom = scaleDenom;
    QRect storedCrop;
    if (cropped) {
        storedCrop = storedRectOf(area, stored, m_data->orientation);
        settings.crop = { storedCrop.x(), storedCrop.y(), storedCrop.width(), storedCrop.height() };
    }
    // A whole picture is turned as its rows come, with no second copy of it.
    const bool turnedAsDecoded = !cropped && !quantised() && m_data->orientation != 1;
    RowTarget rowTarget { m_bitmap.get(), turnedAsDecoded ? m_data->orientation : 1, {} };
    jpeg::Target target;
    target.context = &rowTarget;
    target.allocate = allocateRows;
    if (turnedAsDecoded)
        target.band = placeRows;
    target.stop = m_stop;
    const int code = jpeg::decode(reinterpret_cast<const std::uint8_t *>(m_data->bytes.constData()),
        std::size_t(m_data->bytes.size()), settings, target);
    if (code != jpeg::NoError && code != jpeg::Stopped)
        greyUnreachedRows(rowTarget, std::max(target.rowsDone, 0));
    if (cropped && code != jpeg::Stopped)
        cutTo(storedCrop, QPoint(target.left, target.top), area);
    if (!turnedAsDecoded)
        turnUpright();
    return code;
}

// Rows the decoder never reached show as mid grey rather than stale memory.
void TJPEGImage::greyUnreachedRows(RowTarget &target, int rowsDone)
{
    QImage &image = m_bitmap->mutableImage();
    if (image.isNull())
        return;
    const int fill = image.format() == QImage::Format_Indexed8 ? 0 : 0x80;
    if (target.orientation == 1) {
        for (int y = rowsDone; y < image.height(); ++y)
            std::memset(image.scanLine(y), fill, std::size_t(image.bytesPerLine()));
        return;
    }
    QImage grey(target.stored.width(), 64, image.format());
    grey.fill(QColor(0x80, 0x80, 0x80));
    for (int top = rowsDone; top < target.stored.height(); top += grey.height()) {
        const int count = std::min(grey.height(), target.stored.height() - top);
        ExifOrientation::placeBand(
            count == grey.height() ? grey : grey.copy(0, 0, grey.width(), count), top,
            target.stored.height(), image, target.orientation);
    }
}

// Keeps of the decoded window (at origin in the stored picture) only the crop asked
// for: its margin was decoded for the pixels inside, and differs from the whole.
void TJPEGImage::cutTo(const QRect &storedCrop, const QPoint &origin, const QRect &area)
{
    const QImage &window = m_bitmap->image();
    const QRect decoded(origin, window.size());
    if (window.isNull() || !decoded.contains(storedCrop))
        return;
    if (decoded != storedCrop)
        m_bitmap->setImage(window.copy(storedCrop.translated(-origin)));
    m_area = area;
}

void TJPEGImage::turnUpright()
{
    if (m_data->orientation != 1)
        m_bitmap->setImage(ExifOrientation::apply(m_bitmap->image(), m_data->orientation));
}

} // namespace lumisnap
