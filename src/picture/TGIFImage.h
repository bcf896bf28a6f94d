#pragma once

#include "common/TColor.h"
#include "picture/TGIFFrame.h"
#include "picture/TGraphic.h"

#include <QByteArray>
#include <QStringList>

#include <atomic>
#include <memory>
#include <vector>

namespace lumisnap {

// Damaged image data only marks the frame corrupt while this is on (the default);
// off, it raises the GIF errors instead.
inline std::atomic<bool> TolerateDamage { true };

// Picture data that copies of one GIF share.
struct TGIFData
{
    QVector<QRgb> palette; // the global colour table: empty or 2-256 entries
    QStringList commentLines;
    std::uint8_t aspect = 0;
    int bitsPerPixel = 0;
    int colorResolution = 0;
};

// A GIF picture: every frame of a GIF87a or GIF89a stream. The current frame
// (0 after a load) is what the picture draws and measures.
class TGIFImage : public TGraphic
{
public:
    enum GifVersion { VersionNone = 0, Version87a = 1, Version89a = 2 };

    TGIFImage();
    ~TGIFImage() override;

    // Copies source into this picture; picture and frame data stay shared until
    // either side changes them.
    void assign(const TGIFImage &source);

    int width() const override;
    int height() const override;
    bool empty() const override;
    void loadFromBytes(std::span<const std::uint8_t> bytes) override;
    void draw(QPainter &painter, const QRect &rect) override;
    QVector<QRgb> palette() const override;

    // A size cannot be set: both raise "Cannot change the Size of a GIF image".
    [[noreturn]] void setWidth(int value);
    [[noreturn]] void setHeight(int value);

    // The stored form: a 32-bit little-endian length, then that many bytes of GIF.
    void loadFromStoredForm(std::span<const std::uint8_t> bytes);
    QByteArray storedForm() const;
    // The picture as a GIF stream; without frames raises "No GIF Data to write".
    QByteArray saveToBytes() const;

    // Transparent on and at least one frame with a KeyColor.
    bool isTransparent() const;

    int Version() const { return m_version; }
    int LogicalWidth() const { return m_logicalWidth; }
    int LogicalHeight() const { return m_logicalHeight; }
    TColor Background() const { return m_background; }
    bool HasLoopExtension() const { return m_hasLoopExtension; }
    int LoopCount() const { return m_loopCount; }
    // Turns the loop extension on with count (at most 30000).
    void setLoopCount(int count);
    const QStringList &commentLines() const { return m_data->commentLines; }
    void setCommentLines(const QStringList &lines);
    const QVector<QRgb> &globalPalette() const { return m_data->palette; }
    // The colour table of frames without their own (2 to 256 colours, a power of two).
    void setGlobalPalette(const QVector<QRgb> &colors);
    std::uint8_t aspect() const { return m_data->aspect; }
    int bitsPerPixel() const { return m_data->bitsPerPixel; }
    int colorResolution() const { return m_data->colorResolution; }

    int frameCount() const { return int(m_frames.size()); }
    TGIFFrame &frame(int index) { return *m_frames.at(std::size_t(index)); }
    const TGIFFrame &frame(int index) const { return *m_frames.at(std::size_t(index)); }
    // -1 when empty. Setting an index outside the frames is ignored.
    int currentFrame() const { return m_current; }
    void setCurrentFrame(int index);
    // Appends a frame made from an indexed bitmap at (x, y); it becomes current
    // when it is the first.
    TGIFFrame &addFrame(const QImage &bitmap, int x = 0, int y = 0);

private:
    friend class GifReader;
    friend class GifWriter;

    void reset();
    const TGIFFrame *current() const;

    std::shared_ptr<TGIFData> m_data;
    int m_version = VersionNone;
    int m_logicalWidth = 0;
    int m_logicalHeight = 0;
    TColor m_background = clNone;
    bool m_hasLoopExtension = false;
    int m_loopCount = 1;
    std::vector<std::unique_ptr<TGIFFrame>> m_frames;
    int m_current = -1;
};

} // namespace lumisnap
