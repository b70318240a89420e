#include "swk/vk/Debug.h"
#include "swk/vk/Error.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace swk::vk
{
namespace
{

void vlog(const char* level, const char* format, va_list args)
{
    std::fprintf(stderr, "swk-vk %s: ", level);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
}

bool quiet()
{
    const char* v = std::getenv("SWK_VK_QUIET");
    return v && *v && *v != '0';
}

} // namespace

void logError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    vlog("error", format, args);
    va_end(args);
}

void logInfo(const char* format, ...)
{
    if (quiet())
        return;
    va_list args;
    va_start(args, format);
    vlog("info", format, args);
    va_end(args);
}

Error::Error(VkResult result, const std::string& what)
    : std::runtime_error(what + ": " + resultName(result)), result_(result)
{
}

const char* resultName(VkResult result)
{
    switch (result)
    {
    case VK_SUCCESS:
        return "VK_SUCCESS";
    case VK_NOT_READY:
        return "VK_NOT_READY";
    case VK_TIMEOUT:
        return "VK_TIMEOUT";
    case VK_ERROR_OUT_OF_HOST_MEMORY:
        return "VK_ERROR_OUT_OF_HOST_MEMORY";
    case VK_ERROR_OUT_OF_DEVICE_MEMORY:
        return "VK_ERROR_OUT_OF_DEVICE_MEMORY";
    case VK_ERROR_INITIALIZATION_FAILED:
        return "VK_ERROR_INITIALIZATION_FAILED";
    case VK_ERROR_DEVICE_LOST:
        return "VK_ERROR_DEVICE_LOST";
    case VK_ERROR_MEMORY_MAP_FAILED:
        return "VK_ERROR_MEMORY_MAP_FAILED";
    case VK_ERROR_LAYER_NOT_PRESENT:
        return "VK_ERROR_LAYER_NOT_PRESENT";
    case VK_ERROR_EXTENSION_NOT_PRESENT:
        return "VK_ERROR_EXTENSION_NOT_PRESENT";
    case VK_ERROR_FEATURE_NOT_PRESENT:
        return "VK_ERROR_FEATURE_NOT_PRESENT";
    case VK_ERROR_INCOMPATIBLE_DRIVER:
        return "VK_ERROR_INCOMPATIBLE_DRIVER";
    case VK_ERROR_FORMAT_NOT_SUPPORTED:
        return "VK_ERROR_FORMAT_NOT_SUPPORTED";
    case VK_ERROR_OUT_OF_POOL_MEMORY:
        return "VK_ERROR_OUT_OF_POOL_MEMORY";
    default:
        return "VkResult error";
    }
}

void check(VkResult result, const char* what)
{
    if (result == VK_SUCCESS)
        return;
    logError("%s failed: %s (%d)", what, resultName(result), static_cast<int>(result));
    throw Error(result, what);
}

DebugNames::DebugNames(VkInstance instance, VkDevice device, bool enabled) : device_(device)
{
    if (enabled)
        setName_ = reinterpret_cast<PFN_vkSetDebugUtilsObjectNameEXT>(
            vkGetInstanceProcAddr(instance, "vkSetDebugUtilsObjectNameEXT"));
}

void DebugNames::name(VkObjectType type, uint64_t handle, const char* name) const
{
    if (!setName_ || !handle || !name)
        return;
    VkDebugUtilsObjectNameInfoEXT info{};
    info.sType = VK_STRUCTURE_TYPE_DEBUG_UTILS_OBJECT_NAME_INFO_EXT;
    info.objectType = type;
    info.objectHandle = handle;
    info.pObjectName = name;
    setName_(device_, &info);
}

} // namespace swk::vk
