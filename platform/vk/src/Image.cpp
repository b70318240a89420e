#include "swk/vk/Image.h"
#include "swk/vk/Error.h"

#include <algorithm>
#include <atomic>

namespace swk::vk
{
namespace
{

std::atomic<uint64_t> nextImageId{1};

UniqueImageView makeView(Context& ctx, VkImage image, VkFormat format, VkImageAspectFlags aspect,
                         uint32_t baseLevel, uint32_t levels, const VkComponentMapping& swizzle,
                         const std::string& name)
{
    VkImageViewCreateInfo info{};
    info.sType = VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO;
    info.image = image;
    info.viewType = VK_IMAGE_VIEW_TYPE_2D;
    info.format = format;
    info.components = swizzle;
    info.subresourceRange = {aspect, baseLevel, levels, 0, 1};
    VkImageView view = VK_NULL_HANDLE;
    check(vkCreateImageView(ctx.device(), &info, nullptr, &view), "vkCreateImageView");
    ctx.names().name(VK_OBJECT_TYPE_IMAGE_VIEW, view, name.c_str());
    return UniqueImageView(ctx.device(), view);
}

} // namespace

uint32_t fullMipCount(uint32_t width, uint32_t height)
{
    uint32_t levels = 1;
    for (uint32_t size = std::max(width, height); size > 1; size >>= 1)
        ++levels;
    return levels;
}

VkImageAspectFlags aspectOf(VkFormat format)
{
    switch (format)
    {
    case VK_FORMAT_D16_UNORM:
    case VK_FORMAT_X8_D24_UNORM_PACK32:
    case VK_FORMAT_D32_SFLOAT:
        return VK_IMAGE_ASPECT_DEPTH_BIT;
    case VK_FORMAT_D16_UNORM_S8_UINT:
    case VK_FORMAT_D24_UNORM_S8_UINT:
    case VK_FORMAT_D32_SFLOAT_S8_UINT:
        return VK_IMAGE_ASPECT_DEPTH_BIT | VK_IMAGE_ASPECT_STENCIL_BIT;
    case VK_FORMAT_S8_UINT:
        return VK_IMAGE_ASPECT_STENCIL_BIT;
    default:
        return VK_IMAGE_ASPECT_COLOR_BIT;
    }
}

Image::Image(Context& ctx, const ImageDesc& desc)
    : desc_(desc), id_(nextImageId++), aspect_(aspectOf(desc.format))
{
    VkImageCreateInfo info{};
    info.sType = VK_STRUCTURE_TYPE_IMAGE_CREATE_INFO;
    info.imageType = VK_IMAGE_TYPE_2D;
    info.format = desc.format;
    info.extent = {desc.width, desc.height, 1};
    info.mipLevels = desc.levels;
    info.arrayLayers = 1;
    info.samples = VK_SAMPLE_COUNT_1_BIT;
    info.tiling = VK_IMAGE_TILING_OPTIMAL;
    info.usage = desc.usage;
    info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
    info.initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
    // Sizes past what the device supports are refused here, not left to the driver.
    VkImageFormatProperties supported{};
    check(vkGetPhysicalDeviceImageFormatProperties(ctx.physicalDevice(), info.format,
                                                   info.imageType, info.tiling, info.usage, 0,
                                                   &supported),
          "vkGetPhysicalDeviceImageFormatProperties");
    if (desc.width == 0 || desc.height == 0 || desc.width > supported.maxExtent.width ||
        desc.height > supported.maxExtent.height || desc.levels == 0 ||
        desc.levels > supported.maxMipLevels)
        throw Error(VK_ERROR_FORMAT_NOT_SUPPORTED, "a " + std::to_string(desc.width) + "x" +
                                                       std::to_string(desc.height) + " image");
    VkImage image = VK_NULL_HANDLE;
    check(vkCreateImage(ctx.device(), &info, nullptr, &image), "vkCreateImage");
    image_ = UniqueImage(ctx.device(), image);
    ctx.names().name(VK_OBJECT_TYPE_IMAGE, image, desc.name.c_str());

    VkMemoryRequirements req;
    vkGetImageMemoryRequirements(ctx.device(), image, &req);
    memory_ = Allocation(ctx, req, MemoryKind::DeviceLocal);
    check(vkBindImageMemory(ctx.device(), image, memory_.handle(), 0), "vkBindImageMemory");

    // A depth view may only select the depth aspect for sampling.
    VkImageAspectFlags sampledAspect = aspect_;
    if (aspect_ & VK_IMAGE_ASPECT_DEPTH_BIT)
        sampledAspect = VK_IMAGE_ASPECT_DEPTH_BIT;
    if (desc.usage & VK_IMAGE_USAGE_SAMPLED_BIT)
        sampled_ = makeView(ctx, image, desc.format, sampledAspect, 0, desc.levels, desc.swizzle,
                            desc.name + " sampled");
    if (desc.usage &
        (VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT | VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT))
    {
        const VkComponentMapping identity{};
        for (uint32_t level = 0; level < desc.levels; ++level)
            attachments_.push_back(makeView(ctx, image, desc.format, aspect_, level, 1, identity,
                                            desc.name + " level " + std::to_string(level)));
    }
    layouts_.assign(desc.levels, VK_IMAGE_LAYOUT_UNDEFINED);
}

uint32_t Image::width(uint32_t level) const
{
    return std::max(1u, desc_.width >> level);
}

uint32_t Image::height(uint32_t level) const
{
    return std::max(1u, desc_.height >> level);
}

VkImageView Image::attachmentView(uint32_t level) const
{
    return level < attachments_.size() ? attachments_[level].get() : VK_NULL_HANDLE;
}

} // namespace swk::vk
