#include "Window.h"

#include "swk/vk/Error.h"

#include <SDL.h>
#include <SDL_vulkan.h>

namespace swk::d3d9
{
namespace
{

SDL_Window* sdlWindow(HWND handle)
{
    return reinterpret_cast<SDL_Window*>(handle);
}

} // namespace

Window::Window(HWND handle) : handle_(handle), id_(SDL_GetWindowID(sdlWindow(handle)))
{
    if (id_ == 0)
        throw vk::Error(VK_ERROR_INITIALIZATION_FAILED,
                        std::string("not an SDL window: ") + SDL_GetError());
}

bool Window::exists() const
{
    // Looked up by id: the handle itself may point at freed memory by now.
    return SDL_GetWindowFromID(id_) == sdlWindow(handle_);
}

bool Window::hasArea() const
{
    if (!exists() || (SDL_GetWindowFlags(sdlWindow(handle_)) & SDL_WINDOW_MINIMIZED))
        return false;
    int width = 0, height = 0;
    SDL_Vulkan_GetDrawableSize(sdlWindow(handle_), &width, &height);
    return width > 0 && height > 0;
}

std::vector<std::string> Window::instanceExtensions() const
{
    unsigned count = 0;
    if (!SDL_Vulkan_GetInstanceExtensions(sdlWindow(handle_), &count, nullptr))
        throw vk::Error(VK_ERROR_EXTENSION_NOT_PRESENT, SDL_GetError());
    std::vector<const char*> names(count);
    if (!SDL_Vulkan_GetInstanceExtensions(sdlWindow(handle_), &count, names.data()))
        throw vk::Error(VK_ERROR_EXTENSION_NOT_PRESENT, SDL_GetError());
    return std::vector<std::string>(names.begin(), names.begin() + count);
}

std::unique_ptr<vk::Surface> Window::createSurface(std::shared_ptr<vk::Context> context) const
{
    VkSurfaceKHR surface = VK_NULL_HANDLE;
    if (!SDL_Vulkan_CreateSurface(sdlWindow(handle_), context->instance(), &surface))
        throw vk::Error(VK_ERROR_INITIALIZATION_FAILED,
                        std::string("SDL_Vulkan_CreateSurface: ") + SDL_GetError());
    return std::make_unique<vk::Surface>(std::move(context), surface);
}

} // namespace swk::d3d9
