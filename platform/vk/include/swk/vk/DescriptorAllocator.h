// Descriptor sets for one submission, from pools that are reset together
// once it has completed. Pools are kept for the next use.
#pragma once

#include "Context.h"
#include "Handle.h"

#include <vector>

namespace swk::vk
{

class DescriptorAllocator
{
public:
    explicit DescriptorAllocator(Context& ctx) : ctx_(ctx) {}

    VkDescriptorSet allocate(VkDescriptorSetLayout layout);
    void reset();
    size_t poolCount() const { return pools_.size(); }

private:
    void addPool();

    Context& ctx_;
    std::vector<UniqueDescriptorPool> pools_;
    size_t current_ = 0;
};

} // namespace swk::vk
