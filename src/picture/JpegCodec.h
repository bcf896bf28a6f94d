#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

// A thin C-style layer over libjpeg. libjpeg reports fatal errors by calling back
// into the program, which must not unwind through libjpeg's frames: these
// functions catch the error with setjmp/longjmp and return libjpeg's message
// number instead, for the caller to throw outside.
namespace lumisnap::jpeg {

inline constexpr int NoError = -1;
inline constexpr int Stopped = -2; // the caller's stop flag was raised

struct HeaderInfo
{
    int width = 0;
    int height = 0;
    bool grayscale = false;
    bool progressive = false;
};

// Reads the header of the JPEG in data; NoError or libjpeg's message number.
int readHeader(const std::uint8_t *data, std::size_t size, HeaderInfo &info);

// Where decoded rows go. allocate is called once the output size is known (the
// colour map is set when the decoder quantises); it returns false when the
// picture cannot be held. It must not throw.
struct Target
{
    void *context = nullptr;
    bool (*allocate)(void *context, int width, int height, int components,
        const std::uint8_t *const *colormap, int colors, std::uint8_t **rows,
        std::ptrdiff_t *stride) noexcept = nullptr;
    // When set, rows are handed over in bands as they come instead of being written
    // where allocate said: rows [top, top + count) of the output, which allocate's
    // rows then need not hold.
    void (*band)(void *context, const std::uint8_t *rows, std::ptrdiff_t stride, int top,
        int count) noexcept = nullptr;
    int rowsDone = 0; // rows fully written or handed over, also after an error
    const std::atomic_bool *stop = nullptr; // checked between rows
    // Where the written rows lie in the decoded picture: more than a crop asked
    // for, as libjpeg starts a crop at a block column.
    int left = 0;
    int top = 0;
};

// Part of the stored picture, in pixels of the decoded size; empty for all of it.
struct Crop
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool empty() const { return width <= 0 || height <= 0; }
};

struct Settings
{
    bool grayscale = false; // force grey output
    bool eightBit = false; // quantise colour output too
    bool smoothing = true; // block smoothing of progressive files
    bool fastest = false; // integer fast DCT, one-pass ordered dither
    int scaleDenom = 1; // 1, 2, 4 or 8: the picture decoded at 1/scaleDenom of its size
    // Only these rows and columns (with a margin) are decoded; the rest of the data
    // is still read, so that an error anywhere in it is met as a whole decode meets
    // it. Ignored when quantising, whose dither depends on the whole row.
    Crop crop;
};

inline constexpr int QuantisedColors = 236;

// Decodes the picture (or settings.crop of it) into target; NoError, Stopped or
// libjpeg's message number.
int decode(const std::uint8_t *data, std::size_t size, const Settings &settings, Target &target);

} // namespace lumisnap::jpeg
