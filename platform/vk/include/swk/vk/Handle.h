// Owning wrappers for Vulkan handles that are destroyed through their VkDevice.
#pragma once

#include <vulkan/vulkan.h>

#include <utility>

namespace swk::vk
{

// Handles of every kind below that are alive now, for the soak's and a host's
// leak checks.
long liveHandles();

namespace detail
{
void countHandles(long delta);
} // namespace detail

template <typename T, void (*Destroy)(VkDevice, T, const VkAllocationCallbacks*)> class Unique
{
public:
    Unique() = default;
    Unique(VkDevice device, T handle) : device_(device), handle_(handle)
    {
        if (handle_ != T(VK_NULL_HANDLE))
            detail::countHandles(1);
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    Unique(Unique&& other) noexcept
        : device_(other.device_), handle_(std::exchange(other.handle_, T(VK_NULL_HANDLE)))
    {
    }
    Unique& operator=(Unique&& other) noexcept
    {
        if (this != &other)
        {
            reset();
            device_ = other.device_;
            handle_ = std::exchange(other.handle_, T(VK_NULL_HANDLE));
        }
        return *this;
    }
    ~Unique() { reset(); }

    void reset()
    {
        if (handle_ != T(VK_NULL_HANDLE))
        {
            Destroy(device_, handle_, nullptr);
            detail::countHandles(-1);
        }
        handle_ = T(VK_NULL_HANDLE);
    }

    T get() const { return handle_; }
    explicit operator bool() const { return handle_ != T(VK_NULL_HANDLE); }

private:
    VkDevice device_ = VK_NULL_HANDLE;
    T handle_ = T(VK_NULL_HANDLE);
};

using UniqueBuffer = Unique<VkBuffer, vkDestroyBuffer>;
using UniqueImage = Unique<VkImage, vkDestroyImage>;
using UniqueImageView = Unique<VkImageView, vkDestroyImageView>;
using UniqueMemory = Unique<VkDeviceMemory, vkFreeMemory>;
using UniqueSampler = Unique<VkSampler, vkDestroySampler>;
using UniqueRenderPass = Unique<VkRenderPass, vkDestroyRenderPass>;
using UniqueFramebuffer = Unique<VkFramebuffer, vkDestroyFramebuffer>;
using UniquePipeline = Unique<VkPipeline, vkDestroyPipeline>;
using UniquePipelineLayout = Unique<VkPipelineLayout, vkDestroyPipelineLayout>;
using UniquePipelineCache = Unique<VkPipelineCache, vkDestroyPipelineCache>;
using UniqueDescriptorSetLayout = Unique<VkDescriptorSetLayout, vkDestroyDescriptorSetLayout>;
using UniqueDescriptorPool = Unique<VkDescriptorPool, vkDestroyDescriptorPool>;
using UniqueShaderModule = Unique<VkShaderModule, vkDestroyShaderModule>;
using UniqueCommandPool = Unique<VkCommandPool, vkDestroyCommandPool>;
using UniqueFence = Unique<VkFence, vkDestroyFence>;
using UniqueSemaphore = Unique<VkSemaphore, vkDestroySemaphore>;
using UniqueSwapchain = Unique<VkSwapchainKHR, vkDestroySwapchainKHR>;

} // namespace swk::vk
