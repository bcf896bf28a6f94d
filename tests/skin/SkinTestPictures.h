#pragma once

#include "common/TColor.h"

#include <QImage>
#include <QStringList>

// Pictures drawn as text: '.' black, '#' red, 'g' green, 'w' white, 'b' blue.
inline QImage pictureFromRows(
    const QStringList &rows, QImage::Format format = QImage::Format_RGB888)
{
    const int height = int(rows.size());
    const int width = height ? int(rows.first().size()) : 0;
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            QRgb rgb = qRgb(0, 0, 0);
            switch (rows[y][x].toLatin1()) {
            case '#':
                rgb = qRgb(255, 0, 0);
                break;
            case 'g':
                rgb = qRgb(0, 128, 0);
                break;
            case 'w':
                rgb = qRgb(255, 255, 255);
                break;
            case 'b':
                rgb = qRgb(0, 0, 255);
                break;
            default:
                break;
            }
            image.setPixel(x, y, rgb);
        }
    }
    return format == QImage::Format_RGB888 ? image : image.convertToFormat(format);
}
