#include "picture/TPicture.h"

#include "common/Error.h"
#include "common/FileName.h"
#include "picture/TIcon.h"
#include "picture/TMetafile.h"
#include "picture/TPictureFormats.h"

#include <QFile>

#include <sys/stat.h>

namespace lumisnap {

namespace {

void openPictureFile(QFile &file, const QString &path)
{
    const QString cannotOpen = QStringLiteral("Cannot open file %1").arg(displayFileName(path));
    // Anything but a regular file (a folder, a pipe, a device) could block or never end.
    struct stat status;
    if (::stat(encodeFileName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        throw EFOpenError(cannotOpen);
    // Names are bytes: a listed name that is not UTF-8 must open too.
    if (!openFile(file, path, QIODevice::ReadOnly))
        throw EFOpenError(cannotOpen);
}

} // namespace

TPicture::TPicture(const TPictureFormats *formats)
    : m_formats(formats ? formats : &TPictureFormats::instance())
{
}

TPicture::~TPicture() = default;

QString TPicture::extensionOf(const QString &path)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < path.lastIndexOf(QLatin1Char('/')))
        return {};
    return path.mid(dot + 1);
}

void TPicture::drawAsViewer(TGraphic &graphic)
{
    if (!dynamic_cast<TIcon *>(&graphic) && !dynamic_cast<TMetafile *>(&graphic))
        graphic.setTransparent(false);
}

void TPicture::LoadFromFile(const QString &path)
{
    const QString extension = extensionOf(path);
    const TPictureFormats::Entry *entry = m_formats->find(extension);
    if (!entry)
        throw EInvalidGraphic(
            QStringLiteral("Unknown picture file extension (.%1)").arg(extension));
    std::unique_ptr<TGraphic> graphic = entry->create();
    QFile file;
    openPictureFile(file, path);
    graphic->loadFromFile(file);
    take(std::move(graphic), path);
}

void TPicture::take(std::unique_ptr<TGraphic> graphic, const QString &fileName)
{
    m_fileName = fileName;
    if (m_graphic)
        m_graphic->setOnChange({});
    m_graphic = std::move(graphic);
    if (m_graphic)
        m_graphic->setOnChange([this] { changed(); });
    changed();
}

void TPicture::draw(QPainter &painter, const QRect &rect) const
{
    if (m_graphic)
        m_graphic->draw(painter, rect);
}

void TPicture::changed()
{
    if (m_onChange)
        m_onChange();
}

} // namespace lumisnap
