#pragma once

// The peer the JPEG benchmarks measure against: a whole decode with libjpeg alone,
// from memory, with its default settings and error handling.

#include <QByteArray>

#include <cstdio>
#include <vector>

#include <jpeglib.h>

// Decodes `file` whole and returns its pixels, so that the work cannot be optimised away.
inline std::vector<unsigned char> decodeWithBareLibjpeg(const QByteArray &file)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char *>(file.constData()),
        static_cast<unsigned long>(file.size()));
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    const std::size_t stride = std::size_t(cinfo.output_width) * cinfo.output_components;
    std::vector<unsigned char> pixels(stride * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels.data() + stride * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return pixels;
}
