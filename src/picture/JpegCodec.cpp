#include "picture/JpegCodec.h"

#include "picture/PictureLimits.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace lumisnap::jpeg {

namespace {

// Bounds libjpeg's own buffers (whole-image coefficients of progressive files).
constexpr long MaxDecoderMemory = 1L << 30;
constexpr int RowsPerCall = 16;
// Rows handed over at once when turned as they come: a band as high as the turn's
// tiles keeps the columns it writes in the cache.
constexpr int BandRows = 64;
// The most pixels one byte of entropy-coded data can fill: Huffman codes spend at
// least one bit on each 8 x 8 block; arithmetic coding can spend far less.
constexpr std::int64_t HuffmanPixelsPerByte = 8 * 64;
constexpr std::int64_t ArithmeticPixelsPerByte = std::int64_t(1) << 16;

struct ErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    int code = NoError;
};

void exitOnError(j_common_ptr cinfo)
{
    auto *manager = reinterpret_cast<ErrorManager *>(cinfo->err);
    manager->code = cinfo->err->msg_code;
    std::longjmp(manager->jump, 1);
}

void discardMessage(j_common_ptr, int)
{
}
void discardOutput(j_common_ptr)
{
}

struct MemorySource
{
    jpeg_source_mgr pub;
    const std::uint8_t *data;
    std::size_t size;
    std::size_t position;
    bool atStart;
    JOCTET endMarker[2];
};

void initSource(j_decompress_ptr cinfo)
{
    auto *src = reinterpret_cast<MemorySource *>(cinfo->src);
    src->position = 0;
    src->atStart = true;
}

// All the data is handed over at once: the decoder's fast path needs kilobytes ahead
// of it. Data that ends early is completed with an end-of-image marker, so a cut-off
// file decodes as far as it goes.
boolean fillInputBuffer(j_decompress_ptr cinfo)
{
    auto *src = reinterpret_cast<MemorySource *>(cinfo->src);
    const std::size_t count = src->size - src->position;
    if (count == 0) {
        if (src->atStart)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        src->endMarker[0] = 0xFF;
        src->endMarker[1] = JPEG_EOI;
        src->pub.next_input_byte = src->endMarker;
        src->pub.bytes_in_buffer = 2;
    } else {
        src->pub.next_input_byte = src->data + src->position;
        src->pub.bytes_in_buffer = count;
        src->position = src->size;
    }
    src->atStart = false;
    return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count)
{
    auto *src = reinterpret_cast<MemorySource *>(cinfo->src);
    if (count <= 0)
        return;
    while (std::size_t(count) > src->pub.bytes_in_buffer) {
        count -= long(src->pub.bytes_in_buffer);
        fillInputBuffer(cinfo);
    }
    src->pub.next_input_byte += count;
    src->pub.bytes_in_buffer -= std::size_t(count);
}

void termSource(j_decompress_ptr)
{
}

void attachSource(
    jpeg_decompress_struct &cinfo, MemorySource &src, const std::uint8_t *data, std::size_t size)
{
    src.pub.init_source = initSource;
    src.pub.fill_input_buffer = fillInputBuffer;
    src.pub.skip_input_data = skipInputData;
    src.pub.resync_to_restart = jpeg_resync_to_restart;
    src.pub.term_source = termSource;
    src.pub.bytes_in_buffer = 0;
    src.pub.next_input_byte = nullptr;
    src.data = data;
    src.size = size;
    src.position = 0;
    src.atStart = true;
    cinfo.src = &src.pub;
}

void attachErrors(jpeg_decompress_struct &cinfo, ErrorManager &errors)
{
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = exitOnError;
    errors.pub.emit_message = discardMessage;
    errors.pub.output_message = discardOutput;
}

// Everything between setjmp and the end lives in these structures, never in
// locals that the jump would leave stale.
struct Session
{
    jpeg_decompress_struct cinfo;
    ErrorManager errors;
    MemorySource source;
    std::vector<JSAMPLE> scratchRow; // a CMYK row on its way to RGB, or a row read past
    std::vector<JSAMPLE> band; // rows not yet handed over to Target::band
    std::ptrdiff_t bandStride = 0;
    int bandRows = 0;
};

void openSession(Session &s, const std::uint8_t *data, std::size_t size)
{
    jpeg_create_decompress(&s.cinfo);
    s.cinfo.mem->max_memory_to_use = MaxDecoderMemory;
    attachSource(s.cinfo, s.source, data, size);
    jpeg_read_header(&s.cinfo, TRUE);
    const std::int64_t width = s.cinfo.image_width;
    const std::int64_t height = s.cinfo.image_height;
    const std::int64_t perByte
        = s.cinfo.arith_code ? ArithmeticPixelsPerByte : HuffmanPixelsPerByte;
    if (exceedsPictureLimit(width, height)
        || exceedsItsData(width * height, std::int64_t(size) * perByte))
        ERREXIT1(&s.cinfo, JERR_IMAGE_TOO_BIG, JPEG_MAX_DIMENSION);
}

bool isInk(J_COLOR_SPACE space)
{
    return space == JCS_CMYK || space == JCS_YCCK;
}

void applySettings(jpeg_decompress_struct &cinfo, const Settings &settings)
{
    cinfo.scale_num = 1;
    cinfo.scale_denom = unsigned(settings.scaleDenom);
    cinfo.do_block_smoothing = settings.smoothing ? TRUE : FALSE;
    if (settings.grayscale)
        cinfo.out_color_space = JCS_GRAYSCALE;
    if (settings.eightBit || cinfo.out_color_space == JCS_GRAYSCALE) {
        cinfo.quantize_colors = TRUE;
        cinfo.desired_number_of_colors = QuantisedColors;
    }
    if (settings.fastest) {
        cinfo.dct_method = JDCT_IFAST;
        cinfo.two_pass_quantize = FALSE;
        cinfo.dither_mode = JDITHER_ORDERED;
    }
    // Ink pictures come out as CMYK, which the decoder cannot turn into RGB; the
    // rows are converted on their way into the picture.
    if (isInk(cinfo.jpeg_color_space) && cinfo.out_color_space != JCS_GRAYSCALE) {
        cinfo.out_color_space = JCS_CMYK;
        cinfo.quantize_colors = FALSE;
    }
    // Colour pictures that are not quantised come out as RGB bytes.
    if (cinfo.out_color_space != JCS_GRAYSCALE && cinfo.out_color_space != JCS_CMYK)
        cinfo.out_color_space = JCS_RGB;
}

// Adobe's writers store ink inverted (255 = no ink); others store it as it is.
void inkToRgb(const JSAMPLE *ink, std::uint8_t *rgb, JDIMENSION width, bool inverted)
{
    for (JDIMENSION x = 0; x < width; ++x, ink += 4, rgb += 3) {
        const int k = inverted ? ink[3] : 255 - ink[3];
        for (int c = 0; c < 3; ++c) {
            const int v = inverted ? ink[c] : 255 - ink[c];
            rgb[c] = std::uint8_t((v * k + 127) / 255);
        }
    }
}

// Also after an error: the rows read before it are shown.
void handOverBand(Session &s, Target &target)
{
    if (!target.band || s.bandRows == 0)
        return;
    target.band(target.context, s.band.data(), s.bandStride, target.rowsDone, s.bandRows);
    target.rowsDone += s.bandRows;
    s.bandRows = 0;
}

bool stopped(const Target &target)
{
    return target.stop && target.stop->load(std::memory_order_relaxed);
}

// Rows [target.top, end) of the output, into rows or, band by band, to target.band;
// CMYK rows go through scratchRow.
bool readRows(Session &s, Target &target, std::uint8_t *rows, std::ptrdiff_t stride, JDIMENSION end)
{
    jpeg_decompress_struct &cinfo = s.cinfo;
    const bool ink = cinfo.out_color_space == JCS_CMYK;
    if (ink)
        s.scratchRow.resize(std::size_t(cinfo.output_width) * 4);
    if (target.band) {
        s.bandStride = std::ptrdiff_t(cinfo.output_width) * 3;
        s.band.resize(std::size_t(s.bandStride) * BandRows);
        rows = s.band.data();
        stride = s.bandStride;
    }
    JSAMPROW pointers[RowsPerCall];
    while (cinfo.output_scanline < end) {
        if (stopped(target))
            return false;
        const int first = target.band ? s.bandRows : int(cinfo.output_scanline) - target.top;
        const int room = target.band ? BandRows - s.bandRows : RowsPerCall;
        const int count
            = ink ? 1 : std::min({ RowsPerCall, room, int(end - cinfo.output_scanline) });
        for (int i = 0; i < count; ++i)
            pointers[i] = ink ? s.scratchRow.data() : rows + std::ptrdiff_t(first + i) * stride;
        // libjpeg may give fewer rows than asked for.
        const int read = int(jpeg_read_scanlines(&cinfo, pointers, JDIMENSION(count)));
        if (ink && read > 0)
            inkToRgb(pointers[0], rows + std::ptrdiff_t(first) * stride, cinfo.output_width,
                cinfo.saw_Adobe_marker);
        if (!target.band) {
            target.rowsDone = int(cinfo.output_scanline) - target.top;
            continue;
        }
        s.bandRows += read;
        if (s.bandRows == BandRows || cinfo.output_scanline >= end)
            handOverBand(s, target);
    }
    return true;
}

// Narrows the output to the crop and a margin around it, for the upsampling and
// smoothing that reach into neighbouring blocks, and skips the rows above it;
// returns the row after the last one wanted.
JDIMENSION startCrop(Session &s, const Crop &crop, Target &target)
{
    jpeg_decompress_struct &cinfo = s.cinfo;
    // Only the samplings cameras and encoders use are cropped; others are rare, and
    // libjpeg's skipping has been less sure of them.
    if (crop.empty() || cinfo.quantize_colors || cinfo.max_h_samp_factor > 2
        || cinfo.max_v_samp_factor > 2)
        return cinfo.output_height;
    const int block = cinfo.min_DCT_scaled_size;
    const int marginX = 2 * cinfo.max_h_samp_factor * block;
    const int marginY = 2 * cinfo.max_v_samp_factor * block;
    const int width = int(cinfo.output_width), height = int(cinfo.output_height);
    const int x0 = std::clamp(crop.x - marginX, 0, width);
    const int x1 = std::clamp(crop.x + crop.width + marginX, x0, width);
    const int y0 = std::clamp(crop.y - marginY, 0, height);
    const int y1 = std::clamp(crop.y + crop.height + marginY, y0, height);
    if (x1 <= x0 || y1 <= y0)
        return cinfo.output_height;
    JDIMENSION left = JDIMENSION(x0), columns = JDIMENSION(x1 - x0);
    jpeg_crop_scanline(&cinfo, &left, &columns);
    if (y0 > 0)
        jpeg_skip_scanlines(&cinfo, JDIMENSION(y0));
    target.left = int(left);
    target.top = y0;
    return JDIMENSION(y1);
}

bool isRestartMarker(int marker)
{
    return marker >= JPEG_RST0 && marker <= JPEG_RST0 + 7;
}

// Whether the data not yet read holds nothing but entropy-coded data, restart markers
// and the end marker (or nothing: the source ends it): decoding it could then only
// warn, never fail, and need not be done.
bool restCannotFail(Session &s)
{
    const int pending = s.cinfo.unread_marker;
    if (pending != 0 && pending != JPEG_EOI && !isRestartMarker(pending))
        return false;
    const MemorySource &src = s.source;
    const std::uint8_t *at = src.data + (src.position - src.pub.bytes_in_buffer);
    const std::uint8_t *end = src.data + src.size;
    while ((at = static_cast<const std::uint8_t *>(std::memchr(at, 0xFF, std::size_t(end - at))))
        && end - at > 1) {
        const int next = at[1];
        if (next != 0x00 && next != 0xFF && !isRestartMarker(next))
            return next == JPEG_EOI;
        ++at;
    }
    return true;
}

// The rows below a crop are not drawn, but an error in them must be met as a whole
// decode meets it: they are read through unless nothing in them can fail. Skipping
// to the very end does not read the data at all.
void readThroughRest(Session &s)
{
    jpeg_decompress_struct &cinfo = s.cinfo;
    if (cinfo.output_scanline >= cinfo.output_height)
        return;
    const JDIMENSION rest = cinfo.output_height - cinfo.output_scanline;
    if (jpeg_has_multiple_scans(&cinfo) || restCannotFail(s)) {
        jpeg_skip_scanlines(&cinfo, rest);
        return;
    }
    if (rest > 1)
        jpeg_skip_scanlines(&cinfo, rest - 1);
    s.scratchRow.resize(std::size_t(cinfo.output_width) * std::size_t(cinfo.output_components));
    JSAMPROW row = s.scratchRow.data();
    jpeg_read_scanlines(&cinfo, &row, 1);
}

} // namespace

int readHeader(const std::uint8_t *data, std::size_t size, HeaderInfo &info)
{
    Session s;
    std::memset(&s.cinfo, 0, sizeof s.cinfo);
    attachErrors(s.cinfo, s.errors);
    if (setjmp(s.errors.jump)) {
        jpeg_destroy_decompress(&s.cinfo);
        return s.errors.code;
    }
    openSession(s, data, size);
    info.width = int(s.cinfo.image_width);
    info.height = int(s.cinfo.image_height);
    info.grayscale = s.cinfo.jpeg_color_space == JCS_GRAYSCALE;
    info.progressive = jpeg_has_multiple_scans(&s.cinfo);
    jpeg_destroy_decompress(&s.cinfo);
    return NoError;
}

int decode(const std::uint8_t *data, std::size_t size, const Settings &settings, Target &target)
{
    Session s;
    std::memset(&s.cinfo, 0, sizeof s.cinfo);
    attachErrors(s.cinfo, s.errors);
    target.rowsDone = 0;
    if (setjmp(s.errors.jump)) {
        handOverBand(s, target);
        jpeg_destroy_decompress(&s.cinfo);
        return s.errors.code;
    }
    openSession(s, data, size);
    applySettings(s.cinfo, settings);
    jpeg_start_decompress(&s.cinfo);
    target.left = target.top = 0;
    const JDIMENSION end = startCrop(s, settings.crop, target);

    std::uint8_t *rows = nullptr;
    std::ptrdiff_t stride = 0;
    const bool quantised = s.cinfo.quantize_colors;
    const bool ink = s.cinfo.out_color_space == JCS_CMYK;
    if (!target.allocate(target.context, int(s.cinfo.output_width), int(end) - target.top,
            ink ? 3 : s.cinfo.out_color_components, quantised ? s.cinfo.colormap : nullptr,
            quantised ? s.cinfo.actual_number_of_colors : 0, &rows, &stride))
        ERREXIT1(&s.cinfo, JERR_OUT_OF_MEMORY, 0);
    if (!readRows(s, target, rows, stride, end)) {
        jpeg_destroy_decompress(&s.cinfo);
        return Stopped;
    }
    readThroughRest(s);
    jpeg_finish_decompress(&s.cinfo);
    jpeg_destroy_decompress(&s.cinfo);
    return NoError;
}

} // namespace lumisnap::jpeg
