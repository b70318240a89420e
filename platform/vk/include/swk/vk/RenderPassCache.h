// Render passes by attachment formats: one per colour/depth format pair.
#pragma once

#include "Context.h"
#include "Handle.h"
#include "Hash.h"

#include <unordered_map>

namespace swk::vk
{

class RenderPassCache
{
public:
    explicit RenderPassCache(Context& ctx) : ctx_(ctx) {}
    // Both attachments are loaded and stored; they stay in their attachment
    // layouts before and after the pass. depthFormat may be VK_FORMAT_UNDEFINED.
    VkRenderPass get(VkFormat colorFormat, VkFormat depthFormat);

private:
    struct Key
    {
        uint32_t color;
        uint32_t depth;
    };
    Context& ctx_;
    std::unordered_map<Key, UniqueRenderPass, BytewiseHash<Key>, BytewiseEqual<Key>> passes_;
};

} // namespace swk::vk
