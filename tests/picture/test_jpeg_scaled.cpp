// JPEG decoding at the size drawn: scaled and cropped decodes draw what the whole
// picture draws, for each kind of file and orientation; decodes are shared between
// loads of one version of a file, a changed or vanished file is not answered from
// memory, and whole pictures are kept only while the viewer wants them.
#include "Bytes.h"
#include "common/Error.h"
#include "picture/ExifOrientation.h"
#include "picture/JpegDecodeCache.h"
#include "picture/JpegPrefetcher.h"
#include "picture/PlacedRect.h"
#include "picture/TJPEGImage.h"
#include "picture/TPicture.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <vector>

#include <jpeglib.h>

using namespace lumisnap;

namespace {

enum class Kind { Sampled420, Sampled444, Grey, Progressive, Ink };

QRgb sourcePixel(int x, int y, int w, int h)
{
    return qRgb(x * 255 / w, y * 255 / h, (x + y) * 127 / (w + h) + 64);
}

QByteArray encode(Kind kind, int w, int h)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char *out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = JDIMENSION(w);
    cinfo.image_height = JDIMENSION(h);
    cinfo.input_components = kind == Kind::Ink ? 4 : kind == Kind::Grey ? 1 : 3;
    cinfo.in_color_space = kind == Kind::Ink ? JCS_CMYK
        : kind == Kind::Grey                 ? JCS_GRAYSCALE
                                             : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 92, TRUE);
    if (kind == Kind::Sampled444)
        cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 1;
    if (kind == Kind::Progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(std::size_t(w) * 4);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = int(cinfo.next_scanline);
        for (int x = 0; x < w; ++x) {
            const QRgb p = sourcePixel(x, y, w, h);
            const int rgb[3] = { qRed(p), qGreen(p), qBlue(p) };
            JSAMPLE *at = row.data() + std::size_t(x) * std::size_t(cinfo.input_components);
            if (kind == Kind::Grey)
                at[0] = JSAMPLE(qGray(p));
            else if (kind == Kind::Ink)
                for (int c = 0; c < 4; ++c) // stored as it is: no Adobe marker
                    at[c] = JSAMPLE(c < 3 ? 255 - rgb[c] : 0);
            else
                for (int c = 0; c < 3; ++c)
                    at[c] = JSAMPLE(rgb[c]);
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

// bytes with an Exif block giving the orientation right after the start-of-image marker.
QByteArray withOrientation(const QByteArray &jpeg, int orientation)
{
    Bytes tiff;
    tiff.raw("II").u16(42).u32(8).u16(1); // little-endian, first IFD at 8, one entry
    tiff.u16(0x0112).u16(3).u32(1).u16(orientation).u16(0); // orientation, one SHORT
    tiff.u32(0); // no next IFD
    const QByteArray body = QByteArray("Exif\0\0", 6) + tiff.d;
    const int length = int(body.size()) + 2; // big-endian, as JPEG segments are
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char(length >> 8)).append(char(length & 0xFF)).append(body);
    return QByteArray(jpeg).insert(2, segment);
}

void load(TJPEGImage &jpeg, const QByteArray &bytes)
{
    jpeg.loadFromBytes(
        { reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size()) });
}

QImage drawn(QSize size, const std::function<void(QPainter &, const QRect &)> &paint)
{
    QImage canvas(size, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    paint(painter, canvas.rect());
    return canvas;
}

int maxDifference(const QImage &a, const QImage &b)
{
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({ worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                std::abs(qBlue(p) - qBlue(q)) });
        }
    return worst;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

TJPEGImage &jpegOf(TPicture &picture)
{
    return dynamic_cast<TJPEGImage &>(*picture.graphic());
}

QRect wholeOf(const TPicture &picture)
{
    return QRect(0, 0, picture.width(), picture.height());
}

std::optional<JpegDecodeCache::Entry> heldWhole(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    TPicture picture;
    picture.LoadFromFile(path);
    return JpegDecodeCache::instance().find(*FileIdentity::of(file), 1, wholeOf(picture));
}

constexpr QSize Box(216, 162);

} // namespace

class TestJpegScaled : public QObject
{
    Q_OBJECT

private slots:
    void init() { JpegDecodeCache::instance().clear(); }
    void scaledDrawMatchesWhole_data();
    void scaledDrawMatchesWhole();
    void wholePictureSharedByLoadsOfOneFile();
    void changedFileDecodesAgain();
    void vanishedFileFailsAsLoad();
    void errorRaisedOncePerLoad();
    void decodedAheadFoundAtLoad();
    void errorFoundAheadRaisedOnceWhenReached();
    void croppedDrawMatchesWhole_data();
    void croppedDrawMatchesWhole();
    void croppedDrawMeetsErrorBelowIt();
    void turnedDamagedPictureKeepsRowsBeforeError();
    void neighboursAheadFoundByPreviewDraw_data();
    void neighboursAheadFoundByPreviewDraw();
    void wholePicturesDroppedWhenViewerCloses();
};

void TestJpegScaled::scaledDrawMatchesWhole_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QSize>("canvas");
    QTest::addColumn<QSize>("decoded");
    const QSize eighth(60, 40), quarter(100, 70), whole(400, 300);
    QTest::newRow("4:2:0 1/8") << int(Kind::Sampled420) << eighth << QSize(60, 40);
    QTest::newRow("4:2:0 1/4") << int(Kind::Sampled420) << quarter << QSize(120, 80);
    QTest::newRow("4:2:0 larger") << int(Kind::Sampled420) << whole << QSize(480, 320);
    QTest::newRow("4:4:4 1/8") << int(Kind::Sampled444) << eighth << QSize(60, 40);
    QTest::newRow("progressive 1/4") << int(Kind::Progressive) << quarter << QSize(120, 80);
    QTest::newRow("ink 1/8") << int(Kind::Ink) << eighth << QSize(60, 40);
    QTest::newRow("grey, whole") << int(Kind::Grey) << eighth << QSize(480, 320);
}

void TestJpegScaled::scaledDrawMatchesWhole()
{
    QFETCH(int, kind);
    QFETCH(QSize, canvas);
    QFETCH(QSize, decoded);
    const QByteArray bytes = encode(Kind(kind), 480, 320);
    TJPEGImage scaled, whole;
    load(scaled, bytes);
    load(whole, bytes);
    const QImage ours = drawn(canvas, [&](QPainter &p, const QRect &r) { scaled.draw(p, r); });
    QCOMPARE(scaled.decodedSize(), decoded);
    QCOMPARE(QSize(scaled.width(), scaled.height()), QSize(480, 320));
    const QImage full = whole.bitmap().image();
    const QImage reference
        = drawn(canvas, [&](QPainter &p, const QRect &r) { p.drawImage(r, full); });
    QVERIFY2(maxDifference(ours, reference) <= 12,
        qPrintable(QString::number(maxDifference(ours, reference))));
    // Asking for the whole picture afterwards decodes it whole.
    QCOMPARE(scaled.bitmap().image().size(), QSize(480, 320));
}

void TestJpegScaled::wholePictureSharedByLoadsOfOneFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.jpg");
    writeFile(path, encode(Kind::Sampled420, 64, 48));
    TPicture first, second;
    first.LoadFromFile(path);
    second.LoadFromFile(path);
    const QImage a = jpegOf(first).bitmap().image();
    const QImage b = jpegOf(second).bitmap().image();
    QCOMPARE(a.constBits(), b.constBits()); // one decode, shared
}

void TestJpegScaled::changedFileDecodesAgain()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.jpg");
    writeFile(path, encode(Kind::Sampled420, 64, 48));
    TPicture first, second;
    first.LoadFromFile(path);
    const QImage before = jpegOf(first).bitmap().image();
    writeFile(path, encode(Kind::Sampled420, 40, 30));
    second.LoadFromFile(path);
    QCOMPARE(jpegOf(second).bitmap().image().size(), QSize(40, 30));
}

void TestJpegScaled::vanishedFileFailsAsLoad()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.jpg");
    writeFile(path, encode(Kind::Sampled420, 64, 48));
    TPicture first, second;
    first.LoadFromFile(path);
    jpegOf(first).bitmap();
    QVERIFY(QFile::remove(path));
    try {
        second.LoadFromFile(path);
        QFAIL("no error");
    } catch (const EFOpenError &e) {
        QVERIFY(e.message().startsWith("Cannot open file"));
    }
}

void TestJpegScaled::errorRaisedOncePerLoad()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("bad.jpg");
    QByteArray bytes = encode(Kind::Sampled420, 64, 64);
    const int sos = int(bytes.indexOf("\xff\xda"));
    bytes.replace(sos + (bytes.size() - sos) / 2, 2, "\xff\xd8"); // a marker inside the data
    writeFile(path, bytes);
    for (int load = 0; load < 2; ++load) { // the second load's picture comes from memory
        TPicture picture;
        picture.LoadFromFile(path);
        int errors = 0;
        for (int i = 0; i < 3; ++i) {
            try {
                jpegOf(picture).bitmap();
            } catch (const EJPEG &) {
                ++errors;
            }
        }
        QCOMPARE(errors, 1);
    }
}

void TestJpegScaled::decodedAheadFoundAtLoad()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.jpg");
    writeFile(path, encode(Kind::Sampled420, 64, 48));
    JpegPrefetcher::instance().request(
        { dir.filePath("gone.jpg"), dir.filePath("other.png"), dir.path(), path });
    JpegPrefetcher::instance().waitIdle();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const auto held
        = JpegDecodeCache::instance().find(*FileIdentity::of(file), 1, { 0, 0, 64, 48 });
    QVERIFY(held);
    TPicture picture;
    picture.LoadFromFile(path);
    QCOMPARE(jpegOf(picture).bitmap().image().constBits(), held->image.constBits());

    writeFile(path, encode(Kind::Sampled420, 40, 30)); // changed since: decoded anew
    picture.LoadFromFile(path);
    QCOMPARE(jpegOf(picture).bitmap().image().size(), QSize(40, 30));
}

void TestJpegScaled::errorFoundAheadRaisedOnceWhenReached()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("bad.jpg");
    QByteArray bytes = encode(Kind::Sampled420, 64, 64);
    const int sos = int(bytes.indexOf("\xff\xda"));
    bytes.replace(sos + (bytes.size() - sos) / 2, 2, "\xff\xd8");
    writeFile(path, bytes);
    TJPEGImage direct;
    load(direct, bytes);
    QString expected;
    try {
        direct.bitmap();
    } catch (const EJPEG &e) {
        expected = e.message();
    }
    QVERIFY(!expected.isEmpty());

    JpegPrefetcher::instance().request({ path });
    JpegPrefetcher::instance().waitIdle();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const auto held
        = JpegDecodeCache::instance().find(*FileIdentity::of(file), 1, { 0, 0, 64, 64 });
    QVERIFY(held && held->error != -1);
    TPicture picture;
    picture.LoadFromFile(path); // the load itself raises nothing, as before
    QStringList raised;
    for (int i = 0; i < 3; ++i) {
        try {
            drawn(QSize(64, 64), [&](QPainter &p, const QRect &r) { picture.draw(p, r); });
        } catch (const EJPEG &e) {
            raised.append(e.message());
        }
    }
    QCOMPARE(raised, QStringList { expected });
}

void TestJpegScaled::croppedDrawMatchesWhole_data()
{
    // A 480 x 320 picture (turned by its orientation) drawn unscaled at `at` into the
    // preview's box; crops: whether less than the whole picture is decoded.
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<bool>("crops");
    const QPoint centred = placedRect(Box, QSize(480, 320), true, false).topLeft();
    const QPoint centredUpright = placedRect(Box, QSize(320, 480), true, false).topLeft();
    const struct
    {
        const char *name;
        Kind kind;
        bool crops;
    } kinds[] = { { "4:2:0", Kind::Sampled420, true }, { "4:4:4", Kind::Sampled444, true },
        { "progressive", Kind::Progressive, true }, { "ink", Kind::Ink, true },
        { "grey, whole", Kind::Grey, false } };
    for (const auto &k : kinds) {
        QTest::addRow("%s centred", k.name) << int(k.kind) << 1 << centred << k.crops;
        QTest::addRow("%s plain", k.name) << int(k.kind) << 1 << QPoint(0, 0) << k.crops;
        QTest::addRow("%s on a block edge", k.name)
            << int(k.kind) << 1 << QPoint(-64, -48) << k.crops;
        QTest::addRow("%s off block edges", k.name)
            << int(k.kind) << 1 << QPoint(-67, -37) << k.crops;
        QTest::addRow("%s bottom right", k.name)
            << int(k.kind) << 1 << QPoint(-264, -158) << k.crops;
    }
    for (int orientation = 2; orientation <= 8; ++orientation) {
        const bool swaps = ExifOrientation::swapsSides(orientation);
        QTest::addRow("4:2:0 orientation %d centred", orientation)
            << int(Kind::Sampled420) << orientation << (swaps ? centredUpright : centred) << true;
        QTest::addRow("4:2:0 orientation %d off block edges", orientation)
            << int(Kind::Sampled420) << orientation << QPoint(-67, -37) << true;
    }
}

void TestJpegScaled::croppedDrawMatchesWhole()
{
    QFETCH(int, kind);
    QFETCH(int, orientation);
    QFETCH(QPoint, at);
    QFETCH(bool, crops);
    const QByteArray bytes = withOrientation(encode(Kind(kind), 480, 320), orientation);
    TJPEGImage cropped, whole;
    load(cropped, bytes);
    load(whole, bytes);
    const QRect rect(at, QSize(cropped.width(), cropped.height()));
    const QImage ours = drawn(Box, [&](QPainter &p, const QRect &) { cropped.draw(p, rect); });
    const QImage full = whole.bitmap().image();
    const QImage reference
        = drawn(Box, [&](QPainter &p, const QRect &) { p.drawImage(rect, full); });
    QCOMPARE(maxDifference(ours, reference), 0);
    const QRect area = cropped.decodedArea();
    QCOMPARE(area.width() < rect.width() && area.height() < rect.height(), crops);
    QCOMPARE(cropped.decodedSize(), area.size());
    // Asking for the whole picture afterwards decodes it whole.
    QCOMPARE(cropped.bitmap().image(), full);
}

// The rows below the part shown are still read: their damage is reported at the first
// draw, as the whole decode reports it.
void TestJpegScaled::croppedDrawMeetsErrorBelowIt()
{
    QByteArray bytes = encode(Kind::Sampled420, 480, 320);
    const int sos = int(bytes.indexOf("\xff\xda"));
    bytes.replace(sos + (bytes.size() - sos) * 7 / 8, 2, "\xff\xd8");
    TJPEGImage cropped, whole;
    load(cropped, bytes);
    load(whole, bytes);
    QString expected;
    try {
        whole.bitmap();
    } catch (const EJPEG &e) {
        expected = e.message();
    }
    QVERIFY(!expected.isEmpty());
    const QRect rect = placedRect(Box, QSize(480, 320), true, false);
    QStringList raised;
    for (int i = 0; i < 2; ++i) {
        try {
            drawn(Box, [&](QPainter &p, const QRect &) { cropped.draw(p, rect); });
        } catch (const EJPEG &e) {
            raised.append(e.message());
        }
    }
    QCOMPARE(raised, QStringList { expected });
    QVERIFY(cropped.decodedArea().width() < 480);
}

void TestJpegScaled::neighboursAheadFoundByPreviewDraw_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("orientation");
    QTest::addRow("stretched") << int(PreviewPlacement::Mode::Stretched) << 1;
    QTest::addRow("centred") << int(PreviewPlacement::Mode::Centred) << 1;
    QTest::addRow("centred, turned") << int(PreviewPlacement::Mode::Centred) << 6;
    QTest::addRow("plain") << int(PreviewPlacement::Mode::Plain) << 1;
    QTest::addRow("plain, turned") << int(PreviewPlacement::Mode::Plain) << 8;
}

// A picture turned as its rows come shows, after an error, what turning the stored
// picture afterwards shows: the rows before the error, the rest grey.
void TestJpegScaled::turnedDamagedPictureKeepsRowsBeforeError()
{
    QByteArray stored = encode(Kind::Sampled420, 480, 320);
    const int sos = int(stored.indexOf("\xff\xda"));
    stored.replace(sos + (stored.size() - sos) / 2, 2, "\xff\xd8");
    const auto decoded = [](const QByteArray &bytes) {
        TJPEGImage jpeg;
        load(jpeg, bytes);
        try {
            jpeg.bitmap();
        } catch (const EJPEG &) {
            return jpeg.bitmap().image(); // the error is raised once
        }
        return QImage();
    };
    const QImage plain = decoded(stored);
    QVERIFY(!plain.isNull());
    QCOMPARE(plain.pixel(240, 300), qRgb(0x80, 0x80, 0x80));
    for (int orientation = 2; orientation <= 8; ++orientation)
        QVERIFY2(decoded(withOrientation(stored, orientation))
                == ExifOrientation::apply(plain, orientation),
            qPrintable(QString::number(orientation)));
}

// Decoded ahead as the preview will draw them, the neighbours are drawn from memory,
// and no larger than drawn.
void TestJpegScaled::neighboursAheadFoundByPreviewDraw()
{
    QFETCH(int, mode);
    QFETCH(int, orientation);
    QTemporaryDir dir;
    const QString path = dir.filePath("a.jpg");
    writeFile(path, withOrientation(encode(Kind::Sampled420, 960, 720), orientation));
    JpegPrefetcher::instance().request({ path }, { PreviewPlacement::Mode(mode), Box, 1.0 });
    JpegPrefetcher::instance().waitIdle();
    TPicture picture;
    picture.LoadFromFile(path);
    const bool stretched = PreviewPlacement::Mode(mode) == PreviewPlacement::Mode::Stretched;
    const bool centred = PreviewPlacement::Mode(mode) == PreviewPlacement::Mode::Centred;
    const QRect rect = placedRect(Box, wholeOf(picture).size(), centred, stretched);
    drawn(Box, [&](QPainter &p, const QRect &) { picture.draw(p, rect); });
    QCOMPARE(jpegOf(picture).decodeCount(), 0);
    const QSize decoded = jpegOf(picture).decodedSize();
    QVERIFY2(
        decoded.width() * decoded.height() <= 240 * 180, qPrintable(QDebug::toString(decoded)));
}

// While the viewer is open whole pictures are kept for it and the preview; once it
// closes they go, also one whose decode ends after, and the preview's own stay.
void TestJpegScaled::wholePicturesDroppedWhenViewerCloses()
{
    QTemporaryDir dir;
    const QString shown = dir.filePath("a.jpg"), next = dir.filePath("b.jpg");
    writeFile(shown, encode(Kind::Sampled420, 960, 720));
    writeFile(next, encode(Kind::Sampled444, 960, 720));
    JpegDecodeCache &cache = JpegDecodeCache::instance();
    TPicture preview;
    preview.LoadFromFile(shown);
    drawn(Box, [&](QPainter &p, const QRect &r) { preview.draw(p, r); }); // stretched

    cache.setWholeWanted(true);
    TPicture viewer, previewAgain;
    viewer.LoadFromFile(shown);
    previewAgain.LoadFromFile(shown);
    drawn(QSize(960, 720), [&](QPainter &p, const QRect &r) { viewer.draw(p, r); });
    drawn(Box, [&](QPainter &p, const QRect &r) { previewAgain.draw(p, r); });
    QCOMPARE(jpegOf(previewAgain).decodeCount(), 0); // the viewer's decode, shared
    JpegPrefetcher::instance().request(
        { next }, { PreviewPlacement::Mode::Centred, Box, 1.0 }, shown);
    JpegPrefetcher::instance().waitIdle();
    QVERIFY(heldWhole(shown) && heldWhole(next));
    const JpegDecodeCache::Entry late = *heldWhole(next);

    cache.setWholeWanted(false);
    QVERIFY(!heldWhole(shown) && !heldWhole(next));
    QFile file(next);
    QVERIFY(file.open(QIODevice::ReadOnly));
    cache.insert(*FileIdentity::of(file), late); // a decode ahead that ends after the close
    QVERIFY(!heldWhole(next));
    TPicture previewAfter;
    previewAfter.LoadFromFile(shown);
    drawn(Box, [&](QPainter &p, const QRect &r) { previewAfter.draw(p, r); });
    QCOMPARE(jpegOf(previewAfter).decodeCount(), 0);
}

QTEST_MAIN(TestJpegScaled)
#include "test_jpeg_scaled.moc"
