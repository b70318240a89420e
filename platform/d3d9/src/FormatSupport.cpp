#include "Direct3D9.h"
#include "Formats.h"

namespace swk::d3d9
{
namespace
{

VkFormatFeatureFlags required(DWORD usage, D3DRESOURCETYPE type, const FormatInfo& info)
{
    VkFormatFeatureFlags needs = VK_FORMAT_FEATURE_TRANSFER_SRC_BIT;
    if (usage & D3DUSAGE_DEPTHSTENCIL)
        needs |= VK_FORMAT_FEATURE_DEPTH_STENCIL_ATTACHMENT_BIT;
    else
        needs |= VK_FORMAT_FEATURE_TRANSFER_DST_BIT;
    if (usage & D3DUSAGE_RENDERTARGET)
        needs |= VK_FORMAT_FEATURE_COLOR_ATTACHMENT_BIT;
    if (type == D3DRTYPE_TEXTURE && !info.depth)
        needs |= VK_FORMAT_FEATURE_SAMPLED_IMAGE_BIT;
    return needs;
}

} // namespace

VkFormat chooseVkFormat(const vk::Context& context, D3DFORMAT format, DWORD usage)
{
    const FormatInfo* info = findFormat(format);
    if (!info)
        return VK_FORMAT_UNDEFINED;
    const D3DRESOURCETYPE type =
        (usage & D3DUSAGE_DEPTHSTENCIL) ? D3DRTYPE_SURFACE : D3DRTYPE_TEXTURE;
    const VkFormatFeatureFlags needs = required(usage, type, *info);
    for (VkFormat candidate : {info->vk, info->fallback})
        if (candidate != VK_FORMAT_UNDEFINED &&
            (context.optimalFeatures(candidate) & needs) == needs)
            return candidate;
    return VK_FORMAT_UNDEFINED;
}

HRESULT checkFormat(const vk::Context& context, const Emulation& emulation, DWORD usage,
                    D3DRESOURCETYPE type, D3DFORMAT format)
{
    if (type == D3DRTYPE_VERTEXBUFFER)
        return format == D3DFMT_VERTEXDATA ? D3D_OK : D3DERR_NOTAVAILABLE;
    if (type == D3DRTYPE_INDEXBUFFER)
        return format == D3DFMT_INDEX16 || format == D3DFMT_INDEX32 ? D3D_OK : D3DERR_NOTAVAILABLE;
    if (type != D3DRTYPE_TEXTURE && type != D3DRTYPE_SURFACE)
        return D3DERR_NOTAVAILABLE;
    const FormatInfo* info = findFormat(format);
    if (!info || emulation.refuses(format, usage))
        return D3DERR_NOTAVAILABLE;
    if ((usage & D3DUSAGE_DEPTHSTENCIL) && !info->depth)
        return D3DERR_NOTAVAILABLE;
    if (info->depth &&
        (type == D3DRTYPE_TEXTURE ||
         (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DYNAMIC | D3DUSAGE_AUTOGENMIPMAP))))
        return D3DERR_NOTAVAILABLE;

    const VkFormat vk = chooseVkFormat(context, format, usage);
    if (vk == VK_FORMAT_UNDEFINED)
        return D3DERR_NOTAVAILABLE;
    const VkFormatFeatureFlags features = context.optimalFeatures(vk);
    if ((features & required(usage, type, *info)) != required(usage, type, *info))
        return D3DERR_NOTAVAILABLE;
    if (usage & D3DUSAGE_AUTOGENMIPMAP)
    {
        const VkFormatFeatureFlags mips = VK_FORMAT_FEATURE_BLIT_SRC_BIT |
                                          VK_FORMAT_FEATURE_BLIT_DST_BIT |
                                          VK_FORMAT_FEATURE_SAMPLED_IMAGE_FILTER_LINEAR_BIT;
        if ((features & mips) != mips)
            return D3DOK_NOAUTOGEN;
    }
    return D3D_OK;
}

} // namespace swk::d3d9
