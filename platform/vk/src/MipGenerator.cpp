#include "swk/vk/MipGenerator.h"
#include "swk/vk/Barriers.h"

namespace swk::vk
{

void generateMips(VkCommandBuffer cmd, Image& image, VkFilter filter)
{
    for (uint32_t level = 1; level < image.levels(); ++level)
    {
        transition(cmd, image, level - 1, 1, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL);
        transition(cmd, image, level, 1, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL);
        VkImageBlit blit{};
        blit.srcSubresource = {image.aspect(), level - 1, 0, 1};
        blit.srcOffsets[1] = {static_cast<int32_t>(image.width(level - 1)),
                              static_cast<int32_t>(image.height(level - 1)), 1};
        blit.dstSubresource = {image.aspect(), level, 0, 1};
        blit.dstOffsets[1] = {static_cast<int32_t>(image.width(level)),
                              static_cast<int32_t>(image.height(level)), 1};
        vkCmdBlitImage(cmd, image.handle(), VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, image.handle(),
                       VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1, &blit, filter);
    }
}

} // namespace swk::vk
