#include "SkinPainter.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor steelLight(0x7b, 0x8b, 0xa3);
const QColor steelDark(0x2c, 0x35, 0x45);
const QColor recess(0x10, 0x13, 0x19);
const QColor lcdFace(0xbf, 0xcc, 0xb4);
const QColor engraving(0xd4, 0xdb, 0xe6);

QFont comicFont(int pixelSize, bool bold = true)
{
    QFont font(QStringLiteral("Comic Neue"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QLinearGradient casingGradient(const QRectF &r)
{
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0.0, steelLight);
    g.setColorAt(0.45, QColor(0x4d, 0x5a, 0x6e));
    g.setColorAt(1.0, steelDark);
    return g;
}

// A raised casing with a light top-left bevel and a dark bottom-right one.
void drawCasing(QPainter &p, const QRectF &r, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    p.fillPath(path, casingGradient(r));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0xa9, 0xb6, 0xc8, 170), 1.5));
    p.drawRoundedRect(r.adjusted(1.5, 1.5, -1.5, -1.5), radius - 1, radius - 1);
    p.setPen(QPen(QColor(0x12, 0x16, 0x1e, 200), 1.0));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

// A sunken well with a dark top-left edge and a light bottom-right one.
void drawWell(QPainter &p, const QRectF &r, const QColor &face, qreal radius = 3)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x9d, 0xab, 0xbf));
    p.drawRoundedRect(r.adjusted(-2, -2, 2, 2), radius + 2, radius + 2);
    p.setBrush(QColor(0x15, 0x19, 0x21));
    p.drawRoundedRect(r.adjusted(-2, -2, 1, 1), radius + 2, radius + 2);
    p.setBrush(face);
    p.drawRoundedRect(r, radius, radius);
}

void drawEngraved(
    QPainter &p, const QRectF &r, const QString &text, const QFont &font, const QColor &colour)
{
    p.setFont(font);
    p.setPen(QColor(0x18, 0x1c, 0x24));
    p.drawText(r.translated(1, 1), Qt::AlignCenter, text);
    p.setPen(colour);
    p.drawText(r, Qt::AlignCenter, text);
}

void drawSlots(QPainter &p, const QRectF &bay)
{
    drawWell(p, bay, QColor(0x26, 0x2d, 0x3a), 2);
    p.setPen(QPen(QColor(0x0e, 0x11, 0x16), 2));
    const qreal y = bay.center().y();
    p.drawLine(QPointF(bay.left() + 10, y), QPointF(bay.right() - 30, y));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3c, 0xd0, 0x5a));
    p.drawEllipse(QPointF(bay.right() - 12, y), 2.5, 2.5);
}

void drawVents(QPainter &p, qreal left, qreal top, int count)
{
    p.setPen(QPen(QColor(0x1a, 0x1f, 0x28), 2, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < count; ++i)
        p.drawLine(QPointF(left, top + i * 6), QPointF(left + 70, top + i * 6));
}

// Makes every pixel inside the outline differ from the transparent colour.
void keepInsideOpaque(QImage &image, const QImage &outline, QRgb transparent, QRgb substitute)
{
    for (int y = 0; y < image.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        const auto *mask = reinterpret_cast<const QRgb *>(outline.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(mask[x]) < 128)
                row[x] = transparent;
            else if ((row[x] & 0xFFFFFF) == (transparent & 0xFFFFFF))
                row[x] = substitute;
        }
    }
}

QImage outlineOf(const QSize &size, const QPainterPath &shape)
{
    QImage mask(size, QImage::Format_ARGB32);
    mask.fill(Qt::transparent);
    QPainter p(&mask);
    p.fillPath(shape, Qt::white);
    return mask;
}

QPainterPath mainOutline()
{
    QPainterPath shape;
    shape.setFillRule(Qt::WindingFill); // the parts overlap; none of them may cancel another
    shape.addRoundedRect(QRectF(6, 1, 286, 229), 16, 16); // monitor
    shape.addRoundedRect(QRectF(110, 222, 80, 16), 4, 4); // neck
    shape.addRoundedRect(QRectF(6, 233, 286, 197), 12, 12); // base unit
    shape.addRoundedRect(QRectF(308, 1, 244, 196), 14, 14); // folder panel
    shape.addRoundedRect(QRectF(308, 201, 244, 222), 14, 14); // file panel
    shape.addRect(QRectF(290, 30, 20, 9)); // cables to the panels
    shape.addRect(QRectF(290, 292, 20, 9));
    return shape.simplified();
}

void paintMonitor(QPainter &p)
{
    p.fillRect(QRectF(110, 222, 80, 16), casingGradient(QRectF(110, 222, 80, 16)));
    drawCasing(p, QRectF(6, 1, 286, 229), 16);
    drawWell(p, QRectF(37, 29, 228, 174), QColor(0x0b, 0x0d, 0x12), 6);
    p.fillRect(QRectF(43, 35, 216, 162), QColor(4, 4, 6));
    drawEngraved(p, QRectF(34, 4, 234, 25), QStringLiteral("Fennomark"), comicFont(20), engraving);
    drawEngraved(p, QRectF(97, 210, 110, 19), QStringLiteral("Lumisnap"), comicFont(15),
        QColor(0xf2, 0xd4, 0x6a));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3c, 0xd0, 0x5a));
    p.drawEllipse(QPointF(272, 216), 3, 3);
}

void paintBase(QPainter &p)
{
    drawCasing(p, QRectF(6, 233, 286, 197), 12);
    drawWell(p, QRectF(44, 237, 96, 19), recess, 2); // clock
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe6, 0xe9, 0xee)); // power button
    p.drawRoundedRect(QRectF(227, 239, 36, 21), 10, 10);
    p.setBrush(QColor(0x99, 0xa3, 0xb0));
    p.drawRoundedRect(QRectF(227, 252, 36, 8), 4, 4);
    p.setBrush(QColor(0xe6, 0xe9, 0xee));
    p.drawRoundedRect(QRectF(228, 240, 34, 15), 7, 7);
    drawSlots(p, QRectF(18, 270, 150, 16));
    drawSlots(p, QRectF(18, 294, 150, 16));
    drawVents(p, QRectF(190, 272, 0, 0).left(), 272, 7);
    drawWell(p, QRectF(77, 327, 78, 22), recess, 3); // busy indicator
    drawWell(p, QRectF(174, 326, 106, 23), lcdFace, 3); // position
    drawWell(p, QRectF(17, 379, 268, 23), lcdFace, 3); // file size
    p.setPen(QPen(QColor(0x1a, 0x1f, 0x28), 1));
    p.drawLine(QPointF(14, 362), QPointF(284, 362));
    p.setPen(QPen(QColor(0x8c, 0x99, 0xad), 1));
    p.drawLine(QPointF(14, 363), QPointF(284, 363));
}

void paintPanel(QPainter &p, const QRectF &panel, const QRectF &view)
{
    drawCasing(p, panel, 14);
    drawWell(p, view, QColor(6, 6, 8), 2);
}

void paintCables(QPainter &p)
{
    for (const qreal y : { 30.0, 292.0 }) {
        QLinearGradient g(QPointF(0, y), QPointF(0, y + 9));
        g.setColorAt(0, QColor(0x9a, 0xa6, 0xb8));
        g.setColorAt(1, QColor(0x33, 0x3c, 0x4c));
        p.fillRect(QRectF(290, y, 20, 9), g);
    }
}

} // namespace

QImage paintMainSkin()
{
    const QSize size(556, 431);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        paintCables(p);
        paintMonitor(p);
        paintBase(p);
        paintPanel(p, QRectF(308, 1, 244, 196), QRectF(324, 11, 220, 173));
        paintPanel(p, QRectF(308, 201, 244, 222), QRectF(324, 212, 220, 173));
        drawEngraved(p, QRectF(318, 186, 224, 10), QString(), comicFont(9), engraving);
    }
    keepInsideOpaque(image, outlineOf(size, mainOutline()), qRgb(0, 0, 0), qRgb(4, 4, 6));
    return image;
}

QImage paintSplashSkin()
{
    const QSize size(381, 53);
    QImage rgb(size, QImage::Format_RGB32);
    rgb.fill(Qt::black);
    {
        QPainter p(&rgb);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath text;
        QFont font = comicFont(50);
        font.setLetterSpacing(QFont::AbsoluteSpacing, 3);
        text.addText(0, 0, font, QStringLiteral("Fennomark"));
        const QRectF box = text.boundingRect();
        text.translate((size.width() - box.width()) / 2 - box.left(),
            (size.height() - box.height()) / 2 - box.top());
        QLinearGradient g(QPointF(0, 2), QPointF(0, 51));
        g.setColorAt(0.0, QColor(0xee, 0xee, 0xee));
        g.setColorAt(0.5, QColor(0xb4, 0xb4, 0xb4));
        g.setColorAt(1.0, QColor(0x70, 0x70, 0x70));
        p.setPen(QPen(QColor(0x48, 0x48, 0x48), 2));
        p.setBrush(g);
        p.drawPath(text);
    }
    // 256 greys: every pixel keeps its brightness, and only true black is background.
    QVector<QRgb> greys(256);
    for (int i = 0; i < 256; ++i)
        greys[i] = qRgb(i, i, i);
    QImage indexed(size, QImage::Format_Indexed8);
    indexed.setColorTable(greys);
    for (int y = 0; y < size.height(); ++y) {
        const auto *src = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        uchar *dst = indexed.scanLine(y);
        for (int x = 0; x < size.width(); ++x)
            dst[x] = uchar(qGray(src[x]));
    }
    return indexed;
}

QImage paintAlarmSkin()
{
    const QSize size(184, 185);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(1, 1, 182, 183), 20, 20);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.fillRect(image.rect(), Qt::white);
        drawCasing(p, QRectF(1, 1, 182, 183), 20);
        drawEngraved(p, QRectF(0, 4, 184, 18), QStringLiteral("ALARM"), comicFont(13), engraving);
        drawWell(p, QRectF(43, 24, 23, 21), recess, 2); // hour
        drawWell(p, QRectF(114, 24, 23, 21), recess, 2); // minute
        p.setPen(Qt::NoPen);
        p.setBrush(engraving);
        p.drawEllipse(QPointF(90, 30), 2.2, 2.2);
        p.drawEllipse(QPointF(90, 39), 2.2, 2.2);
        drawWell(p, QRectF(32, 64, 44, 18), QColor(0x2a, 0x32, 0x40), 8); // AM
        drawWell(p, QRectF(106, 64, 44, 18), QColor(0x2a, 0x32, 0x40), 8); // PM
        drawWell(p, QRectF(9, 98, 165, 18), recess, 2); // message
        drawWell(p, QRectF(44, 136, 96, 25), QColor(0x1e, 0x25, 0x31), 10); // set button
    }
    keepInsideOpaque(image, outlineOf(size, shape), qRgb(255, 255, 255), qRgb(250, 250, 250));
    return image;
}

QImage paintAppIcon(int size)
{
    // The main skin's monitor with a landscape on its screen, drawn on a 256-pixel
    // square and scaled, so every size is drawn afresh rather than resampled.
    constexpr qreal design = 256;
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / design, size / design);

    const QRectF foot(70, 222, 116, 14);
    p.setPen(Qt::NoPen);
    p.setBrush(casingGradient(foot));
    p.drawRoundedRect(foot, 6, 6);
    p.fillRect(QRectF(106, 200, 44, 26), casingGradient(QRectF(106, 200, 44, 26)));
    drawCasing(p, QRectF(12, 24, 232, 182), 20);

    const QRectF screen(32, 42, 192, 136);
    drawWell(p, screen, QColor(0x0b, 0x0d, 0x12), 8);
    p.save();
    QPainterPath view;
    view.addRoundedRect(screen.adjusted(5, 5, -5, -5), 4, 4);
    p.setClipPath(view);
    QLinearGradient sky(screen.topLeft(), screen.bottomLeft());
    sky.setColorAt(0.0, QColor(0x2f, 0x6f, 0xd8));
    sky.setColorAt(1.0, QColor(0x9e, 0xd0, 0xf5));
    p.fillRect(screen, sky);
    p.setBrush(QColor(0xf2, 0xd4, 0x6a));
    p.drawEllipse(QPointF(176, 78), 16, 16);
    QPainterPath far;
    far.moveTo(32, 150);
    far.quadTo(86, 92, 150, 140);
    far.quadTo(190, 118, 224, 136);
    far.lineTo(224, 178);
    far.lineTo(32, 178);
    p.fillPath(far, QColor(0x3c, 0x9a, 0x4e));
    QPainterPath near;
    near.moveTo(32, 168);
    near.quadTo(120, 130, 224, 166);
    near.lineTo(224, 178);
    near.lineTo(32, 178);
    p.fillPath(near, QColor(0x25, 0x6e, 0x34));
    p.restore();

    p.setBrush(QColor(0x3c, 0xd0, 0x5a));
    p.drawEllipse(QPointF(226, 192), 4, 4);
    return image;
}
