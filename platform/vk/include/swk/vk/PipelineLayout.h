// The one resource layout every pipeline uses: descriptor set 0 with two
// dynamic uniform blocks (binding 0 for the vertex stage's constants, binding 1
// for the fragment stage's) and kSamplerSlots combined image samplers from
// binding kFirstSamplerBinding on.
#pragma once

#include "Context.h"
#include "Handle.h"

namespace swk::vk
{

constexpr uint32_t kUniformBlocks = 2;
constexpr uint32_t kUniformBlockSize = 4096;
constexpr uint32_t kFirstSamplerBinding = 2;
constexpr uint32_t kSamplerSlots = 16;

class PipelineLayout
{
public:
    explicit PipelineLayout(Context& ctx);

    VkDescriptorSetLayout setLayout() const { return setLayout_.get(); }
    VkPipelineLayout handle() const { return layout_.get(); }

private:
    UniqueDescriptorSetLayout setLayout_;
    UniquePipelineLayout layout_;
};

} // namespace swk::vk
