#include "swk/vk/PipelineLayout.h"
#include "swk/vk/Error.h"

namespace swk::vk
{

PipelineLayout::PipelineLayout(Context& ctx)
{
    VkDescriptorSetLayoutBinding bindings[kFirstSamplerBinding + kSamplerSlots]{};
    const VkShaderStageFlags stages = VK_SHADER_STAGE_VERTEX_BIT | VK_SHADER_STAGE_FRAGMENT_BIT;
    for (uint32_t i = 0; i < kUniformBlocks; ++i)
        bindings[i] = {i, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER_DYNAMIC, 1, stages, nullptr};
    for (uint32_t i = 0; i < kSamplerSlots; ++i)
        bindings[kFirstSamplerBinding + i] = {kFirstSamplerBinding + i,
                                              VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER, 1, stages,
                                              nullptr};
    VkDescriptorSetLayoutCreateInfo setInfo{};
    setInfo.sType = VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_CREATE_INFO;
    setInfo.bindingCount = kFirstSamplerBinding + kSamplerSlots;
    setInfo.pBindings = bindings;
    VkDescriptorSetLayout setLayout = VK_NULL_HANDLE;
    check(vkCreateDescriptorSetLayout(ctx.device(), &setInfo, nullptr, &setLayout),
          "vkCreateDescriptorSetLayout");
    setLayout_ = UniqueDescriptorSetLayout(ctx.device(), setLayout);

    VkPipelineLayoutCreateInfo info{};
    info.sType = VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO;
    info.setLayoutCount = 1;
    info.pSetLayouts = &setLayout;
    VkPipelineLayout layout = VK_NULL_HANDLE;
    check(vkCreatePipelineLayout(ctx.device(), &info, nullptr, &layout), "vkCreatePipelineLayout");
    layout_ = UniquePipelineLayout(ctx.device(), layout);
    ctx.names().name(VK_OBJECT_TYPE_PIPELINE_LAYOUT, layout, "shared pipeline layout");
}

} // namespace swk::vk
