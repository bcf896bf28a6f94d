#pragma once

#include <QByteArray>
#include <QRect>
#include <QRgb>
#include <QString>
#include <QVector>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

class QFile;
class QPainter;

namespace lumisnap {

// A picture of one format. The holder (TPicture) creates one through the format
// registry, lets it read a file's bytes, and keeps it only when reading succeeded.
class TGraphic
{
public:
    virtual ~TGraphic() = default;
    TGraphic(const TGraphic &) = delete;
    TGraphic &operator=(const TGraphic &) = delete;

    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual bool empty() const = 0;

    // Reads the whole picture from bytes (a file from its current position to its
    // end). Throws one of the format's errors; a failed read leaves nothing usable.
    virtual void loadFromBytes(std::span<const std::uint8_t> bytes) = 0;

    // Reads the picture from an open file, from its current position to its end.
    // By default the bytes are read whole and handed to loadFromBytes; a reader
    // may read its pixels straight from the file instead.
    virtual void loadFromFile(QFile &file);

    // Draws into rect: scaled for most formats; icons keep their own size.
    virtual void draw(QPainter &painter, const QRect &rect) = 0;

    // Colour table of an indexed picture, empty otherwise.
    virtual QVector<QRgb> palette() const { return {}; }

    bool transparent() const { return m_transparent; }
    virtual void setTransparent(bool value) { m_transparent = value; }

    // Called after the picture changed on its own (a JPEG decoded on first draw).
    void setOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }

protected:
    TGraphic() = default;
    // The rest of the file; a file past the size any picture needs is refused.
    static QByteArray readRest(QFile &file);
    void changed()
    {
        if (m_onChange)
            m_onChange();
    }

private:
    bool m_transparent = false;
    std::function<void()> m_onChange;
};

} // namespace lumisnap
