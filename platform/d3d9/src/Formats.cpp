#include "Formats.h"

namespace swk::d3d9
{
namespace
{

constexpr VkComponentSwizzle R = VK_COMPONENT_SWIZZLE_R;
constexpr VkComponentSwizzle G = VK_COMPONENT_SWIZZLE_G;
constexpr VkComponentSwizzle B = VK_COMPONENT_SWIZZLE_B;
constexpr VkComponentSwizzle A = VK_COMPONENT_SWIZZLE_A;
constexpr VkComponentSwizzle One = VK_COMPONENT_SWIZZLE_ONE;
constexpr VkComponentSwizzle Zero = VK_COMPONENT_SWIZZLE_ZERO;

constexpr VkComponentMapping kIdentity{R, G, B, A};
constexpr VkComponentMapping kOpaque{R, G, B, One};
constexpr VkComponentMapping kLuminance{R, R, R, One};
constexpr VkComponentMapping kLuminanceAlpha{R, R, R, G};
constexpr VkComponentMapping kAlphaOnly{Zero, Zero, Zero, R};
// Direct3D fills the channels a format lacks with 1.
constexpr VkComponentMapping kRed{R, One, One, One};
constexpr VkComponentMapping kRedGreen{R, G, One, One};

// clang-format off
const FormatInfo kFormats[] = {
    {D3DFMT_A8R8G8B8, VK_FORMAT_B8G8R8A8_UNORM, VK_FORMAT_UNDEFINED, 4, kIdentity, false, false, false},
    {D3DFMT_X8R8G8B8, VK_FORMAT_B8G8R8A8_UNORM, VK_FORMAT_UNDEFINED, 4, kOpaque, false, false, true},
    {D3DFMT_A8B8G8R8, VK_FORMAT_R8G8B8A8_UNORM, VK_FORMAT_UNDEFINED, 4, kIdentity, false, false, false},
    {D3DFMT_X8B8G8R8, VK_FORMAT_R8G8B8A8_UNORM, VK_FORMAT_UNDEFINED, 4, kOpaque, false, false, true},
    {D3DFMT_R5G6B5, VK_FORMAT_R5G6B5_UNORM_PACK16, VK_FORMAT_UNDEFINED, 2, kOpaque, false, false, false},
    {D3DFMT_A1R5G5B5, VK_FORMAT_A1R5G5B5_UNORM_PACK16, VK_FORMAT_UNDEFINED, 2, kIdentity, false, false, false},
    {D3DFMT_X1R5G5B5, VK_FORMAT_A1R5G5B5_UNORM_PACK16, VK_FORMAT_UNDEFINED, 2, kOpaque, false, false, true},
    {D3DFMT_A2B10G10R10, VK_FORMAT_A2B10G10R10_UNORM_PACK32, VK_FORMAT_UNDEFINED, 4, kIdentity, false, false, false},
    {D3DFMT_A2R10G10B10, VK_FORMAT_A2R10G10B10_UNORM_PACK32, VK_FORMAT_UNDEFINED, 4, kIdentity, false, false, false},
    {D3DFMT_G16R16, VK_FORMAT_R16G16_UNORM, VK_FORMAT_UNDEFINED, 4, kRedGreen, false, false, false},
    {D3DFMT_A16B16G16R16, VK_FORMAT_R16G16B16A16_UNORM, VK_FORMAT_UNDEFINED, 8, kIdentity, false, false, false},
    {D3DFMT_A8, VK_FORMAT_R8_UNORM, VK_FORMAT_UNDEFINED, 1, kAlphaOnly, false, false, false},
    {D3DFMT_L8, VK_FORMAT_R8_UNORM, VK_FORMAT_UNDEFINED, 1, kLuminance, false, false, false},
    {D3DFMT_A8L8, VK_FORMAT_R8G8_UNORM, VK_FORMAT_UNDEFINED, 2, kLuminanceAlpha, false, false, false},
    {D3DFMT_L16, VK_FORMAT_R16_UNORM, VK_FORMAT_UNDEFINED, 2, kLuminance, false, false, false},
    {D3DFMT_R16F, VK_FORMAT_R16_SFLOAT, VK_FORMAT_UNDEFINED, 2, kRed, false, false, false},
    {D3DFMT_G16R16F, VK_FORMAT_R16G16_SFLOAT, VK_FORMAT_UNDEFINED, 4, kRedGreen, false, false, false},
    {D3DFMT_A16B16G16R16F, VK_FORMAT_R16G16B16A16_SFLOAT, VK_FORMAT_UNDEFINED, 8, kIdentity, false, false, false},
    {D3DFMT_R32F, VK_FORMAT_R32_SFLOAT, VK_FORMAT_UNDEFINED, 4, kRed, false, false, false},
    {D3DFMT_G32R32F, VK_FORMAT_R32G32_SFLOAT, VK_FORMAT_UNDEFINED, 8, kRedGreen, false, false, false},
    {D3DFMT_A32B32G32R32F, VK_FORMAT_R32G32B32A32_SFLOAT, VK_FORMAT_UNDEFINED, 16, kIdentity, false, false, false},
    {D3DFMT_D16, VK_FORMAT_D16_UNORM, VK_FORMAT_UNDEFINED, 2, kIdentity, true, false, false},
    {D3DFMT_D16_LOCKABLE, VK_FORMAT_D16_UNORM, VK_FORMAT_UNDEFINED, 2, kIdentity, true, false, false},
    {D3DFMT_D24X8, VK_FORMAT_X8_D24_UNORM_PACK32, VK_FORMAT_D32_SFLOAT, 4, kIdentity, true, false, false},
    {D3DFMT_D24S8, VK_FORMAT_D24_UNORM_S8_UINT, VK_FORMAT_D32_SFLOAT_S8_UINT, 4, kIdentity, true, true, false},
    {D3DFMT_D32, VK_FORMAT_D32_SFLOAT, VK_FORMAT_UNDEFINED, 4, kIdentity, true, false, false},
    {D3DFMT_D32F_LOCKABLE, VK_FORMAT_D32_SFLOAT, VK_FORMAT_UNDEFINED, 4, kIdentity, true, false, false},
};
// clang-format on

float channel(D3DCOLOR color, int shift)
{
    return ((color >> shift) & 0xff) / 255.0f;
}

} // namespace

const FormatInfo* findFormat(D3DFORMAT format)
{
    for (const FormatInfo& f : kFormats)
        if (f.format == format)
            return &f;
    return nullptr;
}

VkClearColorValue clearColor(const FormatInfo& format, D3DCOLOR color)
{
    VkClearColorValue value{};
    value.float32[0] = channel(color, 16);
    value.float32[1] = channel(color, 8);
    value.float32[2] = channel(color, 0);
    value.float32[3] = format.noAlpha ? 1.0f : channel(color, 24);
    // An alpha-only format keeps its alpha in the one channel it has.
    if (format.swizzle.a == VK_COMPONENT_SWIZZLE_R)
        value.float32[0] = value.float32[3];
    return value;
}

} // namespace swk::d3d9
