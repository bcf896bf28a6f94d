#pragma once

#include <QByteArray>

namespace lumisnap {

class TGIFFrame;
class TGIFImage;

// Writes a TGIFImage as a GIF stream.
class GifWriter
{
public:
    explicit GifWriter(const TGIFImage &image)
        : m_image(image)
    {
    }
    QByteArray write();

private:
    bool needs89a() const;
    void writeLogicalScreen();
    void writeLoopExtension();
    void writeFrame(const TGIFFrame &frame);
    void writeComments();
    void putU16(int value);

    const TGIFImage &m_image;
    QByteArray m_out;
};

} // namespace lumisnap
