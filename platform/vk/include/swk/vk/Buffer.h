// A VkBuffer with its own memory; host-visible kinds stay mapped.
#pragma once

#include "Memory.h"

#include <cstdint>

namespace swk::vk
{

class Buffer
{
public:
    Buffer(Context& ctx, VkDeviceSize size, VkBufferUsageFlags usage, MemoryKind kind,
           const char* name);

    VkBuffer handle() const { return buffer_.get(); }
    VkDeviceSize size() const { return size_; }
    uint8_t* mapped() const { return static_cast<uint8_t*>(memory_.mapped()); }

private:
    UniqueBuffer buffer_;
    Allocation memory_;
    VkDeviceSize size_;
};

} // namespace swk::vk
