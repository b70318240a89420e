#include "swk/vk/Memory.h"
#include "swk/vk/Error.h"

#include <string>

namespace swk::vk
{

Allocation::Allocation(Context& ctx, const VkMemoryRequirements& requirements, MemoryKind kind)
{
    VkMemoryPropertyFlags required = 0;
    VkMemoryPropertyFlags preferred = 0;
    switch (kind)
    {
    case MemoryKind::DeviceLocal:
        preferred = VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT;
        break;
    case MemoryKind::Upload:
        required = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT;
        break;
    case MemoryKind::Readback:
        required = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT;
        preferred = VK_MEMORY_PROPERTY_HOST_CACHED_BIT;
        break;
    }
    // Drivers may crash rather than fail on sizes past their stated limits.
    const uint32_t type = ctx.memoryType(requirements.memoryTypeBits, required, preferred);
    if (requirements.size > ctx.maxAllocationSize() || requirements.size > ctx.heapSize(type))
        throw Error(VK_ERROR_OUT_OF_DEVICE_MEMORY,
                    "allocating " + std::to_string(requirements.size) + " bytes");
    VkMemoryAllocateInfo info{};
    info.sType = VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO;
    info.allocationSize = requirements.size;
    info.memoryTypeIndex = type;
    VkDeviceMemory memory = VK_NULL_HANDLE;
    check(vkAllocateMemory(ctx.device(), &info, nullptr, &memory), "vkAllocateMemory");
    memory_ = UniqueMemory(ctx.device(), memory);
    if (kind != MemoryKind::DeviceLocal)
        check(vkMapMemory(ctx.device(), memory, 0, VK_WHOLE_SIZE, 0, &mapped_), "vkMapMemory");
}

} // namespace swk::vk
