#include "swk/vk/Barriers.h"
#include "swk/vk/Error.h"
#include "swk/vk/Renderer.h"

#include <algorithm>
#include <cstring>

namespace swk::vk
{
namespace
{

bool readyForSampling(const Image& image)
{
    for (uint32_t level = 0; level < image.levels(); ++level)
        if (image.layout(level) != VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL)
            return false;
    return true;
}

} // namespace

void Renderer::draw(const DrawCall& call)
{
    if (!call.vertexShader || !call.fragmentShader)
        throw Error(VK_ERROR_INITIALIZATION_FAILED, "drawing without shaders");

    bool needsTransitions = false;
    for (const TextureBinding& t : call.textures)
        if (t.image && !readyForSampling(*t.image))
            needsTransitions = true;
    if (needsTransitions)
    {
        endPass();
        VkCommandBuffer cmd = stream_.cmd();
        for (const TextureBinding& t : call.textures)
            if (t.image)
                transition(cmd, *t.image, 0, t.image->levels(),
                           VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL);
    }
    beginPass();
    VkCommandBuffer cmd = stream_.cmd();
    const uint64_t serial = stream_.currentSerial();
    if (serial != boundSerial_)
    {
        boundSerial_ = serial;
        boundPipeline_ = VK_NULL_HANDLE;
        set_ = VK_NULL_HANDLE;
        boundSet_ = VK_NULL_HANDLE;
    }

    PipelineState state = call.state;
    state.vertexShader = static_cast<uint32_t>(call.vertexShader->id());
    state.fragmentShader = static_cast<uint32_t>(call.fragmentShader->id());
    state.colorFormat = color_->format();
    state.depthFormat = depth_ ? depth_->format() : VK_FORMAT_UNDEFINED;
    if (!depth_)
    {
        state.depthTest = state.depthWrite = state.stencilTest = 0;
    }
    const VkPipeline pipeline =
        pipelines_.get(state, *call.vertexShader, *call.fragmentShader, pass_);
    if (pipeline != boundPipeline_)
    {
        vkCmdBindPipeline(cmd, VK_PIPELINE_BIND_POINT_GRAPHICS, pipeline);
        boundPipeline_ = pipeline;
    }

    const VkDeviceSize alignment =
        std::max<VkDeviceSize>(16, ctx_->properties().limits.minUniformBufferOffsetAlignment);
    VkBuffer uniformBuffers[kUniformBlocks];
    uint32_t offsets[kUniformBlocks];
    for (uint32_t i = 0; i < kUniformBlocks; ++i)
    {
        UniformCache& cached = uniformCache_[i];
        const UniformBlock& block = call.uniforms[i];
        if (cached.serial != serial || cached.version != block.version || !cached.buffer)
        {
            Slice slice = stream_.arena().allocate(kUniformBlockSize, alignment);
            const uint32_t size = block.data ? std::min(block.size, kUniformBlockSize) : 0;
            if (size)
                std::memcpy(slice.data, block.data, size);
            std::memset(slice.data + size, 0, kUniformBlockSize - size);
            cached = {block.version, serial, slice.buffer, static_cast<uint32_t>(slice.offset)};
        }
        uniformBuffers[i] = cached.buffer;
        offsets[i] = cached.offset;
    }
    // lavapipe folds uniform values that steer branches into the shaders and
    // compiles them anew at each bind, so binding the same set again is far
    // from free.
    const VkDescriptorSet set = descriptorSet(call, uniformBuffers);
    if (set != boundSet_ || std::memcmp(offsets, boundOffsets_, sizeof offsets) != 0)
    {
        vkCmdBindDescriptorSets(cmd, VK_PIPELINE_BIND_POINT_GRAPHICS, layout_.handle(), 0, 1, &set,
                                kUniformBlocks, offsets);
        boundSet_ = set;
        std::memcpy(boundOffsets_, offsets, sizeof offsets);
    }

    if (state.bindingCount)
        vkCmdBindVertexBuffers(cmd, 0, state.bindingCount, call.vertexBuffers, call.vertexOffsets);
    vkCmdSetViewport(cmd, 0, 1, &call.viewport);
    vkCmdSetScissor(cmd, 0, 1, &call.scissor);
    vkCmdSetStencilReference(cmd, VK_STENCIL_FACE_FRONT_AND_BACK, call.stencilReference);
    vkCmdSetStencilCompareMask(cmd, VK_STENCIL_FACE_FRONT_AND_BACK, call.stencilCompareMask);
    vkCmdSetStencilWriteMask(cmd, VK_STENCIL_FACE_FRONT_AND_BACK, call.stencilWriteMask);
    vkCmdSetBlendConstants(cmd, call.blendConstants);

    if (call.indexBuffer)
    {
        vkCmdBindIndexBuffer(cmd, call.indexBuffer, call.indexOffset, call.indexType);
        vkCmdDrawIndexed(cmd, call.count, 1, call.first, call.vertexOffset, 0);
    }
    else
        vkCmdDraw(cmd, call.count, 1, call.first, 0);
}

VkDescriptorSet Renderer::descriptorSet(const DrawCall& call,
                                        VkBuffer uniformBuffers[kUniformBlocks])
{
    SetContents contents{};
    for (uint32_t i = 0; i < kUniformBlocks; ++i)
        contents.uniform[i] = uniformBuffers[i];
    for (uint32_t i = 0; i < kSamplerSlots; ++i)
    {
        const TextureBinding& t = call.textures[i];
        contents.views[i] = t.image ? t.image->sampledView() : blackImage_->sampledView();
        contents.samplers[i] = samplers_.get(t.sampler);
    }
    if (set_ && std::memcmp(&contents, &setContents_, sizeof contents) == 0)
        return set_;

    VkDescriptorSet set = stream_.descriptors().allocate(layout_.setLayout());
    VkDescriptorBufferInfo buffers[kUniformBlocks];
    VkDescriptorImageInfo images[kSamplerSlots];
    VkWriteDescriptorSet writes[kUniformBlocks + kSamplerSlots]{};
    for (uint32_t i = 0; i < kUniformBlocks; ++i)
    {
        buffers[i] = {contents.uniform[i], 0, kUniformBlockSize};
        writes[i].sType = VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET;
        writes[i].dstSet = set;
        writes[i].dstBinding = i;
        writes[i].descriptorCount = 1;
        writes[i].descriptorType = VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER_DYNAMIC;
        writes[i].pBufferInfo = &buffers[i];
    }
    for (uint32_t i = 0; i < kSamplerSlots; ++i)
    {
        images[i] = {contents.samplers[i], contents.views[i],
                     VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL};
        VkWriteDescriptorSet& w = writes[kUniformBlocks + i];
        w.sType = VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET;
        w.dstSet = set;
        w.dstBinding = kFirstSamplerBinding + i;
        w.descriptorCount = 1;
        w.descriptorType = VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER;
        w.pImageInfo = &images[i];
    }
    vkUpdateDescriptorSets(ctx_->device(), kUniformBlocks + kSamplerSlots, writes, 0, nullptr);
    set_ = set;
    setContents_ = contents;
    return set;
}

} // namespace swk::vk
