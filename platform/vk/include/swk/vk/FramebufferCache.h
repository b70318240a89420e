// Framebuffers by the attachments they bind. Framebuffers of an image are
// dropped when the image goes.
#pragma once

#include "Context.h"
#include "Handle.h"
#include "Hash.h"
#include "Image.h"

#include <unordered_map>
#include <vector>

namespace swk::vk
{

class FramebufferCache
{
public:
    explicit FramebufferCache(Context& ctx) : ctx_(ctx) {}
    VkFramebuffer get(VkRenderPass pass, const Image& color, uint32_t level, const Image* depth);
    // Removes the framebuffers that use the image and hands them over, since
    // submitted work may still reference them.
    std::vector<UniqueFramebuffer> forget(uint64_t imageId);
    size_t size() const { return framebuffers_.size(); }

private:
    struct Key
    {
        uint64_t pass;
        uint64_t color;
        uint64_t depth;
        uint32_t level;
        uint32_t pad;
    };
    Context& ctx_;
    std::unordered_map<Key, UniqueFramebuffer, BytewiseHash<Key>, BytewiseEqual<Key>> framebuffers_;
};

} // namespace swk::vk
