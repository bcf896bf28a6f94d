#include "skin/TfcCustomImageBtn.h"

#include "skin/RegionScan.h"

#include <QPainter>

#include <vector>

namespace lumisnap {

namespace {

// What the face is drawn over: it shows where the face is transparent, and along the
// top and left while a pressed face is moved.
constexpr TColor ShadowColor = clBlack;

TColor pixelColor(QRgb pixel)
{
    return colorFromRgb(qRed(pixel), qGreen(pixel), qBlue(pixel));
}

// The face with the pixels of the key colour left out.
QImage withoutKeyColor(const QImage &face, TColor key)
{
    QImage out = face.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if (pixelColor(row[x]) == key)
                row[x] = 0;
        }
    }
    return out;
}

// For each of toCount destination pixels, the one of fromCount source pixels it shows.
std::vector<int> stretchTable(int toCount, int fromCount)
{
    std::vector<int> table(std::size_t(toCount), 0);
    // Source pixel s starts at floor(s * toCount / fromCount + 0.5), in whole numbers.
    const auto start
        = [&](qint64 s) { return qint64((2 * s * toCount + fromCount) / (2 * qint64(fromCount))); };
    for (int s = 0; s < fromCount; ++s) {
        for (qint64 to = start(s); to < start(s + 1) && to < toCount; ++to)
            table[std::size_t(to)] = s;
    }
    return table;
}

} // namespace

TfcCustomImageBtn::TfcCustomImageBtn(QWidget *parent)
    : TfcCustomBitBtn(parent)
{
    setColor(clNone);
}

void TfcCustomImageBtn::setImage(const QImage &image)
{
    m_image = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_RGB32);
    imageChanged(UpState);
}

void TfcCustomImageBtn::setImageDown(const QImage &image)
{
    m_imageDown = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_RGB32);
    imageChanged(DownState);
}

void TfcCustomImageBtn::imageChanged(State state)
{
    storeRegion(state, std::nullopt);
    ApplyButtonRegion();
    update();
    if (QWidget *parent = parentWidget())
        parent->update(geometry());
}

void TfcCustomImageBtn::setTransparentColor(TColor value)
{
    if (m_transparentColor == value)
        return;
    m_transparentColor = value;
    if (value == NoTransparency)
        clearMask();
    rebuildRegion();
}

void TfcCustomImageBtn::setDitherColor(TColor value)
{
    if (m_ditherColor == value)
        return;
    m_ditherColor = value;
    update();
}

void TfcCustomImageBtn::setDitherStyle(TfcDitherStyle value)
{
    if (m_ditherStyle == value)
        return;
    m_ditherStyle = value;
    update();
}

const QImage &TfcCustomImageBtn::stateImage(State state) const
{
    return state == DownState && !m_imageDown.isNull() ? m_imageDown : m_image;
}

std::optional<TColor> TfcCustomImageBtn::EffectiveTransparentColor(State state) const
{
    if (m_transparentColor == NoTransparency)
        return std::nullopt;
    const QImage &image = stateImage(state);
    if (m_transparentColor == clNone && !image.isNull())
        return pixelColor(image.pixel(0, 0));
    return m_transparentColor;
}

QImage TfcCustomImageBtn::PrepareFace(State state) const
{
    return stretchPicture(stateImage(state), size());
}

QImage TfcCustomImageBtn::stretchPicture(const QImage &source, QSize size)
{
    if (source.isNull() || size.isEmpty())
        return QImage();
    const QImage from = source.convertToFormat(QImage::Format_RGB32);
    const std::vector<int> columns = stretchTable(size.width(), from.width());
    const std::vector<int> rows = stretchTable(size.height(), from.height());
    QImage face(size, QImage::Format_RGB32);
    for (int y = 0; y < face.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(from.constScanLine(rows[y]));
        auto *out = reinterpret_cast<QRgb *>(face.scanLine(y));
        for (int x = 0; x < face.width(); ++x)
            out[x] = in[columns[x]];
    }
    return face;
}

std::optional<QRegion> TfcCustomImageBtn::ButtonRegion(State state)
{
    if (m_transparentColor == NoTransparency)
        return std::nullopt;
    if (std::optional<QRegion> stored = storedRegion(state))
        return stored;
    if (m_image.isNull())
        return std::nullopt;
    const TColor key = EffectiveTransparentColor(state).value_or(clNone);
    std::optional<QRegion> region = BuildRegionFromBitmap(PrepareFace(state), key);
    storeRegion(state, region);
    return region;
}

void TfcCustomImageBtn::DrawButtonFace(QPainter &painter)
{
    const QRect all = rect();
    if (m_image.isNull()) {
        painter.fillRect(all, toQColor(clBtnFace));
        painter.setPen(QPen(Qt::black, 1, Qt::DashDotLine));
        painter.drawRect(all.adjusted(0, 0, -1, -1));
        return;
    }
    painter.fillRect(all, toQColor(ShadowColor));
    const State state = Down() && !m_imageDown.isNull() ? DownState : UpState;
    QImage face = PrepareFace(state);
    if (const std::optional<TColor> key = EffectiveTransparentColor(state))
        face = withoutKeyColor(face, *key);
    // Without a picture of its own, the pressed face is the up face moved.
    const QPoint at = Down() && m_imageDown.isNull()
        ? QPoint(Offsets().ImageDownX, Offsets().ImageDownY)
        : QPoint(0, 0);
    painter.drawImage(at, face);
}

} // namespace lumisnap
