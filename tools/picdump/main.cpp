// picdump [--composed] <file> <out.png>: loads a picture through TPicture as the
// viewer does and writes what it would draw, at the picture's own size, as PNG: opaque,
// except where an icon is transparent. A GIF also gives one file per frame (out-0.png,
// out-1.png, ...) and a line per frame on stdout; with --composed, beside them, each
// frame as the animation control shows it: on the logical screen over what the frames
// before it leave (out-composed-0.png, ...).
#include "common/Error.h"
#include "picture/GifFrameComposer.h"
#include "picture/TGIFImage.h"
#include "picture/TPicture.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextStream>

#include <cstdio>

using namespace lumisnap;

namespace {

QImage render(TGraphic &graphic)
{
    QImage image(
        std::max(graphic.width(), 1), std::max(graphic.height(), 1), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    graphic.draw(painter, QRect(0, 0, graphic.width(), graphic.height()));
    return image;
}

void save(const QImage &image, const QString &path)
{
    if (!image.save(path, "PNG"))
        throw EFCreateError(QStringLiteral("Cannot create file \"%1\"").arg(path));
}

QString framePath(const QString &out, int index, const QString &kind = QString())
{
    const QFileInfo info(out);
    return info.path() + '/' + info.completeBaseName() + '-' + kind + QString::number(index)
        + ".png";
}

QString keyColorText(TColor key)
{
    return key == clNone
        ? QStringLiteral("none")
        : QStringLiteral("#%1").arg(toQColor(key).rgb() & 0xFFFFFF, 6, 16, QLatin1Char('0'));
}

void dumpFrames(TGIFImage &gif, const QString &out)
{
    QTextStream stdOut(stdout);
    for (int i = 0; i < gif.frameCount(); ++i) {
        gif.setCurrentFrame(i);
        const TGIFFrame &frame = gif.frame(i);
        save(render(gif), framePath(out, i));
        stdOut << "frame " << i << ": " << frame.width() << "x" << frame.height() << " delay "
               << frame.DelayMs << " ms, disposal " << frame.DisposalMode << ", origin "
               << frame.OriginX << "," << frame.OriginY << ", key colour "
               << keyColorText(frame.KeyColor) << (frame.IsCorrupt ? ", corrupt" : "") << "\n";
    }
    gif.setCurrentFrame(0);
}

void dumpComposedFrames(const TGIFImage &gif, const QString &out)
{
    GifFrameComposer composer;
    for (int i = 0; i < gif.frameCount(); ++i) {
        composer.compose(gif, i, qRgb(255, 255, 255));
        save(composer.maskedBitmap(), framePath(out, i, QStringLiteral("composed-")));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments();
    const bool composed = args.removeAll(QStringLiteral("--composed")) > 0;
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: picdump [--composed] <file> <out.png>\n");
        return 2;
    }
    int status = 0;
    try {
        TPicture picture;
        picture.LoadFromFile(args[1]);
        TGraphic &graphic = *picture.graphic();
        TPicture::drawAsViewer(graphic);
        QImage image;
        try {
            image = render(graphic);
        } catch (const Error &e) {
            // As in the viewer: the error of a first draw, then what was decoded.
            std::fprintf(stderr, "%s\n", e.what());
            status = 1;
            image = render(graphic);
        }
        save(image, args[2]);
        if (auto *gif = dynamic_cast<TGIFImage *>(&graphic)) {
            dumpFrames(*gif, args[2]);
            if (composed)
                dumpComposedFrames(*gif, args[2]);
        }
    } catch (const Error &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return status;
}
