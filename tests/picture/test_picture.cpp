// The format registry and the picture holder: lookups by extension, loading by
// path, the change report, and the previous picture surviving every failure.
#include "common/Error.h"
#include "picture/TBitmap.h"
#include "picture/TGIFImage.h"
#include "picture/TIcon.h"
#include "picture/TJPEGImage.h"
#include "picture/TMetafile.h"
#include "picture/TPicture.h"
#include "picture/TPictureFormats.h"

#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <typeinfo>

#include <cstdio>
#include <jerror.h>
#include <jpeglib.h>

using namespace lumisnap;

namespace {

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

// A green picture; GIFs come from TGIFImage's writer, as Qt writes none.
QString writeImage(const QTemporaryDir &dir, const QString &name, const char *format, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::green);
    const QString path = dir.filePath(name);
    if (QByteArray(format) != "gif") {
        QImageWriter(path, format).write(image);
        return path;
    }
    TGIFImage gif;
    gif.addFrame(image.convertToFormat(QImage::Format_Indexed8));
    return writeFile(dir, name, gif.saveToBytes());
}

} // namespace

class TestPicture : public QObject
{
    Q_OBJECT

private slots:
    void registryContents();
    void lookup_data();
    void lookup();
    void lastRegistrationWins();
    void extension_data();
    void extension();
    void unknownExtension_data();
    void unknownExtension();
    void keepsPreviousPictureOnError_data();
    void keepsPreviousPictureOnError();
    void changeFromInsideThePicture();
    void drawingTable();
    void publicFilesShowAsQtShowsThem_data();
    void publicFilesShowAsQtShowsThem();
};

void TestPicture::registryContents()
{
    QStringList order;
    for (const auto &entry : TPictureFormats::instance().entries()) {
        order << entry.extension + '=' + entry.description;
        QCOMPARE(entry.descriptionResource, 0);
    }
    QCOMPARE(order,
        QStringList({ "wmf=Metafiles", "emf=Enhanced Metafiles", "ico=Icons", "bmp=Bitmaps",
            "jpeg=JPEG Image File", "jpg=JPEG Image File", "gif=CompuServe GIF Image" }));
}

void TestPicture::lookup_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("className"); // empty: not registered
    QTest::newRow("jpg") << "jpg" << typeid(TJPEGImage).name();
    QTest::newRow("JPG") << "JPG" << typeid(TJPEGImage).name();
    QTest::newRow("GIF") << "GIF" << typeid(TGIFImage).name();
    QTest::newRow("bmp") << "bmp" << typeid(TBitmap).name();
    QTest::newRow("Ico") << "Ico" << typeid(TIcon).name();
    QTest::newRow("EMF") << "EMF" << typeid(TMetafile).name();
    QTest::newRow("png") << "png" << QString();
    QTest::newRow("empty") << "" << QString();
    QTest::newRow(".jpg") << ".jpg" << QString();
}

void TestPicture::lookup()
{
    QFETCH(QString, extension);
    QFETCH(QString, className);
    const auto *entry = TPictureFormats::instance().find(extension);
    QCOMPARE(entry != nullptr, !className.isEmpty());
    if (entry) {
        const auto graphic = entry->create();
        QCOMPARE(QString(typeid(*graphic).name()), className);
    }
}

void TestPicture::lastRegistrationWins()
{
    TPictureFormats formats = TPictureFormats::withBuiltInFormats();
    formats.registerFormat("BMP", "Other bitmaps", [] { return std::make_unique<TIcon>(); });
    QCOMPARE(formats.entries().back().extension, QString("bmp"));
    QCOMPARE(formats.find("bmp")->description, QString("Other bitmaps"));
    QCOMPARE(formats.find("Bmp")->description, QString("Other bitmaps"));
    QCOMPARE(formats.find("ico")->description, QString("Icons"));
}

void TestPicture::extension_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("extension");
    QTest::newRow("plain") << "/home/u/PHOTO.Jpg"
                           << "Jpg";
    QTest::newRow("two dots") << "/home/u/a.b.gif"
                              << "gif";
    QTest::newRow("dot in a folder") << "/home/u/my.pics/readme"
                                     << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("trailing dot") << "/x/photo."
                                  << "";
    QTest::newRow("hidden file") << "/x/.bmp"
                                 << "bmp";
    QTest::newRow("colon is ordinary") << "/x/a:b.ico"
                                       << "ico";
    QTest::newRow("backslash is ordinary") << "/x/a.b\\c"
                                           << "b\\c";
}

void TestPicture::extension()
{
    QFETCH(QString, path);
    QFETCH(QString, extension);
    QCOMPARE(TPicture::extensionOf(path), extension);
}

void TestPicture::unknownExtension_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("error");
    QTest::newRow("empty path") << ""
                                << "Unknown picture file extension (.)";
    QTest::newRow("dot in a folder") << "/tmp/my.pics/readme"
                                     << "Unknown picture file extension (.)";
    QTest::newRow("png") << "/tmp/x.PNG"
                         << "Unknown picture file extension (.PNG)";
    QTest::newRow("percent") << "/tmp/x.%1s"
                             << "Unknown picture file extension (.%1s)";
}

void TestPicture::unknownExtension()
{
    QFETCH(QString, path);
    QFETCH(QString, error);
    TPicture picture;
    try {
        picture.LoadFromFile(path);
        QFAIL("no error");
    } catch (const EInvalidGraphic &e) {
        QCOMPARE(e.message(), error);
    }
}

void TestPicture::keepsPreviousPictureOnError_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes"); // written to name unless it is null
    QTest::addColumn<QString>("error"); // %1: the path
    QTest::addColumn<QString>("errorClass");
    QTest::newRow("unknown extension")
        << "a.png" << QByteArray("x") << "Unknown picture file extension (.png)"
        << typeid(EInvalidGraphic).name();
    QTest::newRow("no extension") << "my.pics/readme" << QByteArray("x")
                                  << "Unknown picture file extension (.)"
                                  << typeid(EInvalidGraphic).name();
    QTest::newRow("missing file") << "missing.bmp" << QByteArray() << "Cannot open file %1"
                                  << typeid(EFOpenError).name();
    QTest::newRow("folder") << "folder.jpg" << QByteArray() << "Cannot open file %1"
                            << typeid(EFOpenError).name();
    QTest::newRow("not a bitmap") << "a.bmp" << QByteArray("MZ not a bitmap at all......")
                                  << "Bitmap image is not valid" << typeid(EInvalidGraphic).name();
    QTest::newRow("cut bitmap") << "a.bmp" << QByteArray("BM\x10\x00", 4) << "Stream read error"
                                << typeid(EReadError).name();
    QTest::newRow("not a JPEG") << "a.jpg" << QByteArray("\x00\x01\x02", 3)
                                << QString("JPEG error #%1").arg(JERR_NO_SOI)
                                << typeid(EJPEG).name();
    QTest::newRow("cursor as icon") << "a.ico" << QByteArray("\x00\x00\x02\x00\x00\x00", 6)
                                    << "Icon image is not valid" << typeid(EInvalidGraphic).name();
    QTest::newRow("metafile") << "a.wmf" << QByteArray("\xd7\xcd\xc6\x9a", 4)
                              << "Metafiles are not supported" << typeid(EInvalidGraphic).name();
    QTest::newRow("bad GIF") << "a.gif" << QByteArray("GIF88a") << "Unknown GIF version"
                             << typeid(EInvalidGraphicOperation).name();
    QTest::newRow("50 GB sparse") << "huge.jpg" << QByteArray()
                                  << "The file is too large to show (more than 1 GB)"
                                  << typeid(EOutOfResources).name();
}

void TestPicture::keepsPreviousPictureOnError()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    QFETCH(QString, errorClass);
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("folder.jpg");
    QFile huge(dir.filePath("huge.jpg"));
    QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(50) << 30)); // holds no blocks
    const QString path = bytes.isNull() ? dir.filePath(name) : writeFile(dir, name, bytes);
    TPicture picture;
    picture.LoadFromFile(writeImage(dir, "good.bmp", "bmp", QSize(7, 5)));
    TGraphic *before = picture.graphic();
    int changes = 0;
    picture.setOnChange([&] { ++changes; });
    try {
        picture.LoadFromFile(path);
        QFAIL("no error");
    } catch (const Error &e) {
        QCOMPARE(e.message(), QString(error).replace("%1", path));
        QCOMPARE(QString(typeid(e).name()), errorClass);
    }
    QCOMPARE(picture.graphic(), before);
    QCOMPARE(picture.width(), 7);
    QCOMPARE(changes, 0);
}

void TestPicture::changeFromInsideThePicture()
{
    QTemporaryDir dir;
    QImage grey(8, 8, QImage::Format_Grayscale8);
    grey.fill(100);
    const QString path = dir.filePath("grey.jpg");
    QVERIFY(QImageWriter(path, "jpeg").write(grey));
    TPicture picture;
    int changes = 0;
    picture.setOnChange([&] { ++changes; });
    picture.LoadFromFile(path);
    QCOMPARE(changes, 1);
    QImage canvas(8, 8, QImage::Format_RGB32);
    QPainter painter(&canvas);
    picture.draw(painter, canvas.rect()); // decoding makes a palette
    QCOMPARE(changes, 2);
    picture.LoadFromFile(path);
    QCOMPARE(changes, 3);
}

void TestPicture::drawingTable()
{
    QTemporaryDir dir;
    QImage canvas(64, 64, QImage::Format_RGB32);
    const QRect rect(4, 4, 50, 40);
    const auto drawn = [&](const QString &path) {
        TPicture picture;
        picture.LoadFromFile(path);
        canvas.fill(Qt::black);
        QPainter painter(&canvas);
        picture.draw(painter, rect);
        painter.end();
        return canvas.copy(rect).convertToFormat(QImage::Format_RGB32);
    };
    const auto isGreen = [](QRgb c) { return qGreen(c) > 200 && qRed(c) < 60 && qBlue(c) < 60; };
    // Bitmaps and JPEGs fill the whole rectangle.
    for (const char *format : { "bmp", "jpeg" }) {
        const QImage out = drawn(writeImage(dir, QString("s.") + format, format, QSize(5, 5)));
        QVERIFY(isGreen(out.pixel(0, 0)));
        QVERIFY(isGreen(out.pixel(49, 39)));
    }
    // Icons keep their size at the top-left corner.
    const QImage out = drawn(writeImage(dir, "s.ico", "ico", QSize(16, 16)));
    QVERIFY(isGreen(out.pixel(0, 0)));
    QVERIFY(isGreen(out.pixel(15, 15)));
    QCOMPARE(out.pixel(16, 16), qRgb(0, 0, 0));
    // As the viewer draws them, GIFs are opaque: the key colour shows.
    QImage frame(4, 4, QImage::Format_Indexed8);
    frame.setColorTable({ qRgb(0, 255, 0), qRgb(0, 0, 255) });
    frame.fill(0);
    TGIFImage keyed;
    keyed.addFrame(frame).KeyColor = colorFromRgb(0, 255, 0);
    TPicture picture;
    picture.LoadFromFile(writeFile(dir, "keyed.gif", keyed.saveToBytes()));
    TPicture::drawAsViewer(*picture.graphic());
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    picture.draw(painter, QRect(0, 0, 4, 4));
    painter.end();
    QVERIFY(isGreen(canvas.pixel(1, 1)));
}

void TestPicture::publicFilesShowAsQtShowsThem_data()
{
    QTest::addColumn<QString>("path");
    const QDir files(QFINDTESTDATA("files"));
    for (const QString &name : files.entryList({ "*.gif", "*.jpg", "*.bmp", "*.ico" }))
        QTest::newRow(qPrintable(name)) << files.filePath(name);
}

// Where Qt's reader gives an opaque pixel, the viewer shows the same colour; icons
// also keep Qt's transparency.
void TestPicture::publicFilesShowAsQtShowsThem()
{
    QFETCH(QString, path);
    TPicture picture;
    picture.LoadFromFile(path);
    TPicture::drawAsViewer(*picture.graphic());
    const QSize size(picture.width(), picture.height());
    QImage ours(size, QImage::Format_ARGB32);
    ours.fill(Qt::transparent);
    QPainter painter(&ours);
    picture.draw(painter, ours.rect());
    painter.end();

    QImageReader reader(path);
    QImage qts = reader.read();
    while (qts.size() != size && reader.jumpToNextImage()) // icons: the image we chose
        qts = reader.read();
    QCOMPARE(qts.size(), size);
    qts = qts.convertToFormat(QImage::Format_ARGB32);
    const bool icon = path.endsWith(".ico");
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const QRgb q = qts.pixel(x, y), o = ours.pixel(x, y);
            if (icon)
                QCOMPARE(qAlpha(o), qAlpha(q));
            if (qAlpha(q) == 255)
                QVERIFY2(std::abs(qRed(o) - qRed(q)) <= 2 && std::abs(qGreen(o) - qGreen(q)) <= 2
                        && std::abs(qBlue(o) - qBlue(q)) <= 2,
                    qPrintable(QString("pixel %1, %2").arg(x).arg(y)));
        }
}

QTEST_MAIN(TestPicture)
#include "test_picture.moc"
