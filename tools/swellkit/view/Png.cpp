#include "Png.h"

#include <png.h>

#include <cstdio>

namespace swellkit::view
{
namespace
{

// libpng reports errors through longjmp; everything that needs cleaning up
// lives outside the function that can jump.
bool Encode(FILE* file, uint32_t width, uint32_t height, const std::vector<uint8_t>& bgra)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    std::vector<png_byte> row(size_t(width) * 3);
    if (!info || setjmp(png_jmpbuf(png)))
    {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (uint32_t y = 0; y < height; ++y)
    {
        const uint8_t* src = bgra.data() + size_t(y) * width * 4;
        for (uint32_t x = 0; x < width; ++x)
        {
            row[3 * x] = src[4 * x + 2];
            row[3 * x + 1] = src[4 * x + 1];
            row[3 * x + 2] = src[4 * x];
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool WritePng(const std::string& path, uint32_t width, uint32_t height,
              const std::vector<uint8_t>& bgra, std::string* why)
{
    if (width == 0 || height == 0 || bgra.size() < size_t(width) * height * 4)
    {
        *why = "no image to write";
        return false;
    }
    const std::string partial = path + ".partial";
    FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file)
    {
        *why = "cannot create " + partial;
        return false;
    }
    bool ok = Encode(file, width, height, bgra);
    ok = std::fclose(file) == 0 && ok;
    if (!ok || std::rename(partial.c_str(), path.c_str()) != 0)
    {
        std::remove(partial.c_str());
        *why = "cannot write " + path;
        return false;
    }
    return true;
}

} // namespace swellkit::view
