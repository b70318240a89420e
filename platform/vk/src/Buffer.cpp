#include "swk/vk/Buffer.h"
#include "swk/vk/Error.h"

namespace swk::vk
{

Buffer::Buffer(Context& ctx, VkDeviceSize size, VkBufferUsageFlags usage, MemoryKind kind,
               const char* name)
    : size_(size)
{
    VkBufferCreateInfo info{};
    info.sType = VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO;
    info.size = size;
    info.usage = usage;
    info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
    VkBuffer buffer = VK_NULL_HANDLE;
    check(vkCreateBuffer(ctx.device(), &info, nullptr, &buffer), "vkCreateBuffer");
    buffer_ = UniqueBuffer(ctx.device(), buffer);
    VkMemoryRequirements req;
    vkGetBufferMemoryRequirements(ctx.device(), buffer, &req);
    memory_ = Allocation(ctx, req, kind);
    check(vkBindBufferMemory(ctx.device(), buffer, memory_.handle(), 0), "vkBindBufferMemory");
    ctx.names().name(VK_OBJECT_TYPE_BUFFER, buffer, name);
}

} // namespace swk::vk
