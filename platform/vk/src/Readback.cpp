#include "swk/vk/Readback.h"
#include "swk/vk/Barriers.h"

#include <cstring>

namespace swk::vk
{

void Readback::read(CommandStream& stream, Image& image, uint32_t level, uint32_t bytesPerTexel,
                    void* dst, size_t dstPitch)
{
    const uint32_t width = image.width(level);
    const uint32_t height = image.height(level);
    const VkDeviceSize rowBytes = VkDeviceSize(width) * bytesPerTexel;
    const VkDeviceSize bytes = rowBytes * height;
    if (!staging_ || staging_->size() < bytes)
    {
        if (staging_)
        {
            stream.retire(std::shared_ptr<Buffer>(std::move(staging_)));
        }
        staging_ = std::make_unique<Buffer>(ctx_, bytes, VK_BUFFER_USAGE_TRANSFER_DST_BIT,
                                            MemoryKind::Readback, "readback staging");
    }

    VkCommandBuffer cmd = stream.cmd();
    transition(cmd, image, level, 1, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL);
    VkBufferImageCopy region{};
    region.imageSubresource = {image.aspect(), level, 0, 1};
    region.imageExtent = {width, height, 1};
    vkCmdCopyImageToBuffer(cmd, image.handle(), VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL,
                           staging_->handle(), 1, &region);
    transferToHostBarrier(cmd, staging_->handle(), bytes);
    stream.finish();

    const uint8_t* src = staging_->mapped();
    auto* out = static_cast<uint8_t*>(dst);
    for (uint32_t y = 0; y < height; ++y)
        std::memcpy(out + y * dstPitch, src + y * rowBytes, rowBytes);
}

} // namespace swk::vk
