// Writes a folder of camera-sized photographs for the screen measurements:
//   make_photos <folder> [count] [seed]        (defaults: 24, 1)
// photo_01.jpg .. photo_NN.jpg: 6000 x 4000 baseline JPEGs of about 12 MB (quality 92,
// 4:2:0), smooth gradients under fine noise so they compress as photographs do. Every
// third one is stored sideways with an Exif orientation of 6 (turn 90 degrees clockwise
// to show), as cameras held upright store them. small.jpg (800 x 600) sorts last.
// Every upright picture has a white block at its top-left corner, so a screenshot shows
// at once whether it is drawn upright. The same count and seed give the same bytes.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int PhotoWidth = 6000;
constexpr int PhotoHeight = 4000;
constexpr int Quality = 92;
constexpr int NoiseAmplitude = 34; // sets the file size: about 12 MB at 6000 x 4000

// A picture defined on its upright coordinates: separable gradients per channel, a
// diagonal wave, and fine noise drawn from a seeded generator.
class Scene
{
public:
    Scene(int width, int height, std::uint32_t seed)
        : m_width(width)
        , m_height(height)
        , m_random(seed)
    {
        std::uniform_real_distribution<double> phase(0, 6.283);
        for (int c = 0; c < 3; ++c) {
            const double px = phase(m_random), py = phase(m_random);
            m_columns[c].resize(std::size_t(width));
            m_rows[c].resize(std::size_t(height));
            for (int x = 0; x < width; ++x)
                m_columns[c][std::size_t(x)] = 60 * std::sin(px + x * (1.5 + c) / width * 6.283);
            for (int y = 0; y < height; ++y)
                m_rows[c][std::size_t(y)]
                    = 50 * std::cos(py + y * (1.0 + c) / height * 6.283) - 40.0 * y / height;
        }
    }

    int width() const { return m_width; }
    int height() const { return m_height; }

    void pixel(int x, int y, std::uint8_t *rgb)
    {
        if (x < m_width / 12 && y < m_height / 12) { // the "this way up" mark
            rgb[0] = rgb[1] = rgb[2] = 250;
            return;
        }
        const int noise = int(m_random() % (2 * NoiseAmplitude + 1)) - NoiseAmplitude;
        const double wave = 20 * std::sin((x + y) * 0.004);
        for (int c = 0; c < 3; ++c) {
            const double v = 128 + m_columns[c][std::size_t(x)] + m_rows[c][std::size_t(y)] + wave
                + noise * (c == 1 ? 1.0 : 0.8);
            rgb[c] = std::uint8_t(std::clamp(v, 0.0, 255.0));
        }
    }

private:
    int m_width, m_height;
    std::mt19937 m_random;
    std::array<std::vector<double>, 3> m_columns, m_rows;
};

// APP1 "Exif" with one IFD0 entry: Orientation (0x0112), SHORT, the given value.
std::vector<JOCTET> exifOrientation(int value)
{
    return { 'E', 'x', 'i', 'f', 0, 0, //
        'M', 'M', 0, 42, 0, 0, 0, 8, // big-endian TIFF header, IFD0 at 8
        0, 1, // one entry
        0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, JOCTET(value), 0, 0, // orientation
        0, 0, 0, 0 }; // no next IFD
}

struct JpegFile
{
    std::FILE *file = nullptr;
    jpeg_compress_struct info {};
    jpeg_error_mgr errors {};

    explicit JpegFile(const std::filesystem::path &path)
        : file(std::fopen(path.c_str(), "wb"))
    {
        if (!file) {
            std::perror(path.c_str());
            std::exit(1);
        }
        info.err = jpeg_std_error(&errors); // exits on error: fine for a generator
        jpeg_create_compress(&info);
        jpeg_stdio_dest(&info, file);
    }
    ~JpegFile()
    {
        jpeg_destroy_compress(&info);
        std::fclose(file);
    }
};

// Writes the scene; sideways stores it turned 90 degrees anticlockwise, tagged 6.
void write(const std::filesystem::path &path, Scene &scene, bool sideways)
{
    JpegFile out(path);
    out.info.image_width = JDIMENSION(sideways ? scene.height() : scene.width());
    out.info.image_height = JDIMENSION(sideways ? scene.width() : scene.height());
    out.info.input_components = 3;
    out.info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&out.info);
    jpeg_set_quality(&out.info, Quality, TRUE);
    out.info.write_JFIF_header = sideways ? FALSE : TRUE; // cameras start with Exif
    jpeg_start_compress(&out.info, TRUE);
    if (sideways) {
        const std::vector<JOCTET> exif = exifOrientation(6);
        jpeg_write_marker(&out.info, JPEG_APP0 + 1, exif.data(), unsigned(exif.size()));
    }
    std::vector<std::uint8_t> row(std::size_t(out.info.image_width) * 3);
    const int lastColumn = scene.width() - 1;
    for (int y = 0; y < int(out.info.image_height); ++y) {
        for (int x = 0; x < int(out.info.image_width); ++x) {
            std::uint8_t *rgb = &row[std::size_t(x) * 3];
            // Stored (x, y) of a picture shown turned clockwise is upright (W-1-y, x).
            if (sideways)
                scene.pixel(lastColumn - y, x, rgb);
            else
                scene.pixel(x, y, rgb);
        }
        JSAMPROW rows[1] = { row.data() };
        jpeg_write_scanlines(&out.info, rows, 1);
    }
    jpeg_finish_compress(&out.info);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: make_photos <folder> [count] [seed]\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const int count = argc > 2 ? std::atoi(argv[2]) : 24;
    const std::uint32_t seed = argc > 3 ? std::uint32_t(std::strtoul(argv[3], nullptr, 10)) : 1;
    if (count < 1 || count > 99) {
        std::fprintf(stderr, "make_photos: count must be 1 to 99\n");
        return 2;
    }
    std::filesystem::create_directories(folder);
    for (int i = 1; i <= count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "photo_%02d.jpg", i);
        Scene scene(PhotoWidth, PhotoHeight, seed * 1000 + std::uint32_t(i));
        write(folder / name, scene, i % 3 == 0);
        std::printf(
            "%s %ju bytes\n", name, std::uintmax_t(std::filesystem::file_size(folder / name)));
    }
    Scene small(800, 600, seed * 1000);
    write(folder / "small.jpg", small, false);
    return 0;
}
