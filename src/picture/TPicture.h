#pragma once

#include "picture/TGraphic.h"

#include <QString>

#include <functional>
#include <memory>

class QPainter;

namespace lumisnap {

class TPictureFormats;

// Holds at most one picture, loaded from a file by its extension. A failed load
// raises the reader's error and keeps the picture held before.
class TPicture
{
public:
    // formats: the registry to load through; the program's when null.
    explicit TPicture(const TPictureFormats *formats = nullptr);
    ~TPicture();
    TPicture(const TPicture &) = delete;
    TPicture &operator=(const TPicture &) = delete;

    void LoadFromFile(const QString &path);

    // Takes graphic (may be null) and reports the change.
    void setGraphic(std::unique_ptr<TGraphic> graphic) { take(std::move(graphic), QString()); }
    // The file the held picture was loaded from; empty when it came from elsewhere.
    const QString &fileName() const { return m_fileName; }
    TGraphic *graphic() const { return m_graphic.get(); }

    int width() const { return m_graphic ? m_graphic->width() : 0; }
    int height() const { return m_graphic ? m_graphic->height() : 0; }
    bool empty() const { return !m_graphic || m_graphic->empty(); }

    // Draws the held picture into rect the way its class draws (most scale to
    // rect, icons keep their size at its top-left). May raise a decoding error
    // the first time a JPEG is drawn.
    void draw(QPainter &painter, const QRect &rect) const;

    // Called after every load and whenever the held picture changes on its own.
    void setOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }

    // The viewer draws every picture opaque except icons and metafiles, which keep
    // their own transparency; call after each load.
    static void drawAsViewer(TGraphic &graphic);

    // The extension of a path without its dot: the text after the last "." that
    // follows the last "/", empty when there is none.
    static QString extensionOf(const QString &path);

private:
    void take(std::unique_ptr<TGraphic> graphic, const QString &fileName);
    void changed();

    const TPictureFormats *m_formats;
    std::unique_ptr<TGraphic> m_graphic;
    QString m_fileName;
    std::function<void()> m_onChange;
};

} // namespace lumisnap
