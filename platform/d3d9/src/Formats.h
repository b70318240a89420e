// Direct3D 9 formats and the Vulkan formats that hold the same bytes.
#pragma once

#include <d3d9.h>
#include <vulkan/vulkan.h>

namespace swk::d3d9
{

struct FormatInfo
{
    D3DFORMAT format;
    VkFormat vk;       // same memory layout as the Direct3D format
    VkFormat fallback; // used when vk lacks the needed features (depth formats)
    UINT bytesPerTexel;
    // How sampling sees the channels, e.g. luminance as (L, L, L, 1).
    VkComponentMapping swizzle;
    bool depth;
    bool stencil;
    bool noAlpha; // X formats: alpha reads as 1 and is never written
};

// Null for formats this device does not know.
const FormatInfo* findFormat(D3DFORMAT format);

// Converts a D3DCOLOR to the values a clear of the given format stores.
VkClearColorValue clearColor(const FormatInfo& format, D3DCOLOR color);

} // namespace swk::d3d9
