// The window a device presents to. On Linux a window handle (HWND) is an
// SDL_Window* created with SDL_WINDOW_VULKAN; the host owns SDL and the window.
#pragma once

#include <windows.h>

#include "swk/vk/Presenter.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace swk::d3d9
{

class Window
{
public:
    explicit Window(HWND handle);

    HWND handle() const { return handle_; }
    // False once the host has destroyed the window.
    bool exists() const;
    // False while the window is minimised or has no pixels.
    bool hasArea() const;
    // The instance extensions Vulkan needs to make surfaces for the window.
    std::vector<std::string> instanceExtensions() const;
    // Throws vk::Error when the window system refuses.
    std::unique_ptr<vk::Surface> createSurface(std::shared_ptr<vk::Context> context) const;

private:
    HWND handle_;
    uint32_t id_;
};

} // namespace swk::d3d9
