#include "Png.h"

#include "common/ImageFiles.h"
#include "common/ToolError.h"

namespace swellkit::view
{

// The swapchain's BGRA bytes through the bake's image writer, so screenshots and
// baked frames share one PNG encoder and one way of appearing whole.
bool WritePng(const std::string& path, uint32_t width, uint32_t height,
              const std::vector<uint8_t>& bgra, std::string* why)
{
    if (width == 0 || height == 0 || bgra.size() < size_t(width) * height * 4)
    {
        *why = "no image to write";
        return false;
    }
    std::vector<float> rgb(size_t(width) * height * 3);
    for (size_t i = 0; i < size_t(width) * height; ++i)
        for (int c = 0; c < 3; ++c)
            rgb[3 * i + c] = bgra[4 * i + 2 - c] / 255.0f;
    try
    {
        swk::tools::ImageWriter writer;
        writer.write({int(width), int(height), 3, rgb.data()}, swk::tools::ImageFormat::Png, path);
    }
    catch (const swk::tools::ToolError& e)
    {
        *why = e.what();
        return false;
    }
    return true;
}

} // namespace swellkit::view
