#pragma once

#include "common/TColor.h"
#include "picture/TExtension.h"

#include <QByteArray>
#include <QImage>
#include <QVector>

#include <memory>
#include <vector>

namespace lumisnap {

class TGIFImage;

// What copies of one frame share: the LZW data as stored (minimum code size, the
// sub-blocks with their length bytes, the terminator), the frame's size, the
// packed byte of its image descriptor, its bits per pixel and its colour table.
struct TGIFItem
{
    QByteArray lzwData;
    int width = 0;
    int height = 0;
    std::uint8_t packed = 0;
    int bitsPerPixel = 0;
    QVector<QRgb> palette; // opaque colours; the count is 0 or a power of two
};

// One image of a GIF stream. Its bitmap is decoded from the LZW data on first use
// and kept until the frame changes.
class TGIFFrame
{
public:
    explicit TGIFFrame(TGIFImage *owner);
    TGIFFrame(TGIFImage *owner, const TGIFFrame &source);
    TGIFFrame(const TGIFFrame &) = delete;
    TGIFFrame &operator=(const TGIFFrame &) = delete;

    TGIFImage *owner() const { return m_owner; }

    int width() const { return m_item->width; }
    int height() const { return m_item->height; }
    int OriginX = 0;
    int OriginY = 0;
    bool IsInterlaced = false;
    mutable bool IsCorrupt = false; // also set by decoding
    TColor KeyColor = clNone;
    int DelayMs = 0;
    int DisposalMode = 0;
    bool OwnPalette = false;
    std::vector<TExtension> PendingExtensions;

    // The colour table as read (or copied from the global one); bits per pixel 1-8,
    // 0 for a frame without any colour table.
    const QVector<QRgb> &colors() const { return m_item->palette; }
    int bitsPerPixel() const { return m_item->bitsPerPixel; }
    std::uint8_t packedByte() const { return m_item->packed; }
    const QByteArray &lzwData() const { return m_item->lzwData; }

    // The depth of the decoded bitmap: 1, 4 or 8. A frame without a colour table
    // raises "Wrong number of colors; must be a power of 2".
    int bitmapDepth() const;
    // The decoded bitmap: Format_Mono for depth 1, Format_Indexed8 with 16 or 256
    // colours otherwise; entries past the frame's colours are grey.
    const QImage &bitmap() const;
    bool hasBitmap() const { return !m_bitmap.isNull(); }
    // The bitmap with every colour-table entry equal to KeyColor made transparent.
    const QImage &maskedBitmap() const;
    // The first colour-table index holding KeyColor, -1 when none.
    int transparentIndex() const;

    // A frame made from an indexed picture (Mono, MonoLSB or Indexed8); it is LZW
    // encoded when written. Other formats raise "GIF image encoding error".
    void setBitmap(const QImage &bitmap);
    // The LZW data to write: as stored, or the bitmap encoded when the frame holds
    // only a bitmap.
    QByteArray encodedData() const;

private:
    friend class GifReader;

    TGIFItem &item();
    void changed();
    void decode() const;

    TGIFImage *m_owner;
    std::shared_ptr<const TGIFItem> m_item;
    mutable QImage m_bitmap;
    mutable QImage m_masked;
    mutable TColor m_maskedKey = clNone;
};

} // namespace lumisnap
