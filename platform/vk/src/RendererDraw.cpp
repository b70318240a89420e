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

bool isStrip(uint32_t topology)
{
    return topology == VK_PRIMITIVE_TOPOLOGY_TRIANGLE_STRIP ||
           topology == VK_PRIMITIVE_TOPOLOGY_LINE_STRIP;
}

bool sameTextures(const DrawCall& a, const DrawCall& b)
{
    for (uint32_t i = 0; i < kSamplerSlots; ++i)
        if (a.textures[i].image != b.textures[i].image ||
            std::memcmp(&a.textures[i].sampler, &b.textures[i].sampler, sizeof(SamplerKey)) != 0)
            return false;
    return true;
}

} // namespace

void Renderer::draw(const DrawCall& call)
{
    if (!call.vertexShader || !call.fragmentShader)
        throw Error(VK_ERROR_INITIALIZATION_FAILED, "drawing without shaders");
    const UniformSlices uniforms = uniformSlices(call);
    if (!strips_.empty() && joinsStrips(call, uniforms))
    {
        strips_.push_back({call.vertexOffsets[0], call.first, call.count});
        return;
    }
    flushStrips();
    if (mergeStrips_ && call.joinStrips && !call.indexBuffer && isStrip(call.state.topology) &&
        call.state.bindingCount && call.state.strides[0])
    {
        stripCall_ = call;
        stripUniforms_ = uniforms;
        strips_.push_back({call.vertexOffsets[0], call.first, call.count});
        return;
    }
    record(call, uniforms);
}

bool Renderer::joinsStrips(const DrawCall& call, const UniformSlices& uniforms) const
{
    const DrawCall& held = stripCall_;
    const VkDeviceSize base = strips_.front().offset;
    const VkDeviceSize offset = call.vertexOffsets[0];
    const uint32_t stride = held.state.strides[0];
    if (!call.joinStrips || call.indexBuffer || offset < base || (offset - base) % stride != 0 ||
        (offset - base) / stride + call.first + uint64_t(call.count) >= UINT32_MAX)
        return false;
    return call.vertexShader == held.vertexShader && call.fragmentShader == held.fragmentShader &&
           std::memcmp(&call.state, &held.state, sizeof(PipelineState)) == 0 &&
           std::memcmp(call.vertexBuffers, held.vertexBuffers, sizeof call.vertexBuffers) == 0 &&
           std::memcmp(call.vertexOffsets + 1, held.vertexOffsets + 1,
                       sizeof call.vertexOffsets - sizeof call.vertexOffsets[0]) == 0 &&
           std::memcmp(&uniforms, &stripUniforms_, sizeof uniforms) == 0 &&
           sameTextures(call, held) &&
           std::memcmp(&call.viewport, &held.viewport, sizeof call.viewport) == 0 &&
           std::memcmp(&call.scissor, &held.scissor, sizeof call.scissor) == 0 &&
           call.stencilReference == held.stencilReference &&
           call.stencilCompareMask == held.stencilCompareMask &&
           call.stencilWriteMask == held.stencilWriteMask &&
           std::memcmp(call.blendConstants, held.blendConstants, sizeof call.blendConstants) == 0;
}

void Renderer::flushStrips()
{
    if (strips_.empty())
        return;
    if (strips_.size() == 1)
    {
        strips_.clear();
        record(stripCall_, stripUniforms_);
        return;
    }
    const VkDeviceSize base = strips_.front().offset;
    const uint32_t stride = stripCall_.state.strides[0];
    size_t total = strips_.size() - 1;
    for (const Strip& strip : strips_)
        total += strip.count;
    Slice slice = stream_.arena().allocate(total * sizeof(uint32_t), sizeof(uint32_t));
    auto* index = reinterpret_cast<uint32_t*>(slice.data);
    for (size_t i = 0; i < strips_.size(); ++i)
    {
        // A restart begins a new strip whose first triangle is even again, as
        // in a draw of its own.
        if (i)
            *index++ = UINT32_MAX;
        const uint32_t first = uint32_t((strips_[i].offset - base) / stride) + strips_[i].first;
        for (uint32_t v = 0; v < strips_[i].count; ++v)
            *index++ = first + v;
    }
    strips_.clear();

    DrawCall merged = stripCall_;
    merged.state.primitiveRestart = 1;
    merged.vertexOffsets[0] = base;
    merged.indexBuffer = slice.buffer;
    merged.indexOffset = slice.offset;
    merged.indexType = VK_INDEX_TYPE_UINT32;
    merged.count = uint32_t(total);
    merged.first = 0;
    merged.vertexOffset = 0;
    record(merged, stripUniforms_);
}

Renderer::UniformSlices Renderer::uniformSlices(const DrawCall& call)
{
    const uint64_t serial = stream_.currentSerial();
    const VkDeviceSize alignment =
        std::max<VkDeviceSize>(16, ctx_->properties().limits.minUniformBufferOffsetAlignment);
    UniformSlices slices;
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
        slices.buffers[i] = cached.buffer;
        slices.offsets[i] = cached.offset;
    }
    return slices;
}

void Renderer::record(const DrawCall& call, const UniformSlices& uniforms)
{
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

    // lavapipe folds uniform values that steer branches into the shaders and
    // compiles them anew at each bind, so binding the same set again is far
    // from free.
    const VkDescriptorSet set = descriptorSet(call, uniforms.buffers);
    if (set != boundSet_ ||
        std::memcmp(uniforms.offsets, boundOffsets_, sizeof uniforms.offsets) != 0)
    {
        vkCmdBindDescriptorSets(cmd, VK_PIPELINE_BIND_POINT_GRAPHICS, layout_.handle(), 0, 1, &set,
                                kUniformBlocks, uniforms.offsets);
        boundSet_ = set;
        std::memcpy(boundOffsets_, uniforms.offsets, sizeof uniforms.offsets);
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
    ++draws_;
}

VkDescriptorSet Renderer::descriptorSet(const DrawCall& call,
                                        const VkBuffer uniformBuffers[kUniformBlocks])
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
