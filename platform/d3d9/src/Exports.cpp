#include "Direct3D9.h"
#include "SharedContext.h"

#include "swk/vk/Debug.h"
#include "swk/vk/Error.h"
#include "swk/vk/Handle.h"

namespace
{

IDirect3D9* create(UINT SDKVersion, const SWK_DEVICE_OPTIONS* pOptions)
{
    if (SDKVersion != D3D_SDK_VERSION)
        return nullptr;
    try
    {
        swk::d3d9::Emulation emulation = swk::d3d9::makeEmulation(pOptions);
        auto context = swk::d3d9::sharedContext(emulation.vulkanDevice);
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
    return static_cast<LONG>(swk::vk::liveHandles());
}
