// Exif orientation: the tag read from byte-built blocks in both byte orders,
// damaged blocks ignored, and the decoded picture turned upright.
#include "picture/ExifOrientation.h"
#include "picture/TJPEGImage.h"

#include <QBuffer>
#include <QImageWriter>
#include <QTest>

using namespace lumisnap;

namespace {

// Field writer in the byte order the TIFF header names.
struct Tiff
{
    bool big;
    QByteArray d;
    Tiff &u16(int v)
    {
        const char lo = char(v & 0xFF), hi = char((v >> 8) & 0xFF);
        d.append(big ? hi : lo).append(big ? lo : hi);
        return *this;
    }
    Tiff &u32(quint32 v)
    {
        return big ? u16(int(v >> 16)).u16(int(v & 0xFFFF))
                   : u16(int(v & 0xFFFF)).u16(int(v >> 16));
    }
};

// A TIFF block whose first IFD holds one other entry and then the orientation.
QByteArray tiffBlock(bool big, int orientation, quint32 ifdOffset = 8, int type = 3)
{
    Tiff t { big, {} };
    t.d.append(big ? "MM" : "II");
    t.u16(42).u32(ifdOffset);
    t.u16(2); // entries
    t.u16(0x010F).u16(2).u32(4).u32(0); // Make, an ASCII entry to step over
    t.u16(0x0112).u16(type).u32(1).u16(orientation).u16(0);
    t.u32(0); // no next IFD
    return t.d;
}

// bytes with an APP1 segment of body put right after the start-of-image marker.
QByteArray withApp1(const QByteArray &jpeg, const QByteArray &body)
{
    const int length = int(body.size()) + 2;
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char(length >> 8)).append(char(length & 0xFF)).append(body);
    return QByteArray(jpeg).insert(2, segment);
}

QByteArray exif(const QByteArray &tiff)
{
    return QByteArray("Exif\0\0", 6) + tiff;
}

QByteArray encode(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(95);
    writer.write(image);
    return bytes;
}

const QRgb Colours[4] = { qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 0) };

// 64 x 32 in four flat quadrants, aligned to the encoder's blocks.
QImage quadrants()
{
    QImage image(64, 32, QImage::Format_RGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
            image.setPixel(x, y, Colours[(y / 16) * 2 + x / 32]);
    return image;
}

int read(const QByteArray &bytes)
{
    return ExifOrientation::read(
        { reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size()) });
}

bool near(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) <= 24 && std::abs(qGreen(a) - qGreen(b)) <= 24
        && std::abs(qBlue(a) - qBlue(b)) <= 24;
}

} // namespace

class TestOrientation : public QObject
{
    Q_OBJECT

private slots:
    void readsTag_data();
    void readsTag();
    void uprightPixels_data();
    void uprightPixels();
    void turnsEveryPixel_data();
    void turnsEveryPixel();
};

void TestOrientation::readsTag_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("expected");
    const QByteArray plain = encode(quadrants());
    for (int value = 1; value <= 8; ++value) {
        QTest::addRow("II %d", value) << withApp1(plain, exif(tiffBlock(false, value))) << value;
        QTest::addRow("MM %d", value) << withApp1(plain, exif(tiffBlock(true, value))) << value;
    }
    QTest::newRow("no Exif") << plain << 1;
    QTest::newRow("value 9") << withApp1(plain, exif(tiffBlock(false, 9))) << 1;
    QTest::newRow("type LONG") << withApp1(plain, exif(tiffBlock(false, 6, 8, 4))) << 1;
    QTest::newRow("IFD past segment")
        << withApp1(plain, exif(tiffBlock(false, 6, 0x7FFFFFF0))) << 1;
    QTest::newRow("IFD cut short") << withApp1(plain, exif(tiffBlock(true, 6).left(20))) << 1;
    QTest::newRow("bad byte order")
        << withApp1(plain, exif("XX" + tiffBlock(false, 6).mid(2))) << 1;
    QByteArray overlong = withApp1(plain, exif(tiffBlock(false, 6)));
    overlong[4] = char(0x7F); // segment length past the file's end
    QTest::newRow("segment past file") << overlong << 1;
    QTest::newRow("not a JPEG") << QByteArray("GIF89a") << 1;
    QTest::newRow("empty") << QByteArray() << 1;
}

void TestOrientation::readsTag()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, expected);
    QCOMPARE(read(bytes), expected);
}

void TestOrientation::uprightPixels_data()
{
    // Quadrants of the upright picture, as indexes into the stored ones.
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QList<int>>("upright"); // top-left, top-right, bottom-left, bottom-right
    QTest::newRow("1") << 1 << QList<int> { 0, 1, 2, 3 };
    QTest::newRow("2 mirrored") << 2 << QList<int> { 1, 0, 3, 2 };
    QTest::newRow("3 half turn") << 3 << QList<int> { 3, 2, 1, 0 };
    QTest::newRow("4 flipped") << 4 << QList<int> { 2, 3, 0, 1 };
    QTest::newRow("5 transposed") << 5 << QList<int> { 0, 2, 1, 3 };
    QTest::newRow("6 turn right") << 6 << QList<int> { 2, 0, 3, 1 };
    QTest::newRow("7 transversed") << 7 << QList<int> { 3, 1, 2, 0 };
    QTest::newRow("8 turn left") << 8 << QList<int> { 1, 3, 0, 2 };
}

void TestOrientation::uprightPixels()
{
    QFETCH(int, orientation);
    QFETCH(QList<int>, upright);
    const QByteArray bytes = withApp1(encode(quadrants()), exif(tiffBlock(true, orientation)));
    TJPEGImage jpeg;
    jpeg.loadFromBytes(
        { reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size()) });
    const QSize expected = ExifOrientation::swapsSides(orientation) ? QSize(32, 64) : QSize(64, 32);
    QCOMPARE(QSize(jpeg.width(), jpeg.height()), expected); // before decoding
    const QImage image = jpeg.bitmap().image();
    QCOMPARE(image.size(), expected);
    QCOMPARE(QSize(jpeg.width(), jpeg.height()), expected);
    const int w = expected.width(), h = expected.height();
    const QPoint centres[4] = { { w / 4, h / 4 }, { 3 * w / 4, h / 4 }, { w / 4, 3 * h / 4 },
        { 3 * w / 4, 3 * h / 4 } };
    for (int q = 0; q < 4; ++q)
        QVERIFY2(
            near(image.pixel(centres[q]), Colours[upright[q]]), qPrintable(QString::number(q)));
}

void TestOrientation::turnsEveryPixel_data()
{
    QTest::addColumn<QImage::Format>("format");
    QTest::newRow("palette") << QImage::Format_Indexed8;
    QTest::newRow("rgb888") << QImage::Format_RGB888;
    QTest::newRow("rgb32") << QImage::Format_RGB32;
    QTest::newRow("rgb16") << QImage::Format_RGB16;
}

// Every pixel, on a size that ends mid-tile, against Qt's own turns and mirrors.
void TestOrientation::turnsEveryPixel()
{
    QFETCH(QImage::Format, format);
    QImage stored(131, 70, QImage::Format_RGB32);
    for (int y = 0; y < stored.height(); ++y)
        for (int x = 0; x < stored.width(); ++x)
            stored.setPixel(x, y, qRgb(x * 8 % 256, y * 8 % 256, (x / 32 + y / 32) * 40));
    stored = stored.convertToFormat(format);
    const QImage turned = stored.transformed(QTransform().rotate(90));
    const QImage expected[9] = { {}, stored, stored.mirrored(true, false),
        stored.mirrored(true, true), stored.mirrored(false, true), turned.mirrored(true, false),
        turned, turned.mirrored(false, true), turned.mirrored(true, true) };
    for (int orientation = 1; orientation <= 8; ++orientation) {
        QVERIFY2(ExifOrientation::apply(stored, orientation) == expected[orientation],
            qPrintable(QString::number(orientation)));
        // As a decoder turns it, band by band, the last one short.
        QImage upright(ExifOrientation::uprightSize(stored.size(), orientation), format);
        upright.setColorTable(stored.colorTable());
        for (int top = 0; top < stored.height(); top += 16)
            ExifOrientation::placeBand(
                stored.copy(0, top, stored.width(), std::min(16, stored.height() - top)), top,
                stored.height(), upright, orientation);
        QVERIFY2(upright == expected[orientation], qPrintable(QString::number(orientation)));
    }
}

QTEST_MAIN(TestOrientation)
#include "test_orientation.moc"
