#include "test_gif_util.h"

#include "common/Error.h"
#include "picture/GifLzwEncoder.h"
#include "picture/PictureLimits.h"
#include "picture/TGIFImage.h"

#include <QPainter>
#include <QTest>

using namespace lumisnap;
using namespace gifbytes;

namespace {

const QByteArray OnePixel = image(1, 1, literalLzw({ 1 }));

// Loads bytes and returns the error text, empty on success.
template <typename Kind = Error> QString loadError(TGIFImage &gif, const QByteArray &bytes)
{
    try {
        gif.loadFromBytes(view(bytes));
    } catch (const Kind &error) {
        return error.message();
    }
    return {};
}

QList<int> pixels(const QImage &image)
{
    QList<int> out;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            out += image.pixelIndex(x, y);
    return out;
}

// Restores the default when a test turns damage tolerance off.
struct StrictDecoding
{
    StrictDecoding() { TolerateDamage = false; }
    ~StrictDecoding() { TolerateDamage = true; }
};

} // namespace

class TestGifReader : public QObject
{
    Q_OBJECT

private slots:
    void header_data()
    {
        QTest::addColumn<QByteArray>("signature");
        QTest::addColumn<int>("version"); // 0 = refused
        QTest::newRow("89a") << QByteArray("GIF89a") << 2;
        QTest::newRow("87a") << QByteArray("GIF87a") << 1;
        QTest::newRow("letter case") << QByteArray("gif89A") << 2;
        QTest::newRow("88a") << QByteArray("GIF88a") << 0;
        QTest::newRow("signature") << QByteArray("JIF89a") << 0;
    }
    void header()
    {
        QFETCH(QByteArray, signature);
        QFETCH(int, version);
        TGIFImage gif;
        const QString error = loadError(gif, gifHeader(1, 1, 1, signature) + OnePixel + ';');
        QCOMPARE(error, version ? QString() : QStringLiteral("Unknown GIF version"));
        if (version) {
            QCOMPARE(gif.Version(), version);
            QCOMPARE(gif.frameCount(), 1);
        }
    }

    void emptyInputs()
    {
        TGIFImage gif;
        QCOMPARE(loadError(gif, QByteArray()), QString());
        QVERIFY(gif.empty());
        QCOMPARE(loadError(gif, gifHeader(10, 20, 2) + ';'), QString());
        QVERIFY(gif.empty());
        QCOMPARE(gif.frameCount(), 0);
        QCOMPARE(gif.currentFrame(), -1);
        QCOMPARE(gif.width(), 0);
        QCOMPARE(gif.height(), 0);
        QCOMPARE(gif.LogicalWidth(), 10);
    }

    void errors_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("short header") << QByteArray("GIF8") << "Stream read error";
        QTest::newRow("short colour table") << gifHeader(1, 1, 2).chopped(3) << "Stream read error";
        QTest::newRow("unknown extension") << gifHeader(1, 1, 1) + bytes({ '!', 0x2A, 0 })
                + OnePixel << "Unrecognized extension block: 2a";
        QTest::newRow("stray after header") << gifHeader(1, 1, 1) + "xx"
                                            << "Stream read error";
        QTest::newRow("stray after extensions")
            << gifHeader(1, 1, 1) + graphicControl(0, 1, 0) + "xx"
            << "Stream read error";
        QTest::newRow("cut descriptor") << gifHeader(1, 1, 1) + image(1, 1, {}).left(5) + "x"
                                        << "Stream read error";
        QTest::newRow("no colour table")
            << gifHeader(1, 1, 0) + OnePixel << "Wrong number of colors; must be a power of 2";
        QTest::newRow("huge frame") << gifHeader(1, 1, 1) + image(65535, 65535, literalLzw({ 1 }))
                                    << "GIF image is too large";
        QTest::newRow("frame far beyond its data")
            << gifHeader(1, 1, 1) + image(16384, 16384, literalLzw({ 1 }))
            << "GIF image is too large";
    }
    void errors()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        TGIFImage gif;
        try {
            gif.loadFromBytes(view(bytes));
            QFAIL("loaded");
        } catch (const Error &error) {
            QCOMPARE(error.message(), text);
            // Read errors are the stream's kind, every other failure the GIF kind.
            if (text == "Stream read error")
                QVERIFY(dynamic_cast<const EReadError *>(&error));
            else
                QVERIFY(dynamic_cast<const EInvalidGraphicOperation *>(&error));
        }
        QVERIFY(gif.empty());
    }

    // Only each frame's own size counts, never the screen's or the frames' sum.
    void legalSizes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("frames");
        QTest::newRow("huge screen, small frame")
            << gifHeader(65535, 65535, 1) + image(2, 2, literalLzw({ 1, 0, 0, 1 })) << 1;
        QByteArray animation = gifHeader(1920, 1080, 1);
        for (int i = 0; i < 130; ++i)
            animation += image(1920, 1080, literalLzw({ 1 }));
        QTest::newRow("130 frames of 1920 x 1080") << animation << 130;
    }
    void legalSizes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, frames);
        TGIFImage gif;
        QCOMPARE(loadError(gif, bytes), QString());
        QCOMPARE(gif.frameCount(), frames);
    }

    // Damage after an image ends the stream and keeps the images before it.
    void damageAfterAnImage_data()
    {
        QTest::addColumn<QByteArray>("tail");
        QTest::newRow("stray bytes") << QByteArray("xyz") + OnePixel;
        QTest::newRow("stray bytes after an extension") << graphicControl(0, 1, 0) + "xx";
        QTest::newRow("cut in an extension") << graphicControl(0, 1, 0).left(5);
        QTest::newRow("cut in a descriptor") << OnePixel.left(6);
        QTest::newRow("cut in a colour table") << image(1, 1, {}, 0x81) + bytes({ 1, 2, 3, 4 });
    }
    void damageAfterAnImage()
    {
        QFETCH(QByteArray, tail);
        TGIFImage gif;
        QCOMPARE(loadError(gif, gifHeader(1, 1, 1) + OnePixel + tail), QString());
        QCOMPARE(gif.frameCount(), 1);
        QCOMPARE(gif.frame(0).bitmap().pixelIndex(0, 0), 1);
    }

    void copiesShareUntilChanged()
    {
        TGIFImage gif;
        loadError(gif, gifHeader(1, 1, 1) + OnePixel + bytes({ '!', 0xFE, 1, 'a', 0 }) + ';');
        TGIFImage copy;
        copy.assign(gif);
        copy.setCommentLines({ "b" });
        QCOMPARE(gif.commentLines(), QStringList({ "a" }));
        QCOMPARE(copy.commentLines(), QStringList({ "b" }));
    }

    void zeroBytesBetweenBlocks()
    {
        TGIFImage gif;
        const QByteArray pad(3, '\0');
        QCOMPARE(loadError(gif, gifHeader(1, 1, 1) + pad + OnePixel + pad + OnePixel + pad + ';'),
            QString());
        QCOMPARE(gif.frameCount(), 2);
    }

    void truncatedImageIsCorrupt()
    {
        // Sub-blocks of 2, 2 and 1 bytes; the cut leaves the last one's length byte
        // and drops that sub-block.
        const QByteArray data = literalLzw({ 1, 2, 3, 1, 2, 3, 1, 2 }, 2, 2);
        const QByteArray whole = gifHeader(4, 2, 2) + image(4, 2, data);
        const QByteArray cut = whole.left(whole.size() - 2);
        TGIFImage gif;
        QCOMPARE(loadError(gif, cut), QString());
        QVERIFY(gif.frame(0).IsCorrupt);
        QCOMPARE(pixels(gif.frame(0).bitmap()), QList<int>({ 1, 2, 3, 1, 2, 3, 0, 0 }));

        StrictDecoding strict;
        QCOMPARE(loadError<EReadError>(gif, cut), "Stream read error");
    }

    void plainTextTakesItsGraphicControl()
    {
        const QByteArray plainText
            = bytes({ '!', 0x01, 12 }) + QByteArray(12, 'p') + bytes({ 2, 'h', 'i', 0 });
        TGIFImage gif;
        loadError(gif, gifHeader(1, 1, 1) + graphicControl(1, 50, 1) + plainText + OnePixel + ';');
        QCOMPARE(gif.frame(0).KeyColor, clNone);
        QCOMPARE(gif.frame(0).DelayMs, 0);
        QVERIFY(gif.frame(0).PendingExtensions.empty());
        QVERIFY(!gif.isTransparent());
    }

    void loopCount_data()
    {
        QTest::addColumn<QByteArray>("extension");
        QTest::addColumn<bool>("found");
        QTest::addColumn<int>("count");
        QTest::newRow("none") << QByteArray() << false << 1;
        QTest::newRow("0") << application("NETSCAPE2.0", bytes({ 1, 0, 0 })) << true << 0;
        QTest::newRow("30000") << application("NETSCAPE2.0", bytes({ 1, 0x30, 0x75 })) << true
                               << 30000;
        QTest::newRow("30001") << application("NETSCAPE2.0", bytes({ 1, 0x31, 0x75 })) << true
                               << 30000;
        QTest::newRow("65535") << application("NETSCAPE2.0", bytes({ 1, 255, 255 })) << true
                               << 30000;
        QTest::newRow("ANIMEXTS") << application("ANIMEXTS1.0", bytes({ 1, 7, 0 })) << true << 7;
        QTest::newRow("other id") << application("XMP DataXMP", bytes({ 1, 7, 0 })) << false << 1;
        QTest::newRow("short block") << application("NETSCAPE2.0", bytes({ 1, 7 })) << false << 1;
        QTest::newRow("not 1") << application("NETSCAPE2.0", bytes({ 2, 7, 0 })) << false << 1;
    }
    void loopCount()
    {
        QFETCH(QByteArray, extension);
        QFETCH(bool, found);
        QFETCH(int, count);
        TGIFImage gif;
        QCOMPARE(
            loadError(gif, gifHeader(1, 1, 1) + extension + OnePixel + OnePixel + ';'), QString());
        QCOMPARE(gif.HasLoopExtension(), found);
        QCOMPARE(gif.LoopCount(), count);
    }

    void graphicControlsApplyInOrder()
    {
        TGIFImage gif;
        loadError(gif,
            gifHeader(1, 1, 2) + graphicControl(1, 5, 3) + graphicControl(2 << 2, 20, 0)
                + graphicControl((3 << 2) | 1, 2, 2) + OnePixel + graphicControl(1, 0, 9)
                + OnePixel);
        const TGIFFrame &first = gif.frame(0);
        QCOMPARE(first.DelayMs, 200);
        QCOMPARE(first.DisposalMode, 3);
        QCOMPARE(first.KeyColor, colorFromRgb(2, 2, 2));
        QCOMPARE(first.transparentIndex(), 2);
        // An index past the colour table sets no key colour.
        QCOMPARE(gif.frame(1).KeyColor, clNone);
        QVERIFY(gif.isTransparent());
    }

    void interlacedRows_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<QList<int>>("rows"); // image row of each stream row
        QTest::newRow("3") << 3 << QList<int>({ 0, 2, 1 });
        QTest::newRow("5") << 5 << QList<int>({ 0, 4, 2, 1, 3 });
        QTest::newRow("10") << 10 << QList<int>({ 0, 8, 4, 2, 6, 1, 3, 5, 7, 9 });
    }
    void interlacedRows()
    {
        QFETCH(int, height);
        QFETCH(QList<int>, rows);
        QList<int> stream;
        for (int i = 0; i < height; ++i)
            stream += i;
        TGIFImage gif;
        loadError(gif, gifHeader(1, height, 4) + image(1, height, literalLzw(stream, 4), 0x40));
        for (int i = 0; i < height; ++i)
            QCOMPARE(gif.frame(0).bitmap().pixelIndex(0, rows[i]), i);
    }

    void bitmapDepth_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("depth");
        QTest::newRow("1") << 1 << 1;
        QTest::newRow("2") << 2 << 4;
        QTest::newRow("3") << 3 << 4;
        QTest::newRow("5") << 5 << 8;
        QTest::newRow("8") << 8 << 8;
    }
    void bitmapDepth()
    {
        QFETCH(int, bits);
        QFETCH(int, depth);
        TGIFImage gif;
        // A local table of the frame's own size; the global one has 2 entries.
        QByteArray local;
        for (int i = 0; i < (1 << bits); ++i)
            local += bytes({ i, 0, 0 });
        const int last = (1 << bits) - 1;
        loadError(gif,
            gifHeader(2, 1, 1)
                + image(
                    2, 1, local + literalLzw({ last, 0 }, std::max(bits, 2)), 0x80 | (bits - 1)));
        const TGIFFrame &frame = gif.frame(0);
        QCOMPARE(frame.bitmapDepth(), depth);
        const QImage &bitmap = frame.bitmap();
        QCOMPARE(bitmap.colorCount(), 1 << depth);
        QCOMPARE(bitmap.format(), depth == 1 ? QImage::Format_Mono : QImage::Format_Indexed8);
        QCOMPARE(bitmap.pixelIndex(0, 0), last);
        QCOMPARE(bitmap.color(last), qRgb(last, 0, 0));
        for (int i = 1 << bits; i < bitmap.colorCount(); ++i)
            QCOMPARE(bitmap.color(i), qRgb(128, 128, 128));
    }

    void zeroSizeTakesLogicalSize()
    {
        TGIFImage gif;
        loadError(gif, gifHeader(3, 2, 1) + image(0, 0, literalLzw({ 1, 1, 1, 1, 1, 1 })));
        QCOMPARE(gif.width(), 3);
        QCOMPARE(gif.height(), 2);
        QCOMPARE(gif.frame(0).bitmap().size(), QSize(3, 2));
    }

    void commentsOnlyWithoutImage()
    {
        const QByteArray one = bytes({ '!', 0xFE, 3, 'o', 'n', 'e', 0 });
        const QByteArray two = bytes({ '!', 0xFE, 2, 't', 'w', 1, 'o', 0 });
        TGIFImage gif;
        loadError(gif, gifHeader(1, 1, 1) + one + OnePixel + ';');
        QVERIFY(gif.commentLines().isEmpty());
        loadError(gif, gifHeader(1, 1, 1) + OnePixel + one + two + ';');
        QCOMPARE(gif.commentLines(), QStringList({ "one", "\r\n\r\n", "two" }));
    }

    void keyColorLeftOutWhenDrawn()
    {
        TGIFImage gif;
        loadError(
            gif, gifHeader(2, 1, 1) + graphicControl(1, 0, 1) + image(2, 1, literalLzw({ 0, 1 })));
        for (bool transparent : { true, false }) {
            gif.setTransparent(transparent);
            QImage canvas(4, 2, QImage::Format_ARGB32);
            canvas.fill(Qt::red);
            QPainter painter(&canvas);
            gif.draw(painter, canvas.rect());
            painter.end();
            QCOMPARE(canvas.pixel(0, 0), qRgb(0, 0, 0));
            QCOMPARE(canvas.pixel(3, 1), transparent ? qRgb(255, 0, 0) : qRgb(1, 1, 1));
        }
    }

    void sizeCannotChange()
    {
        TGIFImage gif;
        QVERIFY_THROWS_EXCEPTION(EInvalidGraphicOperation, gif.setWidth(5));
        try {
            gif.setHeight(5);
        } catch (const Error &error) {
            QCOMPARE(error.message(), "Cannot change the Size of a GIF image");
        }
    }

    void damagedCodes_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("strictError");
        QTest::newRow("code size 1")
            << bytes({ 1, 1, 0x0C, 0 }) << "GIF code size not in range 2 to 9";
        QTest::newRow("code size 12")
            << bytes({ 12, 1, 0, 0 }) << "GIF code size not in range 2 to 9";
        // clear, 0, then 7 twice: entry 7 becomes its own prefix, and reading 7
        // once more loops until the stack limit.
        const QByteArray cycle = packCodes({ { 4, 3 }, { 0, 3 }, { 7, 3 }, { 7, 3 }, { 7, 4 } });
        QTest::newRow("table cycle")
            << bytes({ 2, int(cycle.size()) }) + cycle + '\0' << "GIF encoded data is corrupt";
    }
    void damagedCodes()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, strictError);
        const QByteArray gifBytes = gifHeader(100, 100, 2) + image(100, 100, data);
        TGIFImage gif;
        QCOMPARE(loadError(gif, gifBytes), QString());
        QVERIFY(gif.frame(0).IsCorrupt);
        StrictDecoding strict;
        QCOMPARE(loadError<EInvalidGraphicOperation>(gif, gifBytes), strictError);
    }

    // A frame whose code size is below its colour table's bits still expands the
    // codes between the two through the string table.
    void codeSizeBelowTableBits()
    {
        std::vector<std::uint8_t> raw;
        for (int i = 0; i < 64; ++i)
            raw.push_back(std::uint8_t((i / 3) % 16));
        const QByteArray data = GifLzwEncoder::encode(raw, 4);
        TGIFImage gif;
        QCOMPARE(loadError(gif, gifHeader(64, 1, 8) + image(64, 1, data)), QString());
        const QImage &bitmap = gif.frame(0).bitmap();
        for (int x = 0; x < 64; ++x)
            QCOMPARE(bitmap.pixelIndex(x, 0), int(raw[std::size_t(x)]));
    }
};

int runGifReaderTests(int argc, char **argv)
{
    TestGifReader test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_gif.moc"
