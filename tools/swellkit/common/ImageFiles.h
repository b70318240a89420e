// Image files for maps and previews, each written through an AtomicFile.
// Values are in [0, 1], interleaved, row by row from the top.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace swk::tools
{

enum class ImageFormat
{
    Png,
    Exr
};

struct ImageView
{
    int width = 0;
    int height = 0;
    int channels = 0; // 1 (grey) or 3 (RGB)
    const float* values = nullptr;
};

// PNG: one channel as 16-bit grey (v * 65535 rounded, so a 16-bit map keeps
// its own values), three as 8-bit RGB; tuned for speed, since maps are noise
// and compress little anyway. OpenEXR: one channel as a 32-bit float
// "Y", three as half-float RGB. Throws ToolError naming the file on failure.
class ImageWriter
{
public:
    void write(const ImageView& image, ImageFormat format, const std::string& path);

private:
    void writePng(const ImageView& image, const std::string& temporary);
    void writeExr(const ImageView& image, const std::string& temporary);

    std::vector<uint8_t> m_scratch; // kept between frames
};

const char* Extension(ImageFormat format);

} // namespace swk::tools
