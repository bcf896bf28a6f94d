// TIcon against byte-built icon files: the image choice, palette pictures with
// their AND mask, 32-bit alpha, PNG entries, and files that are not icons.
#include "Bytes.h"
#include "Seeds.h"
#include "common/Error.h"
#include "picture/TIcon.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using namespace lumisnap;

namespace {

QRgb paletteColour(int index)
{
    return qRgb(index * 30 % 256, index * 20 % 256, index * 10 % 256);
}

// One icon image: 40-byte header with the doubled height, colour table, colour rows
// and AND-mask rows, all bottom-up. Pixel (x, y) has index (x + y) % colours (24 bits:
// that palette colour of 256); the mask hides the left column, and x = 3 in the top
// row only. 32-bit pixels carry alpha x * 8, or none at all with zeroAlpha.
QByteArray dibImage(int size, int bits, bool zeroAlpha = false)
{
    Bytes b;
    b.u32(40)
        .u32(quint32(size))
        .u32(quint32(size * 2)) // header size, width, 2 x height
        .u16(1)
        .u16(bits) // planes, bits per pixel
        .u32(0)
        .u32(0)
        .u32(0)
        .u32(0)
        .u32(0)
        .u32(0); // RGB, sizes, colours: defaults
    const int colours = bits <= 8 ? 1 << bits : 0;
    for (int i = 0; i < colours; ++i)
        b.u8(i * 10 % 256).u8(i * 20 % 256).u8(i * 30 % 256).u8(0); // blue, green, red, 0
    for (int row = size - 1; row >= 0; --row) {
        QByteArray line;
        for (int x = 0; x < size; ++x) {
            const int index = (x + row) % (colours ? colours : 256);
            if (bits == 1) {
                if (x % 8 == 0)
                    line.append('\0');
                line.back() = char(line.back() | (index << (7 - x % 8)));
            } else if (bits == 4) {
                if (x % 2 == 0)
                    line.append(char(index << 4));
                else
                    line.back() = char(line.back() | index);
            } else if (bits == 8) {
                line.append(char(index));
            } else if (bits == 24) {
                const QRgb c = paletteColour(index);
                line.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c)));
            } else { // 32 bits: blue, green, red, alpha
                line.append(char(x * 8)).append(char(row * 8)).append('\x40');
                line.append(zeroAlpha ? '\0' : char(x * 8));
            }
        }
        line.append(QByteArray((4 - line.size() % 4) % 4, '\0'));
        b.raw(line);
    }
    const int maskStride = (size + 31) / 32 * 4;
    for (int row = 0; row < size; ++row) {
        QByteArray line(maskStride, '\0');
        line[0] = char(row == size - 1 ? 0x90 : 0x80); // x = 0 transparent; x = 3 at the top
        b.raw(line);
    }
    return b.d;
}

struct Image
{
    int width, height, colourCount;
    QByteArray data;
};

// Header (reserved, type, count), 16-byte directory entries, then the images.
QByteArray iconFile(const QList<Image> &images, int type = 1)
{
    Bytes b;
    b.u16(0).u16(type).u16(int(images.size()));
    quint32 offset = 6 + 16 * quint32(images.size());
    for (const Image &i : images) {
        b.u8(i.width % 256).u8(i.height % 256).u8(i.colourCount).u8(0); // 256 is stored as 0
        b.u16(1).u16(0).u32(quint32(i.data.size())).u32(offset);
        offset += quint32(i.data.size());
    }
    for (const Image &i : images)
        b.raw(i.data);
    return b.d;
}

void writeSeed(const QString &name, const QByteArray &bytes)
{
    writeFuzzSeed("ico", name + ".ico", bytes);
}

QImage load(const QByteArray &bytes)
{
    TIcon icon;
    icon.loadFromBytes(
        { reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size()) });
    return icon.image();
}

QString loadError(const QByteArray &bytes)
{
    try {
        load(bytes);
    } catch (const Error &e) {
        return e.message();
    }
    return {};
}

QByteArray png(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "png");
    return bytes;
}

} // namespace

class TestIcon : public QObject
{
    Q_OBJECT

private slots:
    void choice_data();
    void choice();
    void choosesThirtyTwoFromFile();
    void paletteWithMask_data();
    void paletteWithMask();
    void alphaChannel();
    void pngEntry();
    void matchesQtReader();
    void refused_data();
    void refused();
    void drawsAtOwnSizeTopLeft();
};

void TestIcon::choice_data()
{
    QTest::addColumn<QList<int>>("entries"); // width, height, colour count (0 unlimited) each
    QTest::addColumn<int>("displayColors");
    QTest::addColumn<int>("chosen");
    QTest::newRow("16 then 32") << QList<int> { 16, 16, 16, 32, 32, 16 } << 0 << 1;
    QTest::newRow("48 then 32") << QList<int> { 48, 48, 16, 32, 32, 16 } << 0 << 1;
    QTest::newRow("16 then 48") << QList<int> { 16, 16, 16, 48, 48, 16 } << 0 << 0;
    QTest::newRow("more colours win") << QList<int> { 32, 32, 16, 32, 32, 0 } << 0 << 1;
    QTest::newRow("256 colours on a 16-colour display")
        << QList<int> { 32, 32, 16, 32, 32, 0 } << 16 << 0;
    QTest::newRow("256 and 48 above 16") << QList<int> { 16, 16, 0, 48, 48, 0 } << 0 << 0;
    QTest::newRow("three sizes") << QList<int> { 16, 16, 0, 24, 24, 0, 32, 32, 0, 64, 64, 0 } << 0
                                 << 2;
}

void TestIcon::choice()
{
    QFETCH(QList<int>, entries);
    QFETCH(int, displayColors);
    QFETCH(int, chosen);
    std::vector<TIcon::DirectoryEntry> list;
    for (int i = 0; i + 2 < entries.size(); i += 3)
        list.push_back({ entries[i], entries[i + 1], entries[i + 2] });
    QCOMPARE(TIcon::chooseImage(list, QSize(32, 32), displayColors), chosen);
}

void TestIcon::choosesThirtyTwoFromFile()
{
    const QByteArray file = iconFile({ { 16, 16, 16, dibImage(16, 4) },
        { 32, 32, 0, dibImage(32, 8) }, { 48, 48, 0, dibImage(48, 8) } });
    writeSeed("three-sizes", file);
    QCOMPARE(load(file).size(), QSize(32, 32));
}

void TestIcon::paletteWithMask_data()
{
    QTest::addColumn<int>("bits");
    QTest::newRow("1-bit") << 1;
    QTest::newRow("4-bit") << 4;
    QTest::newRow("8-bit") << 8;
    QTest::newRow("24-bit") << 24;
}

void TestIcon::paletteWithMask()
{
    QFETCH(int, bits);
    const QByteArray file = iconFile({ { 32, 32, bits == 4 ? 16 : 0, dibImage(32, bits) } });
    writeSeed(QTest::currentDataTag(), file);
    const QImage image = load(file);
    QCOMPARE(image.format(), QImage::Format_ARGB32);
    const int colours = bits <= 8 ? 1 << bits : 256;
    for (int y : { 0, 5, 31 }) {
        QCOMPARE(qAlpha(image.pixel(0, y)), 0);
        for (int x : { 1, 2, 17, 31 })
            QCOMPARE(image.pixel(x, y), paletteColour((x + y) % colours));
    }
    // The mask's rows are stored bottom-up, as the colour rows are.
    QCOMPARE(qAlpha(image.pixel(3, 0)), 0);
    QCOMPARE(image.pixel(3, 31), paletteColour((3 + 31) % colours));
}

void TestIcon::alphaChannel()
{
    const QByteArray file = iconFile({ { 32, 32, 0, dibImage(32, 32) } });
    writeSeed("alpha", file);
    const QImage image = load(file);
    // Alpha comes from the pixels; the AND mask is ignored.
    QCOMPARE(image.pixel(0, 0), qRgba(0x40, 0, 0, 0));
    QCOMPARE(image.pixel(3, 0), qRgba(0x40, 0, 24, 24));
    QCOMPARE(qAlpha(image.pixel(31, 31)), 248);
    // Without any alpha the mask decides, as for the other depths.
    const QImage masked = load(iconFile({ { 32, 32, 0, dibImage(32, 32, true) } }));
    QCOMPARE(qAlpha(masked.pixel(0, 5)), 0);
    QCOMPARE(qAlpha(masked.pixel(3, 0)), 0);
    QCOMPARE(masked.pixel(3, 1), qRgb(0x40, 8, 24));
}

void TestIcon::pngEntry()
{
    QImage source(64, 64, QImage::Format_ARGB32);
    source.fill(qRgba(10, 200, 30, 128));
    source.setPixel(5, 6, qRgba(1, 2, 3, 255));
    const QByteArray file
        = iconFile({ { 16, 16, 16, dibImage(16, 4) }, { 64, 64, 0, png(source) } });
    writeSeed("png", file);
    // 64 is further from 32 than 16, so the PNG needs a file of its own to be chosen.
    QCOMPARE(load(file).size(), QSize(16, 16));
    const QImage image = load(iconFile({ { 64, 64, 0, png(source) } }));
    QCOMPARE(image, source);
    // A bare PNG with the icon's extension (web sites serve them) shows the same.
    QCOMPARE(load(png(source)), source);
}

void TestIcon::matchesQtReader()
{
    QImage source(32, 32, QImage::Format_ARGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            source.setPixel(x, y, qRgba(x * 8, y * 8, 77, (x + y) % 3 ? 255 : 0));
    QTemporaryDir dir;
    const QString path = dir.filePath("qt.ico");
    QVERIFY(QImageWriter(path, "ico").write(source));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    writeSeed("qt-written", bytes);
    const QImage ours = load(bytes);
    const QImage qts = QImage(path).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(ours.size(), qts.size());
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            QCOMPARE(qAlpha(ours.pixel(x, y)), qAlpha(qts.pixel(x, y)));
            if (qAlpha(qts.pixel(x, y)))
                QCOMPARE(ours.pixel(x, y), qts.pixel(x, y));
        }
}

void TestIcon::refused_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("error");
    const QString invalid = QStringLiteral("Icon image is not valid");
    const QString readError = QStringLiteral("Stream read error");
    const QByteArray image = dibImage(16, 4);
    QTest::newRow("cursor") << iconFile({ { 16, 16, 16, image } }, 2) << invalid;
    QTest::newRow("no images") << iconFile({}) << invalid;
    QTest::newRow("empty file") << QByteArray() << readError;
    QTest::newRow("directory cut") << iconFile({ { 16, 16, 16, image } }).left(15) << readError;
    QTest::newRow("pixels cut") << iconFile({ { 16, 16, 16, image } }).left(6 + 16 + 40 + 64 + 20)
                                << readError;
    QByteArray beyond = iconFile({ { 16, 16, 16, image } });
    beyond.replace(18, 4, QByteArray("\x00\x00\x01\x00", 4)); // image offset 65536
    QTest::newRow("offset beyond the file") << beyond << readError;
    QByteArray planes = iconFile({ { 16, 16, 16, image } });
    planes[6 + 16 + 12] = 2;
    QTest::newRow("planes 2") << planes << invalid;
    QTest::newRow("damaged PNG") << iconFile(
        { { 16, 16, 0, png(QImage(16, 16, QImage::Format_ARGB32)).left(40) } })
                                 << invalid;
}

void TestIcon::refused()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, error);
    writeSeed(QTest::currentDataTag(), file);
    QCOMPARE(loadError(file), error);
}

void TestIcon::drawsAtOwnSizeTopLeft()
{
    TIcon icon;
    const QByteArray file = iconFile({ { 16, 16, 16, dibImage(16, 4) } });
    icon.loadFromBytes(
        { reinterpret_cast<const std::uint8_t *>(file.constData()), std::size_t(file.size()) });
    QVERIFY(icon.transparent());
    QImage canvas(100, 100, QImage::Format_RGB32);
    canvas.fill(Qt::blue);
    QPainter painter(&canvas);
    icon.draw(painter, QRect(10, 20, 80, 70));
    painter.end();
    QCOMPARE(canvas.pixel(10, 20), qRgb(0, 0, 255)); // masked: the background shows
    QCOMPARE(canvas.pixel(11, 20), paletteColour(1));
    QCOMPARE(canvas.pixel(25, 35), paletteColour((15 + 15) % 16));
    QCOMPARE(canvas.pixel(26, 36), qRgb(0, 0, 255)); // not scaled to the rectangle
}

QTEST_MAIN(TestIcon)
#include "test_icon.moc"
