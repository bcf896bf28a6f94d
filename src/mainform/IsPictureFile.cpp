#include "mainform/IsPictureFile.h"

namespace lumisnap {

QString ExtractFileExt(const QString &path)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (dot < 0 || dot < slash)
        return {};
    return path.mid(dot);
}

bool IsPictureFile(const QString &path)
{
    QString ext = ExtractFileExt(path);
    for (QChar &c : ext) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    }
    for (const char *picture : { ".JPG", ".GIF", ".ICO", ".BMP" }) {
        if (ext == QLatin1String(picture))
            return true;
    }
    return false;
}

bool IsPictureName(QByteArrayView name)
{
    const qsizetype dot = name.lastIndexOf('.');
    if (dot < 0 || name.size() - dot != 4)
        return false;
    char ext[5] = {};
    for (int i = 0; i < 4; ++i) {
        const char c = name[dot + i];
        ext[i] = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    }
    for (const char *picture : { ".gif", ".jpg", ".ico", ".bmp" }) {
        if (qstrcmp(ext, picture) == 0)
            return true;
    }
    return false;
}

} // namespace lumisnap
