// The Vulkan instance, the chosen physical device, the logical device and its
// graphics queue. Shared by every renderer created in the process on it.
#pragma once

#include "Debug.h"

#include <vulkan/vulkan.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace swk::vk
{

struct ContextOptions
{
    // See chooseDevice(); SWK_VK_DEVICE is read when this is empty.
    std::string deviceSelector;
    // Enables VK_LAYER_KHRONOS_validation when installed (also SWK_VK_VALIDATION=1).
    bool validation = false;
    // Instance extensions the window system needs to make surfaces (besides
    // VK_KHR_surface); empty for off-screen use, which then needs none.
    std::vector<std::string> surfaceExtensions;
};

class Context
{
public:
    // Throws vk::Error when no usable device exists.
    static std::shared_ptr<Context> create(const ContextOptions& options);
    ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    VkInstance instance() const { return instance_; }
    VkPhysicalDevice physicalDevice() const { return physical_; }
    VkDevice device() const { return device_; }
    uint32_t queueFamily() const { return queueFamily_; }
    const VkPhysicalDeviceProperties& properties() const { return properties_; }
    const VkPhysicalDeviceFeatures& features() const { return features_; }
    // The largest single allocation the device accepts.
    VkDeviceSize maxAllocationSize() const { return maxAllocation_; }
    const DebugNames& names() const { return names_; }
    // True when created with surface extensions and the device can make swapchains.
    bool presentable() const { return presentable_; }

    VkFormatFeatureFlags optimalFeatures(VkFormat format) const;
    // Index of a memory type in typeBits with all of required; preferred
    // flags win among those. Throws when none fits.
    uint32_t memoryType(uint32_t typeBits, VkMemoryPropertyFlags required,
                        VkMemoryPropertyFlags preferred = 0) const;

    VkDeviceSize heapSize(uint32_t memoryType) const
    {
        return memory_.memoryHeaps[memory_.memoryTypes[memoryType].heapIndex].size;
    }

    // Queue submission is externally synchronised; renderers share the queue.
    VkResult submit(const VkSubmitInfo& info, VkFence fence);
    VkResult present(const VkPresentInfoKHR& info);
    // Waits until the queue, presentation included, has nothing left to do.
    void waitIdle();

private:
    Context() = default;

    VkInstance instance_ = VK_NULL_HANDLE;
    VkDebugUtilsMessengerEXT messenger_ = VK_NULL_HANDLE;
    VkPhysicalDevice physical_ = VK_NULL_HANDLE;
    VkDevice device_ = VK_NULL_HANDLE;
    VkQueue queue_ = VK_NULL_HANDLE;
    uint32_t queueFamily_ = 0;
    bool presentable_ = false;
    VkPhysicalDeviceProperties properties_{};
    VkPhysicalDeviceFeatures features_{};
    VkPhysicalDeviceMemoryProperties memory_{};
    VkDeviceSize maxAllocation_ = 0;
    DebugNames names_;
    std::mutex queueMutex_;
};

} // namespace swk::vk
