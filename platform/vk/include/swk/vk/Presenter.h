// Presentation of a rendered image to a window surface: the surface, its
// swapchain and the copy of every shown image that the front buffer read-back
// returns. The window system that made the surface is the caller's business.
#pragma once

#include "Buffer.h"
#include "CommandStream.h"
#include "Context.h"
#include "Handle.h"
#include "Image.h"

#include <memory>
#include <vector>

namespace swk::vk
{

// Owns a VkSurfaceKHR; surfaces are destroyed through their instance.
class Surface
{
public:
    Surface(std::shared_ptr<Context> ctx, VkSurfaceKHR surface)
        : ctx_(std::move(ctx)), surface_(surface)
    {
    }
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    VkSurfaceKHR handle() const { return surface_; }

private:
    std::shared_ptr<Context> ctx_;
    VkSurfaceKHR surface_;
};

enum class PresentResult
{
    Shown,
    // The surface has no area (a minimised window): nothing can be shown.
    NoArea,
    // The surface went away with its window.
    Lost,
};

class Presenter
{
public:
    // immediate: tear rather than wait for the display when the surface can.
    // Throws vk::Error when the queue cannot present to the surface.
    Presenter(std::shared_ptr<Context> ctx, std::unique_ptr<Surface> surface, bool immediate);
    ~Presenter();
    Presenter(const Presenter&) = delete;
    Presenter& operator=(const Presenter&) = delete;

    // Scales level 0 of source onto the next swapchain image and queues it for
    // display; submits what stream has recorded. source must be a colour image
    // with transfer-source usage.
    PresentResult present(CommandStream& stream, Image& source);

    // The last image shown as 8-bit BGRA rows (width * 4 bytes apart); waits
    // for it. False before the first one.
    bool readFront(CommandStream& stream, std::vector<uint8_t>* bgra, uint32_t* width,
                   uint32_t* height);

private:
    // False when the surface is gone.
    bool capabilities(VkSurfaceCapabilitiesKHR* caps);
    // False when the surface currently has no area.
    bool rebuild(CommandStream& stream, const VkSurfaceCapabilitiesKHR& caps);

    std::shared_ptr<Context> ctx_;
    std::unique_ptr<Surface> surface_;
    VkPresentModeKHR mode_ = VK_PRESENT_MODE_FIFO_KHR;
    VkFormat format_ = VK_FORMAT_UNDEFINED;
    VkExtent2D extent_{};
    UniqueSwapchain swapchain_;
    std::vector<VkImage> images_;
    std::vector<UniqueSemaphore> rendered_;
    UniqueFence acquired_;
    std::unique_ptr<Buffer> front_;
    VkExtent2D frontExtent_{};
    uint64_t frontSerial_ = 0;
    bool frontBgra_ = true;
    bool stale_ = false;
};

} // namespace swk::vk
