// Device memory for one buffer or image, mapped for its lifetime when host visible.
#pragma once

#include "Context.h"
#include "Handle.h"

namespace swk::vk
{

enum class MemoryKind
{
    DeviceLocal, // read and written by the GPU only
    Upload,      // written by the CPU, read by the GPU
    Readback,    // written by the GPU, read by the CPU
};

class Allocation
{
public:
    Allocation() = default;
    Allocation(Context& ctx, const VkMemoryRequirements& requirements, MemoryKind kind);

    VkDeviceMemory handle() const { return memory_.get(); }
    void* mapped() const { return mapped_; }

private:
    UniqueMemory memory_;
    void* mapped_ = nullptr;
};

} // namespace swk::vk
