// Samplers are few and immutable: one per distinct state, kept for the
// renderer's lifetime.
#pragma once

#include "Context.h"
#include "Handle.h"
#include "Hash.h"

#include <unordered_map>

namespace swk::vk
{

struct SamplerKey
{
    uint32_t magFilter = VK_FILTER_NEAREST;
    uint32_t minFilter = VK_FILTER_NEAREST;
    uint32_t mipmapMode = VK_SAMPLER_MIPMAP_MODE_NEAREST;
    uint32_t addressU = VK_SAMPLER_ADDRESS_MODE_REPEAT;
    uint32_t addressV = VK_SAMPLER_ADDRESS_MODE_REPEAT;
    uint32_t addressW = VK_SAMPLER_ADDRESS_MODE_REPEAT;
    uint32_t borderColor = VK_BORDER_COLOR_FLOAT_TRANSPARENT_BLACK;
    uint32_t maxAnisotropy = 1;
    float mipLodBias = 0.0f;
    float minLod = 0.0f;
    float maxLod = 0.0f;
};

class SamplerCache
{
public:
    explicit SamplerCache(Context& ctx) : ctx_(ctx) {}
    VkSampler get(const SamplerKey& key);
    size_t size() const { return samplers_.size(); }

private:
    Context& ctx_;
    std::unordered_map<SamplerKey, UniqueSampler, BytewiseHash<SamplerKey>,
                       BytewiseEqual<SamplerKey>>
        samplers_;
};

} // namespace swk::vk
