// Image layout transitions derived from the tracked layout of each level.
#pragma once

#include "Image.h"

namespace swk::vk
{

// Moves levels [baseLevel, baseLevel + count) of image into layout. Levels
// already there get no barrier unless the layout is a transfer destination,
// where back-to-back writes still have to be ordered.
void transition(VkCommandBuffer cmd, Image& image, uint32_t baseLevel, uint32_t count,
                VkImageLayout layout);

// Makes a transfer's writes into buffer (its first size bytes) visible to host reads.
void transferToHostBarrier(VkCommandBuffer cmd, VkBuffer buffer, VkDeviceSize size);

} // namespace swk::vk
