// TJPEGImage: header-only load, decoding on first draw, the error reported once,
// cut-off and damaged files, grey pictures, and pixels against Qt's own reader.
#include "Seeds.h"
#include "common/Error.h"
#include "picture/TJPEGImage.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

using namespace lumisnap;

namespace {

QImage gradient(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, 128));
    return image;
}

QByteArray encode(const QImage &image, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

void writeSeed(const QString &name, const QByteArray &bytes)
{
    writeFuzzSeed("jpeg", name + ".jpg", bytes);
}

void load(TJPEGImage &jpeg, const QByteArray &bytes)
{
    jpeg.loadFromBytes(
        { reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size()) });
}

// The draw's error text, empty when it raised none.
QString drawError(TJPEGImage &jpeg)
{
    QImage canvas(8, 8, QImage::Format_RGB32);
    QPainter painter(&canvas);
    try {
        jpeg.draw(painter, canvas.rect());
    } catch (const EJPEG &e) {
        return e.message();
    }
    return {};
}

QString jpegError(int code)
{
    return QStringLiteral("JPEG error #%1").arg(code);
}

// Largest channel difference over rows [0, rows).
int maxDifference(const QImage &a, const QImage &b, int rows)
{
    int worst = 0;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({ worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                std::abs(qBlue(p) - qBlue(q)) });
        }
    return worst;
}

// The offset just past the entropy data's start (after the first SOS segment).
int scanDataStart(const QByteArray &bytes)
{
    const int sos = int(bytes.indexOf("\xff\xda"));
    const int length = (uchar(bytes[sos + 2]) << 8) | uchar(bytes[sos + 3]);
    return sos + 2 + length;
}

// Four flat 16 x 16 quadrants of ink, encoded by libjpeg as CMYK or YCCK. inverted:
// stored as Adobe's writers store ink (255 = none), with their marker; otherwise
// as it is, without one.
struct Ink
{
    int c, m, y, k;
};
const Ink Quadrants[4] = { { 0, 0, 0, 0 }, { 255, 0, 0, 0 }, { 0, 128, 255, 0 }, { 0, 0, 0, 200 } };

QByteArray encodeInk(J_COLOR_SPACE space, bool inverted)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char *out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = 32;
    cinfo.image_height = 32;
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, space);
    cinfo.write_Adobe_marker = inverted;
    jpeg_set_quality(&cinfo, 100, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(32 * 4);
    while (cinfo.next_scanline < 32) {
        for (int x = 0; x < 32; ++x) {
            const Ink &ink = Quadrants[(cinfo.next_scanline / 16) * 2 + x / 16];
            const int values[4] = { ink.c, ink.m, ink.y, ink.k };
            for (int i = 0; i < 4; ++i)
                row[std::size_t(x * 4 + i)] = JSAMPLE(inverted ? 255 - values[i] : values[i]);
        }
        JSAMPROW rows[1] = { row.data() };
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    const QByteArray bytes(reinterpret_cast<const char *>(out), qsizetype(size));
    std::free(out);
    return bytes;
}

} // namespace

class TestJpeg : public QObject
{
    Q_OBJECT

private slots:
    void matchesQtReader_data();
    void matchesQtReader();
    void headerOnlyUntilDrawn();
    void grayscaleThroughGreyPalette();
    void emptyFileRaisesOnceOnFirstDraw();
    void truncatedShowsUpperPart();
    void damagedDataRaisesOnceAndKeepsRows();
    void brokenHeaderFailsLoad_data();
    void brokenHeaderFailsLoad();
    void inkPictures_data();
    void inkPictures();
};

void TestJpeg::matchesQtReader_data()
{
    QTest::addColumn<QImage>("source");
    QTest::addColumn<bool>("progressive");
    QTest::newRow("baseline 64x48") << gradient(64, 48) << false;
    QTest::newRow("baseline 37x13") << gradient(37, 13) << false; // partial blocks
    QTest::newRow("progressive 80x60") << gradient(80, 60) << true;
}

void TestJpeg::matchesQtReader()
{
    QFETCH(QImage, source);
    QFETCH(bool, progressive);
    QTemporaryDir dir;
    const QString path = dir.filePath("p.jpg");
    const QByteArray bytes = encode(source, progressive);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    writeSeed(QTest::currentDataTag(), bytes);

    TJPEGImage jpeg;
    load(jpeg, bytes);
    QCOMPARE(jpeg.progressiveEncoding(), progressive);
    const QImage ours = jpeg.bitmap().image();
    QCOMPARE(ours.format(), QImage::Format_RGB888);
    const QImage qts(path);
    QCOMPARE(ours.size(), qts.size());
    QVERIFY(maxDifference(ours, qts, ours.height()) <= 2);
}

void TestJpeg::headerOnlyUntilDrawn()
{
    TJPEGImage jpeg;
    int changes = 0;
    jpeg.setOnChange([&] { ++changes; });
    load(jpeg, encode(gradient(50, 20)));
    QCOMPARE(changes, 1);
    QCOMPARE(jpeg.width(), 50);
    QCOMPARE(jpeg.height(), 20);
    QVERIFY(jpeg.palette().isEmpty());
    QCOMPARE(drawError(jpeg), QString());
    QCOMPARE(jpeg.bitmap().width(), 50);
    QCOMPARE(changes, 1); // a 24-bit picture makes no palette
}

void TestJpeg::grayscaleThroughGreyPalette()
{
    QImage grey(40, 30, QImage::Format_Grayscale8);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            grey.scanLine(y)[x] = uchar(x * 6);
    const QByteArray bytes = encode(grey);
    writeSeed("grayscale", bytes);
    TJPEGImage jpeg;
    int changes = 0;
    jpeg.setOnChange([&] { ++changes; });
    load(jpeg, bytes);
    QVERIFY(jpeg.isGrayscaleFile());
    const QImage image = jpeg.bitmap().image();
    QCOMPARE(changes, 2); // the load, and the palette made by decoding
    QCOMPARE(image.format(), QImage::Format_Indexed8);
    QVERIFY(image.colorCount() <= 236);
    QVERIFY(image.colorCount() > 200);
    for (QRgb c : image.colorTable())
        QVERIFY(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c));
    QImage qts;
    QVERIFY(qts.loadFromData(bytes, "jpeg"));
    QVERIFY(maxDifference(image, qts, 30) <= 2);
}

void TestJpeg::emptyFileRaisesOnceOnFirstDraw()
{
    TJPEGImage jpeg;
    load(jpeg, {});
    QCOMPARE(jpeg.width(), 0);
    QCOMPARE(jpeg.height(), 0);
    QCOMPARE(drawError(jpeg), jpegError(JERR_INPUT_EMPTY));
    QCOMPARE(drawError(jpeg), QString());
    QCOMPARE(drawError(jpeg), QString());
}

void TestJpeg::truncatedShowsUpperPart()
{
    const QImage source = gradient(64, 64);
    const QByteArray whole = encode(source);
    QImage full;
    QVERIFY(full.loadFromData(whole, "jpeg"));
    const int start = scanDataStart(whole);
    const QByteArray cut = whole.left(start + (whole.size() - start) / 2);
    writeSeed("truncated", cut);
    TJPEGImage jpeg;
    load(jpeg, cut);
    QCOMPARE(drawError(jpeg), QString());
    const QImage image = jpeg.bitmap().image();
    QCOMPARE(image.size(), QSize(64, 64));
    QVERIFY(maxDifference(image, full, 16) <= 2);
    QVERIFY(maxDifference(image, full, 64) > 2); // the missing part is filled, not decoded
}

void TestJpeg::damagedDataRaisesOnceAndKeepsRows()
{
    const QImage source = gradient(64, 64);
    QByteArray bytes = encode(source);
    QImage full;
    QVERIFY(full.loadFromData(bytes, "jpeg"));
    // A start-of-image marker inside the entropy data: the rows before it decode,
    // then libjpeg meets the marker and gives up.
    const int start = scanDataStart(bytes);
    bytes.replace(start + (bytes.size() - start) / 2, 2, "\xff\xd8");
    writeSeed("damaged", bytes);
    TJPEGImage jpeg;
    load(jpeg, bytes);
    QCOMPARE(jpeg.width(), 64);
    QCOMPARE(drawError(jpeg), jpegError(JERR_SOI_DUPLICATE));
    QCOMPARE(drawError(jpeg), QString());
    const QImage image = jpeg.bitmap().image();
    QCOMPARE(image.size(), QSize(64, 64));
    QVERIFY(maxDifference(image, full, 16) <= 2);
}

void TestJpeg::brokenHeaderFailsLoad_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("code");
    const QByteArray good = encode(gradient(16, 16));
    QTest::newRow("not a JPEG") << QByteArray("GIF89a....") << int(JERR_NO_SOI);
    QTest::newRow("markers only") << QByteArray("\xff\xd8\xff\xd9", 4) << int(JERR_NO_IMAGE);
    // SOF0 with width 0: the frame header is refused.
    QByteArray zeroWidth = good;
    const int sof = int(zeroWidth.indexOf("\xff\xc0"));
    zeroWidth.replace(sof + 7, 2, QByteArray(2, '\0'));
    QTest::newRow("width 0") << zeroWidth << int(JERR_EMPTY_IMAGE);
    QByteArray huge = good; // 65500 x 65500: beyond the picture limit
    huge.replace(sof + 5, 4, "\xff\xdc\xff\xdc");
    QTest::newRow("beyond the picture limit") << huge << int(JERR_IMAGE_TOO_BIG);
    huge.replace(sof + 5, 4, "\x3e\x80\x3e\x80"); // 16000 x 16000 from a few hundred bytes
    QTest::newRow("far beyond its data") << huge << int(JERR_IMAGE_TOO_BIG);
}

void TestJpeg::inkPictures_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("Adobe CMYK") << encodeInk(JCS_CMYK, true);
    QTest::newRow("Adobe YCCK") << encodeInk(JCS_YCCK, true);
    QTest::newRow("plain CMYK") << encodeInk(JCS_CMYK, false);
}

// Ink pictures show as RGB: each channel is (255 - ink) x (255 - black) / 255.
void TestJpeg::inkPictures()
{
    QFETCH(QByteArray, bytes);
    writeSeed(QTest::currentDataTag(), bytes);
    TJPEGImage jpeg;
    load(jpeg, bytes);
    QCOMPARE(drawError(jpeg), QString());
    const QImage image = jpeg.bitmap().image();
    QCOMPARE(image.size(), QSize(32, 32));
    for (int q = 0; q < 4; ++q) {
        const Ink &ink = Quadrants[q];
        const auto channel = [&ink](int value) { return (255 - value) * (255 - ink.k) / 255; };
        const QRgb expected = qRgb(channel(ink.c), channel(ink.m), channel(ink.y));
        const QRgb actual = image.pixel(8 + (q % 2) * 16, 8 + (q / 2) * 16);
        QVERIFY2(std::abs(qRed(actual) - qRed(expected)) <= 3
                && std::abs(qGreen(actual) - qGreen(expected)) <= 3
                && std::abs(qBlue(actual) - qBlue(expected)) <= 3,
            qPrintable(QStringLiteral("quadrant %1: %2 instead of %3")
                           .arg(q)
                           .arg(actual, 8, 16)
                           .arg(expected, 8, 16)));
    }
}

void TestJpeg::brokenHeaderFailsLoad()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, code);
    writeSeed(QTest::currentDataTag(), bytes);
    TJPEGImage jpeg;
    try {
        load(jpeg, bytes);
        QFAIL("no error");
    } catch (const EJPEG &e) {
        QCOMPARE(e.message(), jpegError(code));
    }
}

QTEST_MAIN(TestJpeg)
#include "test_jpeg.moc"
