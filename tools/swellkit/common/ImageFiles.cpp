#include "ImageFiles.h"

#include "AtomicFile.h"
#include "ToolError.h"

#include <OpenEXR/ImfChannelList.h>
#include <OpenEXR/ImfFrameBuffer.h>
#include <OpenEXR/ImfHeader.h>
#include <OpenEXR/ImfOutputFile.h>
#include <Imath/half.h>

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace swk::tools
{

namespace
{

// Rounded to nearest; values are never negative after the clamp, so adding a
// half and truncating rounds, without a library call per sample.
uint16_t To16(float v)
{
    return static_cast<uint16_t>(std::clamp(v, 0.0f, 1.0f) * 65535.0f + 0.5f);
}

uint8_t To8(float v)
{
    return static_cast<uint8_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f);
}

struct FileCloser
{
    void operator()(FILE* f) const { std::fclose(f); }
};

} // namespace

const char* Extension(ImageFormat format)
{
    return format == ImageFormat::Png ? ".png" : ".exr";
}

void ImageWriter::write(const ImageView& image, ImageFormat format, const std::string& path)
{
    AtomicFile file(path);
    if (format == ImageFormat::Png)
        writePng(image, file.temporaryPath());
    else
        writeExr(image, file.temporaryPath());
    file.commit();
}

void ImageWriter::writePng(const ImageView& image, const std::string& temporary)
{
    const bool grey = image.channels == 1;
    const size_t rowBytes = size_t(image.width) * (grey ? 2 : 3);
    m_scratch.resize(rowBytes * size_t(image.height));
    const size_t count = size_t(image.width) * size_t(image.height) * size_t(image.channels);
    for (size_t i = 0; i < count; ++i)
    {
        if (grey)
        {
            // PNG stores 16-bit samples most significant byte first.
            const uint16_t v = To16(image.values[i]);
            m_scratch[2 * i] = uint8_t(v >> 8);
            m_scratch[2 * i + 1] = uint8_t(v & 0xFF);
        }
        else
            m_scratch[i] = To8(image.values[i]);
    }

    std::unique_ptr<FILE, FileCloser> f(std::fopen(temporary.c_str(), "wb"));
    if (!f)
        throw ToolError("cannot create " + temporary + ": " + std::strerror(errno));
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png)))
    {
        png_destroy_write_struct(&png, &info);
        throw ToolError("cannot write " + temporary);
    }
    png_init_io(png, f.get());
    // Noise finds few repeats for deflate to match: Huffman coding of the
    // differences to the left neighbour makes smaller files in three quarters
    // of the time.
    png_set_compression_strategy(png, Z_HUFFMAN_ONLY);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), grey ? 16 : 8,
                 grey ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y)
        png_write_row(png, &m_scratch[size_t(y) * rowBytes]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    FILE* raw = f.release();
    if (std::ferror(raw) | std::fclose(raw))
        throw ToolError("cannot write " + temporary + " (disk full?)");
}

void ImageWriter::writeExr(const ImageView& image, const std::string& temporary)
{
    try
    {
        Imf::Header header(image.width, image.height);
        Imf::FrameBuffer frame;
        const size_t pixels = size_t(image.width) * size_t(image.height);
        std::vector<half> halves;
        if (image.channels == 1)
        {
            header.channels().insert("Y", Imf::Channel(Imf::FLOAT));
            frame.insert("Y", Imf::Slice(Imf::FLOAT, (char*)image.values, sizeof(float),
                                         sizeof(float) * size_t(image.width)));
        }
        else
        {
            halves.resize(pixels * 3);
            for (size_t i = 0; i < halves.size(); ++i)
                halves[i] = half(image.values[i]);
            const char* names[3] = {"R", "G", "B"};
            for (int c = 0; c < 3; ++c)
            {
                header.channels().insert(names[c], Imf::Channel(Imf::HALF));
                frame.insert(names[c],
                             Imf::Slice(Imf::HALF, (char*)(halves.data() + c), 3 * sizeof(half),
                                        3 * sizeof(half) * size_t(image.width)));
            }
        }
        Imf::OutputFile file(temporary.c_str(), header);
        file.setFrameBuffer(frame);
        file.writePixels(image.height);
    }
    catch (const std::exception& e)
    {
        throw ToolError("cannot write " + temporary + ": " + e.what());
    }
}

} // namespace swk::tools
