#include "swk/vk/DescriptorAllocator.h"
#include "swk/vk/Error.h"
#include "swk/vk/PipelineLayout.h"

namespace swk::vk
{
namespace
{

constexpr uint32_t kSetsPerPool = 256;

} // namespace

VkDescriptorSet DescriptorAllocator::allocate(VkDescriptorSetLayout layout)
{
    for (;; ++current_)
    {
        if (current_ == pools_.size())
            addPool();
        VkDescriptorSetAllocateInfo info{};
        info.sType = VK_STRUCTURE_TYPE_DESCRIPTOR_SET_ALLOCATE_INFO;
        info.descriptorPool = pools_[current_].get();
        info.descriptorSetCount = 1;
        info.pSetLayouts = &layout;
        VkDescriptorSet set = VK_NULL_HANDLE;
        const VkResult result = vkAllocateDescriptorSets(ctx_.device(), &info, &set);
        if (result == VK_SUCCESS)
            return set;
        if (result != VK_ERROR_OUT_OF_POOL_MEMORY && result != VK_ERROR_FRAGMENTED_POOL)
            check(result, "vkAllocateDescriptorSets");
    }
}

void DescriptorAllocator::reset()
{
    for (auto& pool : pools_)
        vkResetDescriptorPool(ctx_.device(), pool.get(), 0);
    current_ = 0;
}

void DescriptorAllocator::addPool()
{
    const VkDescriptorPoolSize sizes[] = {
        {VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER_DYNAMIC, kSetsPerPool * kUniformBlocks},
        {VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER, kSetsPerPool * kSamplerSlots}};
    VkDescriptorPoolCreateInfo info{};
    info.sType = VK_STRUCTURE_TYPE_DESCRIPTOR_POOL_CREATE_INFO;
    info.maxSets = kSetsPerPool;
    info.poolSizeCount = 2;
    info.pPoolSizes = sizes;
    VkDescriptorPool pool = VK_NULL_HANDLE;
    check(vkCreateDescriptorPool(ctx_.device(), &info, nullptr, &pool), "vkCreateDescriptorPool");
    ctx_.names().name(VK_OBJECT_TYPE_DESCRIPTOR_POOL, pool, "frame descriptor pool");
    pools_.emplace_back(ctx_.device(), pool);
}

} // namespace swk::vk
