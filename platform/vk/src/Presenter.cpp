#include "swk/vk/Presenter.h"
#include "swk/vk/Barriers.h"
#include "swk/vk/Error.h"

#include <algorithm>
#include <cstring>

namespace swk::vk
{
namespace
{

void swapchainBarrier(VkCommandBuffer cmd, VkImage image, VkImageLayout from, VkImageLayout to,
                      VkAccessFlags srcAccess, VkAccessFlags dstAccess,
                      VkPipelineStageFlags srcStage, VkPipelineStageFlags dstStage)
{
    VkImageMemoryBarrier barrier{};
    barrier.sType = VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER;
    barrier.srcAccessMask = srcAccess;
    barrier.dstAccessMask = dstAccess;
    barrier.oldLayout = from;
    barrier.newLayout = to;
    barrier.srcQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    barrier.image = image;
    barrier.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
    vkCmdPipelineBarrier(cmd, srcStage, dstStage, 0, 0, nullptr, 0, nullptr, 1, &barrier);
}

VkSurfaceFormatKHR chooseFormat(VkPhysicalDevice physical, VkSurfaceKHR surface)
{
    uint32_t count = 0;
    check(vkGetPhysicalDeviceSurfaceFormatsKHR(physical, surface, &count, nullptr),
          "vkGetPhysicalDeviceSurfaceFormatsKHR");
    std::vector<VkSurfaceFormatKHR> formats(count);
    check(vkGetPhysicalDeviceSurfaceFormatsKHR(physical, surface, &count, formats.data()),
          "vkGetPhysicalDeviceSurfaceFormatsKHR");
    if (formats.empty())
        throw Error(VK_ERROR_FORMAT_NOT_SUPPORTED, "the surface offers no format");
    // Direct3D 9 back buffers hold display values as they are: no sRGB encoding.
    for (VkFormat wanted : {VK_FORMAT_B8G8R8A8_UNORM, VK_FORMAT_R8G8B8A8_UNORM})
        for (const VkSurfaceFormatKHR& f : formats)
            if (f.format == wanted)
                return f;
    return formats.front();
}

VkPresentModeKHR chooseMode(VkPhysicalDevice physical, VkSurfaceKHR surface, bool immediate)
{
    if (!immediate)
        return VK_PRESENT_MODE_FIFO_KHR; // the one mode every surface has
    uint32_t count = 0;
    vkGetPhysicalDeviceSurfacePresentModesKHR(physical, surface, &count, nullptr);
    std::vector<VkPresentModeKHR> modes(count);
    vkGetPhysicalDeviceSurfacePresentModesKHR(physical, surface, &count, modes.data());
    for (VkPresentModeKHR wanted : {VK_PRESENT_MODE_IMMEDIATE_KHR, VK_PRESENT_MODE_MAILBOX_KHR})
        if (std::find(modes.begin(), modes.end(), wanted) != modes.end())
            return wanted;
    return VK_PRESENT_MODE_FIFO_KHR;
}

} // namespace

Surface::~Surface()
{
    vkDestroySurfaceKHR(ctx_->instance(), surface_, nullptr);
}

Presenter::Presenter(std::shared_ptr<Context> ctx, std::unique_ptr<Surface> surface, bool immediate)
    : ctx_(std::move(ctx)), surface_(std::move(surface))
{
    if (!ctx_->presentable())
        throw Error(VK_ERROR_EXTENSION_NOT_PRESENT, "the Vulkan device cannot present");
    VkBool32 supported = VK_FALSE;
    check(vkGetPhysicalDeviceSurfaceSupportKHR(ctx_->physicalDevice(), ctx_->queueFamily(),
                                               surface_->handle(), &supported),
          "vkGetPhysicalDeviceSurfaceSupportKHR");
    if (!supported)
        throw Error(VK_ERROR_INCOMPATIBLE_DISPLAY_KHR, "the queue cannot present to the window");
    const VkSurfaceFormatKHR format = chooseFormat(ctx_->physicalDevice(), surface_->handle());
    format_ = format.format;
    frontBgra_ = format_ == VK_FORMAT_B8G8R8A8_UNORM || format_ == VK_FORMAT_B8G8R8A8_SRGB;
    mode_ = chooseMode(ctx_->physicalDevice(), surface_->handle(), immediate);
    VkFenceCreateInfo fenceInfo{};
    fenceInfo.sType = VK_STRUCTURE_TYPE_FENCE_CREATE_INFO;
    VkFence fence = VK_NULL_HANDLE;
    check(vkCreateFence(ctx_->device(), &fenceInfo, nullptr, &fence), "vkCreateFence");
    acquired_ = UniqueFence(ctx_->device(), fence);
}

Presenter::~Presenter()
{
    // The presentation engine may still read the images and wait on the semaphores.
    ctx_->waitIdle();
}

bool Presenter::capabilities(VkSurfaceCapabilitiesKHR* caps)
{
    const VkResult queried =
        vkGetPhysicalDeviceSurfaceCapabilitiesKHR(ctx_->physicalDevice(), surface_->handle(), caps);
    if (queried == VK_ERROR_SURFACE_LOST_KHR)
        return false;
    check(queried, "vkGetPhysicalDeviceSurfaceCapabilitiesKHR");
    return true;
}

bool Presenter::rebuild(CommandStream& stream, const VkSurfaceCapabilitiesKHR& caps)
{
    VkExtent2D extent = caps.currentExtent;
    if (extent.width == 0xFFFFFFFFu)
        extent = extent_.width ? extent_ : caps.minImageExtent;
    if (extent.width == 0 || extent.height == 0)
    {
        stale_ = true;
        return false;
    }

    stream.finish();
    ctx_->waitIdle();
    uint32_t images = std::max(caps.minImageCount, 2u);
    if (caps.maxImageCount)
        images = std::min(images, caps.maxImageCount);
    VkSwapchainCreateInfoKHR info{};
    info.sType = VK_STRUCTURE_TYPE_SWAPCHAIN_CREATE_INFO_KHR;
    info.surface = surface_->handle();
    info.minImageCount = images;
    info.imageFormat = format_;
    info.imageColorSpace = VK_COLOR_SPACE_SRGB_NONLINEAR_KHR;
    info.imageExtent = extent;
    info.imageArrayLayers = 1;
    info.imageUsage = VK_IMAGE_USAGE_TRANSFER_DST_BIT |
                      (caps.supportedUsageFlags & VK_IMAGE_USAGE_TRANSFER_SRC_BIT);
    info.imageSharingMode = VK_SHARING_MODE_EXCLUSIVE;
    info.preTransform = caps.currentTransform;
    info.compositeAlpha = VK_COMPOSITE_ALPHA_OPAQUE_BIT_KHR;
    if (!(caps.supportedCompositeAlpha & info.compositeAlpha))
        info.compositeAlpha = static_cast<VkCompositeAlphaFlagBitsKHR>(
            caps.supportedCompositeAlpha & -caps.supportedCompositeAlpha);
    info.presentMode = mode_;
    info.clipped = VK_TRUE;
    info.oldSwapchain = swapchain_.get();
    VkSwapchainKHR swapchain = VK_NULL_HANDLE;
    check(vkCreateSwapchainKHR(ctx_->device(), &info, nullptr, &swapchain), "vkCreateSwapchainKHR");
    swapchain_ = UniqueSwapchain(ctx_->device(), swapchain);
    extent_ = extent;

    uint32_t count = 0;
    check(vkGetSwapchainImagesKHR(ctx_->device(), swapchain, &count, nullptr),
          "vkGetSwapchainImagesKHR");
    images_.resize(count);
    check(vkGetSwapchainImagesKHR(ctx_->device(), swapchain, &count, images_.data()),
          "vkGetSwapchainImagesKHR");
    rendered_.clear();
    for (uint32_t i = 0; i < count; ++i)
    {
        VkSemaphoreCreateInfo semaphoreInfo{};
        semaphoreInfo.sType = VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO;
        VkSemaphore semaphore = VK_NULL_HANDLE;
        check(vkCreateSemaphore(ctx_->device(), &semaphoreInfo, nullptr, &semaphore),
              "vkCreateSemaphore");
        rendered_.emplace_back(ctx_->device(), semaphore);
    }
    if (info.imageUsage & VK_IMAGE_USAGE_TRANSFER_SRC_BIT)
    {
        const VkDeviceSize bytes = VkDeviceSize(extent.width) * extent.height * 4;
        if (!front_ || front_->size() < bytes)
        {
            front_ = std::make_unique<Buffer>(*ctx_, bytes, VK_BUFFER_USAGE_TRANSFER_DST_BIT,
                                              MemoryKind::Readback, "front buffer copy");
            frontSerial_ = 0;
        }
    }
    else
        front_.reset();
    stale_ = false;
    return true;
}

PresentResult Presenter::present(CommandStream& stream, Image& source)
{
    VkDevice device = ctx_->device();
    uint32_t index = 0;
    for (int attempt = 0;; ++attempt)
    {
        // Not every window system reports a resized window through the swapchain.
        VkSurfaceCapabilitiesKHR caps{};
        if (!capabilities(&caps))
        {
            stream.submit();
            return PresentResult::Lost;
        }
        if (caps.currentExtent.width != 0xFFFFFFFFu &&
            (caps.currentExtent.width != extent_.width ||
             caps.currentExtent.height != extent_.height))
            stale_ = true;
        if ((!swapchain_ || stale_) && !rebuild(stream, caps))
        {
            stream.submit();
            return PresentResult::NoArea;
        }
        const VkResult acquired = vkAcquireNextImageKHR(device, swapchain_.get(), UINT64_MAX,
                                                        VK_NULL_HANDLE, acquired_.get(), &index);
        if (acquired == VK_ERROR_SURFACE_LOST_KHR)
        {
            stream.submit();
            return PresentResult::Lost;
        }
        if (acquired == VK_ERROR_OUT_OF_DATE_KHR && attempt == 0)
        {
            stale_ = true;
            continue;
        }
        if (acquired == VK_SUBOPTIMAL_KHR)
            stale_ = true;
        else
            check(acquired, "vkAcquireNextImageKHR");
        VkFence fence = acquired_.get();
        check(vkWaitForFences(device, 1, &fence, VK_TRUE, UINT64_MAX), "vkWaitForFences");
        check(vkResetFences(device, 1, &fence), "vkResetFences");
        break;
    }

    VkCommandBuffer cmd = stream.cmd();
    VkImage target = images_[index];
    transition(cmd, source, 0, 1, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL);
    swapchainBarrier(cmd, target, VK_IMAGE_LAYOUT_UNDEFINED, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL,
                     0, VK_ACCESS_TRANSFER_WRITE_BIT, VK_PIPELINE_STAGE_TOP_OF_PIPE_BIT,
                     VK_PIPELINE_STAGE_TRANSFER_BIT);
    // A back buffer of another size is stretched over the window, as on Windows.
    VkImageBlit blit{};
    blit.srcSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
    blit.srcOffsets[1] = {int32_t(source.width()), int32_t(source.height()), 1};
    blit.dstSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
    blit.dstOffsets[1] = {int32_t(extent_.width), int32_t(extent_.height), 1};
    const bool sameSize = source.width() == extent_.width && source.height() == extent_.height;
    vkCmdBlitImage(cmd, source.handle(), VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, target,
                   VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1, &blit,
                   sameSize ? VK_FILTER_NEAREST : VK_FILTER_LINEAR);
    VkImageLayout layout = VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL;
    VkAccessFlags access = VK_ACCESS_TRANSFER_WRITE_BIT;
    if (front_)
    {
        swapchainBarrier(cmd, target, layout, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, access,
                         VK_ACCESS_TRANSFER_READ_BIT, VK_PIPELINE_STAGE_TRANSFER_BIT,
                         VK_PIPELINE_STAGE_TRANSFER_BIT);
        layout = VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL;
        access = VK_ACCESS_TRANSFER_READ_BIT;
        VkBufferImageCopy region{};
        region.imageSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
        region.imageExtent = {extent_.width, extent_.height, 1};
        vkCmdCopyImageToBuffer(cmd, target, layout, front_->handle(), 1, &region);
        transferToHostBarrier(cmd, front_->handle(), VK_WHOLE_SIZE);
        frontExtent_ = extent_;
        frontSerial_ = stream.currentSerial();
    }
    swapchainBarrier(cmd, target, layout, VK_IMAGE_LAYOUT_PRESENT_SRC_KHR, access, 0,
                     VK_PIPELINE_STAGE_TRANSFER_BIT, VK_PIPELINE_STAGE_BOTTOM_OF_PIPE_BIT);
    VkSemaphore rendered = rendered_[index].get();
    stream.submit(rendered);

    VkSwapchainKHR swapchain = swapchain_.get();
    VkPresentInfoKHR info{};
    info.sType = VK_STRUCTURE_TYPE_PRESENT_INFO_KHR;
    info.waitSemaphoreCount = 1;
    info.pWaitSemaphores = &rendered;
    info.swapchainCount = 1;
    info.pSwapchains = &swapchain;
    info.pImageIndices = &index;
    const VkResult shown = ctx_->present(info);
    if (shown == VK_ERROR_SURFACE_LOST_KHR)
        return PresentResult::Lost;
    // The window changed size: the next frame gets a swapchain that fits it.
    if (shown == VK_ERROR_OUT_OF_DATE_KHR || shown == VK_SUBOPTIMAL_KHR)
    {
        stale_ = true;
        return PresentResult::Shown;
    }
    check(shown, "vkQueuePresentKHR");
    return PresentResult::Shown;
}

bool Presenter::readFront(CommandStream& stream, std::vector<uint8_t>* bgra, uint32_t* width,
                          uint32_t* height)
{
    if (!front_ || frontSerial_ == 0)
        return false;
    stream.wait(frontSerial_);
    *width = frontExtent_.width;
    *height = frontExtent_.height;
    const size_t bytes = size_t(frontExtent_.width) * frontExtent_.height * 4;
    const uint8_t* src = front_->mapped();
    bgra->assign(src, src + bytes);
    if (!frontBgra_)
        for (size_t i = 0; i < bytes; i += 4)
            std::swap((*bgra)[i], (*bgra)[i + 2]);
    return true;
}

} // namespace swk::vk
