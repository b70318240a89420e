#include "swk/vk/Error.h"
#include "swk/vk/FramebufferCache.h"

namespace swk::vk
{

VkFramebuffer FramebufferCache::get(VkRenderPass pass, const Image& color, uint32_t level,
                                    const Image* depth)
{
    const Key key{reinterpret_cast<uint64_t>(pass), color.id(), depth ? depth->id() : 0, level, 0};
    auto found = framebuffers_.find(key);
    if (found != framebuffers_.end())
        return found->second.get();

    VkImageView views[2] = {color.attachmentView(level),
                            depth ? depth->attachmentView(0) : VK_NULL_HANDLE};
    VkFramebufferCreateInfo info{};
    info.sType = VK_STRUCTURE_TYPE_FRAMEBUFFER_CREATE_INFO;
    info.renderPass = pass;
    info.attachmentCount = depth ? 2 : 1;
    info.pAttachments = views;
    info.width = color.width(level);
    info.height = color.height(level);
    info.layers = 1;
    VkFramebuffer framebuffer = VK_NULL_HANDLE;
    check(vkCreateFramebuffer(ctx_.device(), &info, nullptr, &framebuffer), "vkCreateFramebuffer");
    ctx_.names().name(VK_OBJECT_TYPE_FRAMEBUFFER, framebuffer, color.name().c_str());
    framebuffers_.emplace(key, UniqueFramebuffer(ctx_.device(), framebuffer));
    return framebuffer;
}

std::vector<UniqueFramebuffer> FramebufferCache::forget(uint64_t imageId)
{
    std::vector<UniqueFramebuffer> removed;
    for (auto it = framebuffers_.begin(); it != framebuffers_.end();)
    {
        if (it->first.color == imageId || it->first.depth == imageId)
        {
            removed.push_back(std::move(it->second));
            it = framebuffers_.erase(it);
        }
        else
            ++it;
    }
    return removed;
}

} // namespace swk::vk
