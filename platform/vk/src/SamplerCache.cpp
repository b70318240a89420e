#include "swk/vk/SamplerCache.h"
#include "swk/vk/Error.h"

#include <algorithm>

namespace swk::vk
{

VkSampler SamplerCache::get(const SamplerKey& key)
{
    auto found = samplers_.find(key);
    if (found != samplers_.end())
        return found->second.get();

    VkSamplerCreateInfo info{};
    info.sType = VK_STRUCTURE_TYPE_SAMPLER_CREATE_INFO;
    info.magFilter = static_cast<VkFilter>(key.magFilter);
    info.minFilter = static_cast<VkFilter>(key.minFilter);
    info.mipmapMode = static_cast<VkSamplerMipmapMode>(key.mipmapMode);
    info.addressModeU = static_cast<VkSamplerAddressMode>(key.addressU);
    info.addressModeV = static_cast<VkSamplerAddressMode>(key.addressV);
    info.addressModeW = static_cast<VkSamplerAddressMode>(key.addressW);
    info.mipLodBias = key.mipLodBias;
    const bool anisotropy = key.maxAnisotropy > 1 && ctx_.features().samplerAnisotropy;
    info.anisotropyEnable = anisotropy ? VK_TRUE : VK_FALSE;
    info.maxAnisotropy = anisotropy ? std::min(static_cast<float>(key.maxAnisotropy),
                                               ctx_.properties().limits.maxSamplerAnisotropy)
                                    : 1.0f;
    info.minLod = key.minLod;
    info.maxLod = key.maxLod;
    info.borderColor = static_cast<VkBorderColor>(key.borderColor);
    VkSampler sampler = VK_NULL_HANDLE;
    check(vkCreateSampler(ctx_.device(), &info, nullptr, &sampler), "vkCreateSampler");
    ctx_.names().name(VK_OBJECT_TYPE_SAMPLER, sampler, "cached sampler");
    samplers_.emplace(key, UniqueSampler(ctx_.device(), sampler));
    return sampler;
}

} // namespace swk::vk
