#include "swk/vk/Renderer.h"
#include "swk/vk/Barriers.h"
#include "swk/vk/Error.h"
#include "swk/vk/MipGenerator.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace swk::vk
{

Renderer::Renderer(std::shared_ptr<Context> ctx)
    : ctx_(std::move(ctx)), stream_(ctx_), layout_(*ctx_), samplers_(*ctx_), passes_(*ctx_),
      framebuffers_(*ctx_), pipelines_(*ctx_, layout_.handle()), readback_(*ctx_)
{
    const char* merge = std::getenv("SWK_VK_MERGE_STRIPS");
    mergeStrips_ = !(merge && std::strcmp(merge, "0") == 0);
    initDefaults();
}

Renderer::~Renderer()
{
    try
    {
        finish();
    }
    catch (const Error&)
    {
    }
}

void Renderer::initDefaults()
{
    ImageDesc desc;
    desc.format = VK_FORMAT_R8G8B8A8_UNORM;
    desc.usage = VK_IMAGE_USAGE_SAMPLED_BIT | VK_IMAGE_USAGE_TRANSFER_DST_BIT;
    desc.name = "unbound texture";
    blackImage_ = createImage(desc);
    VkCommandBuffer cmd = stream_.cmd();
    transition(cmd, *blackImage_, 0, 1, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL);
    const VkClearColorValue black{{0.0f, 0.0f, 0.0f, 1.0f}};
    const VkImageSubresourceRange range{VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
    vkCmdClearColorImage(cmd, blackImage_->handle(), VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, &black,
                         1, &range);
    transition(cmd, *blackImage_, 0, 1, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL);

    defaultVertex_ =
        createBuffer(16, VK_BUFFER_USAGE_VERTEX_BUFFER_BIT, MemoryKind::Upload, "default vertex");
    const float vertex[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    std::memcpy(defaultVertex_->mapped(), vertex, sizeof vertex);
}

std::shared_ptr<Image> Renderer::createImage(const ImageDesc& desc)
{
    return std::make_shared<Image>(*ctx_, desc);
}

std::shared_ptr<Buffer> Renderer::createBuffer(VkDeviceSize size, VkBufferUsageFlags usage,
                                               MemoryKind kind, const char* name)
{
    return std::make_shared<Buffer>(*ctx_, size, usage, kind, name);
}

std::shared_ptr<ShaderModule> Renderer::createShader(const uint32_t* words, size_t count,
                                                     const char* name)
{
    return std::make_shared<ShaderModule>(*ctx_, words, count, name);
}

void Renderer::release(std::shared_ptr<Image> image)
{
    if (!image)
        return;
    flushStrips();
    if (image.get() == color_ || image.get() == depth_)
    {
        endPass();
        if (image.get() == color_)
            color_ = nullptr;
        if (image.get() == depth_)
            depth_ = nullptr;
    }
    for (auto& fb : framebuffers_.forget(image->id()))
        stream_.retire(std::make_shared<UniqueFramebuffer>(std::move(fb)));
    stream_.retire(std::move(image));
}

void Renderer::release(std::shared_ptr<Buffer> buffer)
{
    flushStrips();
    stream_.retire(std::move(buffer));
}

void Renderer::release(std::shared_ptr<ShaderModule> shader)
{
    if (!shader)
        return;
    flushStrips();
    for (auto& pipeline : pipelines_.forget(shader->id()))
        stream_.retire(std::make_shared<UniquePipeline>(std::move(pipeline)));
    boundPipeline_ = VK_NULL_HANDLE;
    stream_.retire(std::move(shader));
}

void Renderer::setTargets(Image* color, uint32_t level, Image* depth)
{
    if (color == color_ && level == colorLevel_ && depth == depth_)
        return;
    endPass();
    color_ = color;
    colorLevel_ = level;
    depth_ = depth;
}

void Renderer::endPass()
{
    flushStrips();
    if (!inPass_)
        return;
    vkCmdEndRenderPass(stream_.cmd());
    inPass_ = false;
}

void Renderer::beginPass()
{
    if (inPass_)
        return;
    if (!color_)
        throw Error(VK_ERROR_INITIALIZATION_FAILED, "drawing without a render target");
    VkCommandBuffer cmd = stream_.cmd();
    transition(cmd, *color_, colorLevel_, 1, VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL);
    if (depth_)
        transition(cmd, *depth_, 0, 1, VK_IMAGE_LAYOUT_DEPTH_STENCIL_ATTACHMENT_OPTIMAL);
    pass_ = passes_.get(color_->format(), depth_ ? depth_->format() : VK_FORMAT_UNDEFINED);
    VkRenderPassBeginInfo info{};
    info.sType = VK_STRUCTURE_TYPE_RENDER_PASS_BEGIN_INFO;
    info.renderPass = pass_;
    info.framebuffer = framebuffers_.get(pass_, *color_, colorLevel_, depth_);
    info.renderArea.extent = {color_->width(colorLevel_), color_->height(colorLevel_)};
    vkCmdBeginRenderPass(cmd, &info, VK_SUBPASS_CONTENTS_INLINE);
    inPass_ = true;
    // A new pass may use another render pass object; pipelines are bound anew.
    boundPipeline_ = VK_NULL_HANDLE;
}

void Renderer::clear(const VkRect2D* rects, uint32_t count, const ClearValues& values)
{
    if (count == 0)
        return;
    flushStrips();
    beginPass();
    VkClearAttachment attachments[2]{};
    uint32_t used = 0;
    if (values.color)
    {
        attachments[used].aspectMask = VK_IMAGE_ASPECT_COLOR_BIT;
        attachments[used].colorAttachment = 0;
        attachments[used].clearValue.color = values.colorValue;
        ++used;
    }
    if (depth_ && (values.depth || values.stencil))
    {
        VkImageAspectFlags aspect = 0;
        if (values.depth)
            aspect |= VK_IMAGE_ASPECT_DEPTH_BIT;
        if (values.stencil && (depth_->aspect() & VK_IMAGE_ASPECT_STENCIL_BIT))
            aspect |= VK_IMAGE_ASPECT_STENCIL_BIT;
        attachments[used].aspectMask = aspect;
        attachments[used].clearValue.depthStencil = {values.depthValue, values.stencilValue};
        if (aspect)
            ++used;
    }
    if (used == 0)
        return;
    std::vector<VkClearRect> clearRects(count);
    for (uint32_t i = 0; i < count; ++i)
        clearRects[i] = {rects[i], 0, 1};
    vkCmdClearAttachments(stream_.cmd(), used, attachments, count, clearRects.data());
}

void Renderer::upload(Image& image, uint32_t level, VkOffset2D offset, VkExtent2D extent,
                      uint32_t bytesPerTexel, const void* data, size_t pitch)
{
    if (extent.width == 0 || extent.height == 0)
        return;
    endPass();
    const size_t rowBytes = size_t(extent.width) * bytesPerTexel;
    Slice slice = stream_.arena().allocate(rowBytes * extent.height, 16);
    const auto* src = static_cast<const uint8_t*>(data);
    for (uint32_t y = 0; y < extent.height; ++y)
        std::memcpy(slice.data + y * rowBytes, src + y * pitch, rowBytes);

    VkCommandBuffer cmd = stream_.cmd();
    transition(cmd, image, level, 1, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL);
    VkBufferImageCopy region{};
    region.bufferOffset = slice.offset;
    region.imageSubresource = {image.aspect(), level, 0, 1};
    region.imageOffset = {offset.x, offset.y, 0};
    region.imageExtent = {extent.width, extent.height, 1};
    vkCmdCopyBufferToImage(cmd, slice.buffer, image.handle(), VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL,
                           1, &region);
}

void Renderer::generateMips(Image& image, VkFilter filter)
{
    if (image.levels() < 2)
        return;
    endPass();
    vk::generateMips(stream_.cmd(), image, filter);
}

void Renderer::read(Image& image, uint32_t level, uint32_t bytesPerTexel, void* dst, size_t pitch)
{
    endPass();
    readback_.read(stream_, image, level, bytesPerTexel, dst, pitch);
}

PresentResult Renderer::present(Presenter& presenter, Image& image)
{
    endPass();
    return presenter.present(stream_, image);
}

void Renderer::flush()
{
    endPass();
    stream_.submit();
}

void Renderer::finish()
{
    endPass();
    stream_.finish();
}

void Renderer::waitFor(uint64_t serial)
{
    flushStrips();
    if (serial >= stream_.currentSerial() && stream_.recording())
        endPass();
    stream_.wait(serial);
}

Renderer::Counters Renderer::counters() const
{
    return {pipelines_.size(), samplers_.size(), framebuffers_.size(), draws_};
}

} // namespace swk::vk
