// TBitmap against byte-built files: every depth and layout, run-length data,
// the pixel-data offset, and the faults a file can carry.
#include "Bytes.h"
#include "Seeds.h"
#include "common/Error.h"
#include "picture/DibReader.h"
#include "picture/PictureLimits.h"
#include "picture/TBitmap.h"
#include "picture/TPicture.h"

#include <QDir>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

using namespace lumisnap;

namespace {

QByteArray infoHeader(
    int width, int height, int bits, int compression = 0, int colorsUsed = 0, quint32 imageSize = 0)
{
    return Bytes()
        .u32(40) // header size
        .u32(quint32(width)) // width
        .u32(quint32(height)) // height, negative: top-down
        .u16(1) // planes
        .u16(bits) // bits per pixel
        .u32(quint32(compression)) // 0 RGB, 1 RLE8, 2 RLE4, 3 bit fields
        .u32(imageSize) // image size, 0: computed
        .u32(2835)
        .u32(2835) // resolution
        .u32(quint32(colorsUsed)) // colours used
        .u32(0) // important colours
        .d;
}

QByteArray coreHeader(int width, int height, int bits)
{
    return Bytes().u32(12).u16(width).u16(height).u16(1).u16(bits).d;
}

// File header: "BM", file size, two reserved words, pixel-data offset.
QByteArray bmpFile(
    const QByteArray &header, const QByteArray &table, const QByteArray &pixels, qint64 offset = -1)
{
    const int natural = 14 + header.size() + table.size();
    Bytes b;
    b.raw("BM").u32(quint32(natural + pixels.size())).u16(0).u16(0);
    b.u32(quint32(offset < 0 ? natural : offset));
    return b.raw(header).raw(table).raw(pixels).d;
}

QByteArray table4(const QVector<QRgb> &colors)
{
    Bytes b;
    for (QRgb c : colors)
        b.u8(qBlue(c)).u8(qGreen(c)).u8(qRed(c)).u8(0);
    return b.d;
}

// The test picture: 4 x 3, eight colours whose channels are 0 or 255, exact at any depth.
const QVector<QRgb> eight = { qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255),
    qRgb(255, 255, 0), qRgb(0, 255, 255), qRgb(255, 0, 255), qRgb(255, 255, 255) };
const int indices[3][4] = { { 1, 2, 3, 0 }, { 4, 5, 6, 7 }, { 7, 0, 1, 2 } };

int indexAt(int x, int y, int bits)
{
    return bits == 1 ? indices[y][x] % 2 : indices[y][x];
}

QByteArray packedRow(int y, int bits)
{
    QByteArray row;
    quint32 acc = 0;
    int used = 0;
    for (int x = 0; x < 4; ++x) {
        acc = (acc << bits) | quint32(indexAt(x, y, bits));
        used += bits;
        while (used >= 8) {
            row.append(char(acc >> (used - 8)));
            used -= 8;
        }
    }
    if (used)
        row.append(char(acc << (8 - used)));
    return row;
}

QByteArray rgbRow(int y, int bits)
{
    Bytes b;
    for (int x = 0; x < 4; ++x) {
        const QRgb c = eight[indices[y][x]];
        if (bits == 24)
            b.u8(qBlue(c)).u8(qGreen(c)).u8(qRed(c));
        else if (bits == 32)
            b.u8(qBlue(c)).u8(qGreen(c)).u8(qRed(c)).u8(0);
        else if (bits == 555)
            b.u16((qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | qBlue(c) >> 3);
        else // 565
            b.u16((qRed(c) >> 3) << 11 | (qGreen(c) >> 2) << 5 | qBlue(c) >> 3);
    }
    return b.d;
}

// Rows padded to 4 bytes, bottom row first unless topDown.
QByteArray pixelRows(int bits, bool topDown)
{
    QByteArray out;
    for (int i = 0; i < 3; ++i) {
        const int y = topDown ? i : 2 - i;
        QByteArray row = bits <= 8 ? packedRow(y, bits) : rgbRow(y, bits);
        row.append(QByteArray((4 - row.size() % 4) % 4, '\0'));
        out.append(row);
    }
    return out;
}

QRgb expectedAt(int x, int y, int bits)
{
    return eight[indexAt(x, y, bits)];
}

void writeSeed(const QString &name, const QByteArray &bytes)
{
    writeFuzzSeed("bmp", name + ".bmp", bytes);
}

std::unique_ptr<TBitmap> load(const QByteArray &bytes)
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->loadFromBytes(
        { reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size()) });
    return bitmap;
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

void comparePicture(const QImage &image, int bits)
{
    QCOMPARE(image.size(), QSize(4, 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            QCOMPARE(QColor(image.pixel(x, y)), QColor(expectedAt(x, y, bits)));
}

QByteArray rleFile(int bits, const QByteArray &data, int width = 4, int height = 3)
{
    return bmpFile(infoHeader(width, height, bits, bits == 8 ? 1 : 2, 16, quint32(data.size())),
        table4(eight + QVector<QRgb>(8, qRgb(9, 9, 9))), data);
}

} // namespace

class TestBitmap : public QObject
{
    Q_OBJECT

private slots:
    void depths_data();
    void depths();
    void runLengthEncoded_data();
    void runLengthEncoded();
    void brokenRunLength_data();
    void brokenRunLength();
    void pixelDataOffset_data();
    void pixelDataOffset();
    void refusedFiles_data();
    void refusedFiles();
    void emptyFileIsEmptyBitmap();
    void shortPixelDataLeavesZeroRows();
    void matchesQtReader_data();
    void matchesQtReader();
    void fileReadAsBytes_data();
    void fileReadAsBytes();
};

void TestBitmap::depths_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("colorTable"); // entries of palette()

    for (bool topDown : { false, true }) {
        const int h = topDown ? -3 : 3;
        const char *order = topDown ? "top-down" : "bottom-up";
        for (int bits : { 1, 4, 8 }) {
            const int full = 1 << bits;
            QTest::addRow("%d-bit %s", bits, order) << bmpFile(infoHeader(4, h, bits),
                table4((eight + QVector<QRgb>(256)).mid(0, full)), pixelRows(bits, topDown))
                                                    << bits << full;
        }
        QTest::addRow("24-bit %s", order)
            << bmpFile(infoHeader(4, h, 24), {}, pixelRows(24, topDown)) << 24 << 0;
        QTest::addRow("32-bit %s", order)
            << bmpFile(infoHeader(4, h, 32), {}, pixelRows(32, topDown)) << 32 << 0;
        QTest::addRow("16-bit 555 %s", order)
            << bmpFile(infoHeader(4, h, 16), {}, pixelRows(555, topDown)) << 16 << 0;
        // Bit fields: red, green, blue masks after the 40-byte header.
        const QByteArray masks565 = Bytes().u32(0xF800).u32(0x07E0).u32(0x001F).d;
        QTest::addRow("16-bit 565 bit fields %s", order)
            << bmpFile(infoHeader(4, h, 16, 3) + masks565, {}, pixelRows(565, topDown)) << 16 << 0;
        const QByteArray masks888 = Bytes().u32(0xFF0000).u32(0xFF00).u32(0xFF).d;
        QTest::addRow("32-bit bit fields %s", order)
            << bmpFile(infoHeader(4, h, 32, 3) + masks888, {}, pixelRows(32, topDown)) << 32 << 0;
        // Version 4 (108 bytes) and 5 (124) headers hold the masks, then alpha and colour space.
        for (int size : { 108, 124 }) {
            QByteArray header = infoHeader(4, h, 16, 3) + masks565;
            header.replace(0, 4, Bytes().u32(quint32(size)).d);
            header.append(QByteArray(size - header.size(), '\0'));
            QTest::addRow("%d-byte header, 565 masks %s", size, order)
                << bmpFile(header, {}, pixelRows(565, topDown)) << 16 << 0;
        }
    }
    // A used-colour count shorter than the depth's full table.
    QTest::newRow("8-bit, 8 colours used")
        << bmpFile(infoHeader(4, 3, 8, 0, 8), table4(eight), pixelRows(8, false)) << 8 << 8;
    // A colour table above 8 bits still gives a palette.
    QTest::newRow("24-bit with colour table")
        << bmpFile(infoHeader(4, 3, 24, 0, 8), table4(eight), pixelRows(24, false)) << 24 << 8;
    // OS/2 core header: 16-bit sizes, 3-byte colour entries.
    Bytes core3;
    for (QRgb c : eight + QVector<QRgb>(248))
        core3.u8(qBlue(c)).u8(qGreen(c)).u8(qRed(c));
    QTest::newRow("OS/2 8-bit") << bmpFile(coreHeader(4, 3, 8), core3.d, pixelRows(8, false)) << 8
                                << 256;
    QTest::newRow("OS/2 24-bit") << bmpFile(coreHeader(4, 3, 24), {}, pixelRows(24, false)) << 24
                                 << 0;
}

void TestBitmap::depths()
{
    QFETCH(QByteArray, file);
    QFETCH(int, bits);
    QFETCH(int, colorTable);
    writeSeed(QTest::currentDataTag(), file);
    const auto bitmap = load(file);
    comparePicture(bitmap->image(), bits);
    QCOMPARE(bitmap->palette().size(), colorTable);
    if (bits <= 8)
        QVERIFY(bitmap->image().format() == QImage::Format_Mono
            || bitmap->image().format() == QImage::Format_Indexed8);
}

void TestBitmap::runLengthEncoded_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("bits");
    // Stored bottom row first; expected rows top-down as indices, 0 where nothing was written.
    QTest::addColumn<QList<QList<int>>>("rows");

    const QByteArray rle8 = Bytes()
                                .u8(2)
                                .u8(7)
                                .u8(2)
                                .u8(0) // row 0: run 7 7, run 0 0
                                .u8(0)
                                .u8(0) // end of line
                                .u8(0)
                                .u8(3)
                                .u8(1)
                                .u8(2)
                                .u8(3)
                                .u8(0) // absolute 1 2 3, padded
                                .u8(0)
                                .u8(0) // end of line
                                .u8(0)
                                .u8(2)
                                .u8(1)
                                .u8(0) // delta: one pixel right
                                .u8(1)
                                .u8(5) // run 5
                                .u8(9)
                                .u8(4) // run past the edge, clipped
                                .u8(0)
                                .u8(1) // end of bitmap
                                .d;
    QTest::newRow("RLE8") << rleFile(8, rle8) << 8
                          << QList<QList<int>> { { 0, 5, 4, 4 }, { 1, 2, 3, 0 }, { 7, 7, 0, 0 } };
    const QByteArray rle4 = Bytes()
                                .u8(3)
                                .u8(0x12) // run 1 2 1
                                .u8(0)
                                .u8(0) // end of line
                                .u8(0)
                                .u8(4)
                                .u8(0x34)
                                .u8(0x56) // absolute 3 4 5 6
                                .u8(0)
                                .u8(1) // end of bitmap
                                .d;
    QTest::newRow("RLE4") << rleFile(4, rle4) << 4
                          << QList<QList<int>> { { 0, 0, 0, 0 }, { 3, 4, 5, 6 }, { 1, 2, 1, 0 } };
    // Absolute 1 2 3 in two bytes (no padding), a delta one row down, run 5, end of bitmap.
    const QByteArray oddAndDown = Bytes().u8s({ 0, 3, 0x12, 0x30, 0, 2, 0, 1, 1, 0x50, 0, 1 }).d;
    QTest::newRow("RLE4 odd absolute run, delta down") << rleFile(
        4, oddAndDown) << 4 << QList<QList<int>> { { 0, 0, 0, 0 }, { 0, 0, 0, 5 }, { 1, 2, 3, 0 } };
    QTest::newRow("RLE8 without end of bitmap")
        << rleFile(8, Bytes().u8(2).u8(1).d) << 8
        << QList<QList<int>> { { 0, 0, 0, 0 }, { 0, 0, 0, 0 }, { 1, 1, 0, 0 } };
}

void TestBitmap::runLengthEncoded()
{
    QFETCH(QByteArray, file);
    QFETCH(QList<QList<int>>, rows);
    writeSeed(QTest::currentDataTag(), file);
    const QImage image = load(file)->image();
    QCOMPARE(image.format(), QImage::Format_Indexed8);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            QCOMPARE(image.pixelIndex(x, y), rows[y][x]);
}

void TestBitmap::brokenRunLength_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("absolute run cut short") << rleFile(8, Bytes().u8(0).u8(5).u8(1).u8(2).d);
    QTest::newRow("delta cut short") << rleFile(4, Bytes().u8(0).u8(2).u8(1).d);
    QTest::newRow("RLE8 at 4 bits") << rleFile(4, Bytes().u8(0).u8(1).d).replace(30, 1, "\x01");
    QTest::newRow("top-down RLE") << bmpFile(
        infoHeader(4, -3, 8, 1, 16), table4(QVector<QRgb>(16)), Bytes().u8(0).u8(1).d);
}

void TestBitmap::brokenRunLength()
{
    QFETCH(QByteArray, file);
    QCOMPARE(loadError(file), QStringLiteral("Bitmap image is not valid"));
}

void TestBitmap::pixelDataOffset_data()
{
    QTest::addColumn<QByteArray>("file");
    const QByteArray header = infoHeader(4, 3, 24);
    const QByteArray pixels = pixelRows(24, false);
    const int natural = 14 + header.size();
    // The gap holds bytes that would shift every pixel if read as picture data.
    QTest::newRow("gap before pixels")
        << bmpFile(header, {}, QByteArray(10, '\x55') + pixels, natural + 10);
    QTest::newRow("offset beyond the file") << bmpFile(header, {}, pixels, 1 << 20);
    QTest::newRow("offset inside the headers") << bmpFile(header, {}, pixels, 20);
    QTest::newRow("offset 0") << bmpFile(header, {}, pixels, 0);
}

void TestBitmap::pixelDataOffset()
{
    QFETCH(QByteArray, file);
    writeSeed(QTest::currentDataTag(), file);
    comparePicture(load(file)->image(), 24);
}

void TestBitmap::refusedFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("error");
    const QString invalid = QStringLiteral("Bitmap image is not valid");
    const QString readError = QStringLiteral("Stream read error");
    const QByteArray good
        = bmpFile(infoHeader(4, 3, 8), table4(QVector<QRgb>(256)), pixelRows(8, false));

    QTest::newRow("no BM") << QByteArray("MB").append(good.mid(2)) << invalid;
    QTest::newRow("planes 2") << QByteArray(good).replace(26, 1, "\x02") << invalid;
    QTest::newRow("7 bits") << bmpFile(infoHeader(4, 3, 7), {}, pixelRows(24, false)) << invalid;
    QTest::newRow("width 0") << bmpFile(infoHeader(0, 3, 24), {}, {}) << invalid;
    QTest::newRow("width x height overflows")
        << bmpFile(infoHeader(0x7FFFFFFF, 0x7FFFFFFF, 32), {}, {}) << invalid;
    QTest::newRow("most negative height")
        << bmpFile(infoHeader(16, int(0x80000000u), 24), {}, {}) << invalid;
    QTest::newRow("above the pixel limit")
        << bmpFile(infoHeader(1 << 15, (1 << 13) + 1, 24), {}, {}) << invalid;
    QTest::newRow("far beyond its data")
        << bmpFile(infoHeader(1 << 14, 1 << 14, 24), {}, pixelRows(24, false)) << invalid;
    QTest::newRow("run-length far beyond its data")
        << rleFile(8, Bytes().u8(0).u8(1).d, 1 << 14, 1 << 14) << invalid;
    QTest::newRow("absurd colour count")
        << bmpFile(infoHeader(4, 3, 8, 0, 1000000000), {}, {}) << invalid;
    QTest::newRow("bit fields at 24 bits") << bmpFile(infoHeader(4, 3, 24, 3), {}, {}) << invalid;
    QTest::newRow("header size 30") << QByteArray(good).replace(14, 1, "\x1e") << invalid;
    QTest::newRow("only the signature") << QByteArray("BM") << readError;
    QTest::newRow("information header cut") << good.left(30) << readError;
    QTest::newRow("colour table cut") << good.left(14 + 40 + 100) << readError;
    QTest::newRow("bit-field masks cut") << bmpFile(infoHeader(4, 3, 16, 3), {}, {}) << readError;
}

void TestBitmap::refusedFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, error);
    writeSeed(QTest::currentDataTag(), file);
    QCOMPARE(loadError(file), error);
}

void TestBitmap::emptyFileIsEmptyBitmap()
{
    const auto bitmap = load({});
    QVERIFY(bitmap->empty());
    QCOMPARE(bitmap->width(), 0);
    QCOMPARE(bitmap->height(), 0);
}

void TestBitmap::shortPixelDataLeavesZeroRows()
{
    // Only the bottom row is present; the image size claims more than the file holds.
    QByteArray file = bmpFile(infoHeader(4, 3, 24, 0, 0, 1000), {}, pixelRows(24, false).left(12));
    const QImage image = load(file)->image();
    for (int x = 0; x < 4; ++x) {
        QCOMPARE(QColor(image.pixel(x, 2)), QColor(expectedAt(x, 2, 24)));
        QCOMPARE(qRgb(0, 0, 0), image.pixel(x, 0));
    }
}

void TestBitmap::matchesQtReader_data()
{
    QTest::addColumn<QImage>("source");
    QImage rgb(37, 23, QImage::Format_RGB32); // odd width: padded rows
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            rgb.setPixel(x, y, qRgb(x * 7, y * 11, (x * y) % 256));
    QTest::newRow("24-bit") << rgb;
    QTest::newRow("8-bit") << rgb.convertToFormat(QImage::Format_Indexed8);
    QTest::newRow("1-bit") << rgb.convertToFormat(QImage::Format_Mono);
}

void TestBitmap::matchesQtReader()
{
    QFETCH(QImage, source);
    QTemporaryDir dir;
    const QString path = dir.filePath("picture.bmp");
    QImageWriter writer(path, "bmp");
    QVERIFY(writer.write(source));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    writeSeed(QStringLiteral("qt-") + QTest::currentDataTag(), bytes);
    const QImage ours = load(bytes)->image().convertToFormat(QImage::Format_RGB32);
    const QImage qts = QImage(path).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(ours, qts);
}

// Files large enough to be read row by row from the file give what their bytes give.
void TestBitmap::fileReadAsBytes_data()
{
    QTest::addColumn<QByteArray>("file");
    const auto noise = [](int bytes) {
        QByteArray out(bytes, '\0');
        for (int i = 0; i < bytes; ++i)
            out[i] = char((i * 7919) >> 3);
        return out;
    };
    const int w = 101, h = 40; // odd width: padded rows
    const int stride24 = int(dib::rowStride(w, 24));
    const QByteArray rows24 = noise(stride24 * h);
    QTest::newRow("24-bit bottom-up") << bmpFile(infoHeader(w, h, 24), {}, rows24);
    QTest::newRow("24-bit top-down") << bmpFile(infoHeader(w, -h, 24), {}, rows24);
    QTest::newRow("24-bit cut inside a row")
        << bmpFile(infoHeader(w, h, 24), {}, rows24.left(stride24 * 30 + 50));
    QTest::newRow("24-bit after a gap")
        << bmpFile(infoHeader(w, h, 24), {}, QByteArray(16, '\x55') + rows24, 14 + 40 + 16);
    const QByteArray table = table4(eight + QVector<QRgb>(248, qRgb(9, 9, 9)));
    QTest::newRow("8-bit") << bmpFile(infoHeader(w * 2, h, 8), table, noise(w * 2 * h * 2));
    QTest::newRow("1-bit") << bmpFile(infoHeader(w * 8, h * 4, 1), table4(eight.mid(0, 2)),
        noise(int(dib::rowStride(w * 8, 1)) * h * 4));
}

void TestBitmap::fileReadAsBytes()
{
    QFETCH(QByteArray, file);
    QVERIFY(file.size() > 4096);
    QTemporaryDir dir;
    const QString path = dir.filePath("picture.bmp");
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
    out.close();
    TPicture picture;
    picture.LoadFromFile(path);
    const QImage fromFile = static_cast<TBitmap *>(picture.graphic())->image();
    const QImage fromBytes = load(file)->image();
    QCOMPARE(fromFile.format(), fromBytes.format());
    QCOMPARE(fromFile, fromBytes);
}

QTEST_MAIN(TestBitmap)
#include "test_bitmap.moc"
