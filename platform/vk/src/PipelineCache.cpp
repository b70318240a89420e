#include "swk/vk/PipelineCache.h"
#include "swk/vk/Error.h"

#include <algorithm>

namespace swk::vk
{

PipelineCache::PipelineCache(Context& ctx, VkPipelineLayout layout) : ctx_(ctx), layout_(layout)
{
    VkPipelineCacheCreateInfo info{};
    info.sType = VK_STRUCTURE_TYPE_PIPELINE_CACHE_CREATE_INFO;
    VkPipelineCache cache = VK_NULL_HANDLE;
    check(vkCreatePipelineCache(ctx.device(), &info, nullptr, &cache), "vkCreatePipelineCache");
    cache_ = UniquePipelineCache(ctx.device(), cache);
}

VkPipeline PipelineCache::get(const PipelineState& state, const ShaderModule& vertex,
                              const ShaderModule& fragment, VkRenderPass pass)
{
    Key key;
    key.state = state;
    const auto passBits = reinterpret_cast<uint64_t>(pass);
    key.passLow = static_cast<uint32_t>(passBits);
    key.passHigh = static_cast<uint32_t>(passBits >> 32);
    auto found = pipelines_.find(key);
    if (found != pipelines_.end())
        return found->second.get();

    VkPipelineShaderStageCreateInfo stages[2]{};
    stages[0].sType = VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO;
    stages[0].stage = VK_SHADER_STAGE_VERTEX_BIT;
    stages[0].module = vertex.handle();
    stages[0].pName = vertex.entryPoint();
    stages[1] = stages[0];
    stages[1].stage = VK_SHADER_STAGE_FRAGMENT_BIT;
    stages[1].module = fragment.handle();
    stages[1].pName = fragment.entryPoint();

    VkSpecializationMapEntry entries[kMaxSpecializationConstants];
    const uint32_t constants = std::min(state.specializationCount, kMaxSpecializationConstants);
    for (uint32_t i = 0; i < constants; ++i)
        entries[i] = {i, i * uint32_t(sizeof(uint32_t)), sizeof(uint32_t)};
    VkSpecializationInfo specialization{};
    specialization.mapEntryCount = constants;
    specialization.pMapEntries = entries;
    specialization.dataSize = constants * sizeof(uint32_t);
    specialization.pData = state.specialization;
    if (constants && (state.specializedStages & kSpecializeVertex))
        stages[0].pSpecializationInfo = &specialization;
    if (constants && (state.specializedStages & kSpecializeFragment))
        stages[1].pSpecializationInfo = &specialization;

    VkVertexInputBindingDescription bindings[kMaxVertexBindings];
    for (uint32_t i = 0; i < state.bindingCount; ++i)
        bindings[i] = {i, state.strides[i], VK_VERTEX_INPUT_RATE_VERTEX};
    VkVertexInputAttributeDescription attributes[kMaxVertexAttributes];
    for (uint32_t i = 0; i < state.attributeCount; ++i)
    {
        const VertexAttribute& a = state.attributes[i];
        attributes[i] = {a.location, a.binding, static_cast<VkFormat>(a.format), a.offset};
    }
    VkPipelineVertexInputStateCreateInfo input{};
    input.sType = VK_STRUCTURE_TYPE_PIPELINE_VERTEX_INPUT_STATE_CREATE_INFO;
    input.vertexBindingDescriptionCount = state.bindingCount;
    input.pVertexBindingDescriptions = bindings;
    input.vertexAttributeDescriptionCount = state.attributeCount;
    input.pVertexAttributeDescriptions = attributes;

    VkPipelineInputAssemblyStateCreateInfo assembly{};
    assembly.sType = VK_STRUCTURE_TYPE_PIPELINE_INPUT_ASSEMBLY_STATE_CREATE_INFO;
    assembly.topology = static_cast<VkPrimitiveTopology>(state.topology);
    assembly.primitiveRestartEnable = state.primitiveRestart;

    VkPipelineViewportStateCreateInfo viewport{};
    viewport.sType = VK_STRUCTURE_TYPE_PIPELINE_VIEWPORT_STATE_CREATE_INFO;
    viewport.viewportCount = 1;
    viewport.scissorCount = 1;

    VkPipelineRasterizationStateCreateInfo raster{};
    raster.sType = VK_STRUCTURE_TYPE_PIPELINE_RASTERIZATION_STATE_CREATE_INFO;
    raster.polygonMode = static_cast<VkPolygonMode>(state.polygonMode);
    raster.cullMode = state.cullMode;
    raster.frontFace = static_cast<VkFrontFace>(state.frontFace);
    raster.lineWidth = 1.0f;

    VkPipelineMultisampleStateCreateInfo multisample{};
    multisample.sType = VK_STRUCTURE_TYPE_PIPELINE_MULTISAMPLE_STATE_CREATE_INFO;
    multisample.rasterizationSamples = VK_SAMPLE_COUNT_1_BIT;

    auto face = [](const StencilFace& f)
    {
        VkStencilOpState s{};
        s.failOp = static_cast<VkStencilOp>(f.failOp);
        s.passOp = static_cast<VkStencilOp>(f.passOp);
        s.depthFailOp = static_cast<VkStencilOp>(f.depthFailOp);
        s.compareOp = static_cast<VkCompareOp>(f.compareOp);
        return s;
    };
    VkPipelineDepthStencilStateCreateInfo depth{};
    depth.sType = VK_STRUCTURE_TYPE_PIPELINE_DEPTH_STENCIL_STATE_CREATE_INFO;
    depth.depthTestEnable = state.depthTest;
    depth.depthWriteEnable = state.depthWrite;
    depth.depthCompareOp = static_cast<VkCompareOp>(state.depthCompare);
    depth.stencilTestEnable = state.stencilTest;
    depth.front = face(state.front);
    depth.back = face(state.back);

    VkPipelineColorBlendAttachmentState blendAttachment{};
    blendAttachment.blendEnable = state.blendEnable;
    blendAttachment.srcColorBlendFactor = static_cast<VkBlendFactor>(state.srcColor);
    blendAttachment.dstColorBlendFactor = static_cast<VkBlendFactor>(state.dstColor);
    blendAttachment.colorBlendOp = static_cast<VkBlendOp>(state.colorOp);
    blendAttachment.srcAlphaBlendFactor = static_cast<VkBlendFactor>(state.srcAlpha);
    blendAttachment.dstAlphaBlendFactor = static_cast<VkBlendFactor>(state.dstAlpha);
    blendAttachment.alphaBlendOp = static_cast<VkBlendOp>(state.alphaOp);
    blendAttachment.colorWriteMask = state.writeMask;
    VkPipelineColorBlendStateCreateInfo blend{};
    blend.sType = VK_STRUCTURE_TYPE_PIPELINE_COLOR_BLEND_STATE_CREATE_INFO;
    blend.attachmentCount = 1;
    blend.pAttachments = &blendAttachment;

    const VkDynamicState dynamics[] = {
        VK_DYNAMIC_STATE_VIEWPORT,           VK_DYNAMIC_STATE_SCISSOR,
        VK_DYNAMIC_STATE_STENCIL_REFERENCE,  VK_DYNAMIC_STATE_STENCIL_COMPARE_MASK,
        VK_DYNAMIC_STATE_STENCIL_WRITE_MASK, VK_DYNAMIC_STATE_BLEND_CONSTANTS};
    VkPipelineDynamicStateCreateInfo dynamic{};
    dynamic.sType = VK_STRUCTURE_TYPE_PIPELINE_DYNAMIC_STATE_CREATE_INFO;
    dynamic.dynamicStateCount = sizeof dynamics / sizeof dynamics[0];
    dynamic.pDynamicStates = dynamics;

    VkGraphicsPipelineCreateInfo info{};
    info.sType = VK_STRUCTURE_TYPE_GRAPHICS_PIPELINE_CREATE_INFO;
    info.stageCount = 2;
    info.pStages = stages;
    info.pVertexInputState = &input;
    info.pInputAssemblyState = &assembly;
    info.pViewportState = &viewport;
    info.pRasterizationState = &raster;
    info.pMultisampleState = &multisample;
    info.pDepthStencilState = &depth;
    info.pColorBlendState = &blend;
    info.pDynamicState = &dynamic;
    info.layout = layout_;
    info.renderPass = pass;
    VkPipeline pipeline = VK_NULL_HANDLE;
    check(vkCreateGraphicsPipelines(ctx_.device(), cache_.get(), 1, &info, nullptr, &pipeline),
          "vkCreateGraphicsPipelines");
    ctx_.names().name(VK_OBJECT_TYPE_PIPELINE, pipeline, "cached pipeline");
    pipelines_.emplace(key, UniquePipeline(ctx_.device(), pipeline));
    return pipeline;
}

std::vector<UniquePipeline> PipelineCache::forget(uint64_t shaderId)
{
    const auto id = static_cast<uint32_t>(shaderId);
    std::vector<UniquePipeline> removed;
    for (auto it = pipelines_.begin(); it != pipelines_.end();)
    {
        if (it->first.state.vertexShader == id || it->first.state.fragmentShader == id)
        {
            removed.push_back(std::move(it->second));
            it = pipelines_.erase(it);
        }
        else
            ++it;
    }
    return removed;
}

} // namespace swk::vk
