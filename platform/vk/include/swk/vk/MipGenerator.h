// Fills levels 1.. of an image from level 0 by a chain of halving blits.
#pragma once

#include "Image.h"

namespace swk::vk
{

// Leaves every level in TRANSFER_SRC or TRANSFER_DST layout (tracked).
void generateMips(VkCommandBuffer cmd, Image& image, VkFilter filter);

} // namespace swk::vk
