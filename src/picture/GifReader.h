#pragma once

#include "common/ByteReader.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace lumisnap {

class TExtension;
class TGIFFrame;
class TGIFImage;

// Reads a GIF stream into a freshly reset TGIFImage: header, logical screen,
// colour tables, extensions and frames (their LZW data kept, not yet decoded).
class GifReader
{
public:
    GifReader(TGIFImage &image, std::span<const std::uint8_t> bytes);
    void read();

private:
    void readBlocks();
    void readHeader();
    void readLogicalScreen();
    std::uint8_t nextIntroducer();
    void readExtension();
    void testLoopExtension(const TExtension &extension);
    void gatherComments();
    void readFrame();
    void readImage(TGIFFrame &frame);
    void readImageData(TGIFFrame &frame, QByteArray &data);
    void applyGraphicControls(TGIFFrame &frame);
    void checkSize(std::int64_t width, std::int64_t height, std::size_t dataBytes);

    TGIFImage &m_image;
    ByteReader m_reader;
    std::vector<TExtension> m_pending;
};

} // namespace lumisnap
