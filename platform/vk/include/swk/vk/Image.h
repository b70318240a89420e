// A 2D image with its mip chain, a sampled view (with the swizzle that makes a
// single-channel format read as luminance, for instance) and one identity view
// per level for use as an attachment. The current layout of every level is
// tracked here so that barriers can be derived from it.
#pragma once

#include "Memory.h"

#include <cstdint>
#include <string>
#include <vector>

namespace swk::vk
{

struct ImageDesc
{
    uint32_t width = 1;
    uint32_t height = 1;
    uint32_t levels = 1;
    VkFormat format = VK_FORMAT_UNDEFINED;
    VkImageUsageFlags usage = 0;
    VkComponentMapping swizzle{VK_COMPONENT_SWIZZLE_IDENTITY, VK_COMPONENT_SWIZZLE_IDENTITY,
                               VK_COMPONENT_SWIZZLE_IDENTITY, VK_COMPONENT_SWIZZLE_IDENTITY};
    std::string name;
};

uint32_t fullMipCount(uint32_t width, uint32_t height);
VkImageAspectFlags aspectOf(VkFormat format);

class Image
{
public:
    Image(Context& ctx, const ImageDesc& desc);

    VkImage handle() const { return image_.get(); }
    uint64_t id() const { return id_; }
    VkFormat format() const { return desc_.format; }
    VkImageAspectFlags aspect() const { return aspect_; }
    uint32_t levels() const { return desc_.levels; }
    uint32_t width(uint32_t level = 0) const;
    uint32_t height(uint32_t level = 0) const;
    VkImageUsageFlags usage() const { return desc_.usage; }
    const std::string& name() const { return desc_.name; }

    // Null when the image was not created for sampling / as an attachment.
    VkImageView sampledView() const { return sampled_.get(); }
    VkImageView attachmentView(uint32_t level) const;

    VkImageLayout layout(uint32_t level) const { return layouts_[level]; }
    void setLayout(uint32_t level, VkImageLayout layout) { layouts_[level] = layout; }

private:
    ImageDesc desc_;
    uint64_t id_;
    VkImageAspectFlags aspect_;
    UniqueImage image_;
    Allocation memory_;
    UniqueImageView sampled_;
    std::vector<UniqueImageView> attachments_;
    std::vector<VkImageLayout> layouts_;
};

} // namespace swk::vk
