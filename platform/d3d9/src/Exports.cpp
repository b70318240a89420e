#include "Direct3D9.h"

#include "swk/vk/Debug.h"
#include "swk/vk/Error.h"
#include "swk/vk/Handle.h"

#include <map>
#include <mutex>
#include <string>

namespace
{

// Direct3D objects alive at the same time share one Vulkan device; creating
// an instance and a device costs tens of milliseconds.
std::shared_ptr<swk::vk::Context> sharedContext(const std::string& selector)
{
    static std::mutex mutex;
    static std::map<std::string, std::weak_ptr<swk::vk::Context>> contexts;
    std::lock_guard<std::mutex> lock(mutex);
    std::weak_ptr<swk::vk::Context>& slot = contexts[selector];
    if (auto context = slot.lock())
        return context;
    swk::vk::ContextOptions options;
    options.deviceSelector = selector;
    auto context = swk::vk::Context::create(options);
    slot = context;
    return context;
}

IDirect3D9* create(UINT SDKVersion, const SWK_DEVICE_OPTIONS* pOptions)
{
    if (SDKVersion != D3D_SDK_VERSION)
        return nullptr;
    try
    {
        swk::d3d9::Emulation emulation = swk::d3d9::makeEmulation(pOptions);
        auto context = sharedContext(emulation.vulkanDevice);
        return new swk::d3d9::Direct3D9(std::move(context), std::move(emulation));
    }
    catch (const swk::vk::Error& e)
    {
        swk::vk::logError("no Direct3D 9 over Vulkan: %s", e.what());
    }
    catch (const std::bad_alloc&)
    {
        swk::vk::logError("no Direct3D 9 over Vulkan: out of memory");
    }
    return nullptr;
}

} // namespace

extern "C" SWK_D3D9_API IDirect3D9* WINAPI Direct3DCreate9(UINT SDKVersion)
{
    return create(SDKVersion, nullptr);
}

extern "C" SWK_D3D9_API IDirect3D9* WINAPI SwkDirect3DCreate9(UINT SDKVersion,
                                                              const SWK_DEVICE_OPTIONS* pOptions)
{
    return create(SDKVersion, pOptions);
}

extern "C" SWK_D3D9_API LONG WINAPI SwkLiveVulkanObjects(void)
{
    return static_cast<LONG>(swk::vk::LiveHandles());
}
