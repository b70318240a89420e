#include "swk/vk/Context.h"
#include "swk/vk/DeviceChoice.h"
#include "swk/vk/Error.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace swk::vk
{
namespace
{

bool hasInstanceExtension(const char* name)
{
    uint32_t count = 0;
    vkEnumerateInstanceExtensionProperties(nullptr, &count, nullptr);
    std::vector<VkExtensionProperties> props(count);
    vkEnumerateInstanceExtensionProperties(nullptr, &count, props.data());
    for (const auto& p : props)
        if (std::strcmp(p.extensionName, name) == 0)
            return true;
    return false;
}

bool hasDeviceExtension(VkPhysicalDevice device, const char* name)
{
    uint32_t count = 0;
    vkEnumerateDeviceExtensionProperties(device, nullptr, &count, nullptr);
    std::vector<VkExtensionProperties> props(count);
    vkEnumerateDeviceExtensionProperties(device, nullptr, &count, props.data());
    for (const auto& p : props)
        if (std::strcmp(p.extensionName, name) == 0)
            return true;
    return false;
}

bool hasLayer(const char* name)
{
    uint32_t count = 0;
    vkEnumerateInstanceLayerProperties(&count, nullptr);
    std::vector<VkLayerProperties> props(count);
    vkEnumerateInstanceLayerProperties(&count, props.data());
    for (const auto& p : props)
        if (std::strcmp(p.layerName, name) == 0)
            return true;
    return false;
}

bool envFlag(const char* name)
{
    const char* v = std::getenv(name);
    return v && *v && *v != '0';
}

int graphicsFamily(VkPhysicalDevice device)
{
    uint32_t count = 0;
    vkGetPhysicalDeviceQueueFamilyProperties(device, &count, nullptr);
    std::vector<VkQueueFamilyProperties> families(count);
    vkGetPhysicalDeviceQueueFamilyProperties(device, &count, families.data());
    for (uint32_t i = 0; i < count; ++i)
        if (families[i].queueFlags & VK_QUEUE_GRAPHICS_BIT)
            return static_cast<int>(i);
    return -1;
}

VKAPI_ATTR VkBool32 VKAPI_CALL onValidationMessage(VkDebugUtilsMessageSeverityFlagBitsEXT severity,
                                                   VkDebugUtilsMessageTypeFlagsEXT,
                                                   const VkDebugUtilsMessengerCallbackDataEXT* data,
                                                   void*)
{
    if (severity >= VK_DEBUG_UTILS_MESSAGE_SEVERITY_WARNING_BIT_EXT)
        logError("validation: %s", data->pMessage);
    return VK_FALSE;
}

} // namespace

std::shared_ptr<Context> Context::create(const ContextOptions& options)
{
    std::shared_ptr<Context> ctx(new Context());

    const bool debugUtils = hasInstanceExtension(VK_EXT_DEBUG_UTILS_EXTENSION_NAME);
    const bool validation = (options.validation || envFlag("SWK_VK_VALIDATION")) &&
                            hasLayer("VK_LAYER_KHRONOS_validation");

    VkApplicationInfo app{};
    app.sType = VK_STRUCTURE_TYPE_APPLICATION_INFO;
    app.pApplicationName = "Swellkit";
    app.pEngineName = "Swellkit Direct3D 9 over Vulkan";
    // 1.1 makes the negative viewport height that places Direct3D's pixel centres core.
    app.apiVersion = VK_API_VERSION_1_1;

    std::vector<const char*> extensions;
    if (debugUtils)
        extensions.push_back(VK_EXT_DEBUG_UTILS_EXTENSION_NAME);
    const bool surfaces = !options.surfaceExtensions.empty();
    if (surfaces)
    {
        extensions.push_back(VK_KHR_SURFACE_EXTENSION_NAME);
        for (const std::string& name : options.surfaceExtensions)
        {
            if (!hasInstanceExtension(name.c_str()))
                throw Error(VK_ERROR_EXTENSION_NOT_PRESENT, "instance extension " + name);
            if (name != VK_KHR_SURFACE_EXTENSION_NAME)
                extensions.push_back(name.c_str());
        }
    }
    std::vector<const char*> layers;
    if (validation)
        layers.push_back("VK_LAYER_KHRONOS_validation");

    VkInstanceCreateInfo ici{};
    ici.sType = VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO;
    ici.pApplicationInfo = &app;
    ici.enabledExtensionCount = static_cast<uint32_t>(extensions.size());
    ici.ppEnabledExtensionNames = extensions.data();
    ici.enabledLayerCount = static_cast<uint32_t>(layers.size());
    ici.ppEnabledLayerNames = layers.data();
    check(vkCreateInstance(&ici, nullptr, &ctx->instance_), "vkCreateInstance");

    if (validation && debugUtils)
    {
        auto create = reinterpret_cast<PFN_vkCreateDebugUtilsMessengerEXT>(
            vkGetInstanceProcAddr(ctx->instance_, "vkCreateDebugUtilsMessengerEXT"));
        VkDebugUtilsMessengerCreateInfoEXT mci{};
        mci.sType = VK_STRUCTURE_TYPE_DEBUG_UTILS_MESSENGER_CREATE_INFO_EXT;
        mci.messageSeverity = VK_DEBUG_UTILS_MESSAGE_SEVERITY_WARNING_BIT_EXT |
                              VK_DEBUG_UTILS_MESSAGE_SEVERITY_ERROR_BIT_EXT;
        mci.messageType = VK_DEBUG_UTILS_MESSAGE_TYPE_GENERAL_BIT_EXT |
                          VK_DEBUG_UTILS_MESSAGE_TYPE_VALIDATION_BIT_EXT;
        mci.pfnUserCallback = onValidationMessage;
        if (create)
            create(ctx->instance_, &mci, nullptr, &ctx->messenger_);
    }

    uint32_t count = 0;
    check(vkEnumeratePhysicalDevices(ctx->instance_, &count, nullptr),
          "vkEnumeratePhysicalDevices");
    std::vector<VkPhysicalDevice> devices(count);
    check(vkEnumeratePhysicalDevices(ctx->instance_, &count, devices.data()),
          "vkEnumeratePhysicalDevices");

    std::vector<DeviceCandidate> candidates;
    for (VkPhysicalDevice d : devices)
    {
        VkPhysicalDeviceProperties p;
        vkGetPhysicalDeviceProperties(d, &p);
        candidates.push_back({p.deviceName, p.deviceType, graphicsFamily(d) >= 0});
    }
    std::string selector = options.deviceSelector;
    if (selector.empty())
        if (const char* env = std::getenv("SWK_VK_DEVICE"))
            selector = env;
    const int chosen = chooseDevice(candidates, selector);
    if (chosen < 0)
    {
        logError("no Vulkan device with a graphics queue matches '%s'", selector.c_str());
        throw Error(VK_ERROR_INITIALIZATION_FAILED, "choosing a Vulkan device");
    }
    ctx->physical_ = devices[chosen];
    ctx->queueFamily_ = static_cast<uint32_t>(graphicsFamily(ctx->physical_));
    VkPhysicalDeviceMaintenance3Properties maintenance3{};
    maintenance3.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_MAINTENANCE_3_PROPERTIES;
    VkPhysicalDeviceProperties2 properties2{};
    properties2.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_PROPERTIES_2;
    properties2.pNext = &maintenance3;
    vkGetPhysicalDeviceProperties2(ctx->physical_, &properties2);
    ctx->properties_ = properties2.properties;
    ctx->maxAllocation_ = maintenance3.maxMemoryAllocationSize;
    vkGetPhysicalDeviceMemoryProperties(ctx->physical_, &ctx->memory_);
    VkPhysicalDeviceFeatures available{};
    vkGetPhysicalDeviceFeatures(ctx->physical_, &available);
    ctx->features_.samplerAnisotropy = available.samplerAnisotropy;
    ctx->features_.fillModeNonSolid = available.fillModeNonSolid;
    ctx->features_.depthClamp = available.depthClamp;
    // A host's out-of-range vertex index then reads zeros, never outside a buffer.
    ctx->features_.robustBufferAccess = available.robustBufferAccess;

    const float priority = 1.0f;
    VkDeviceQueueCreateInfo qci{};
    qci.sType = VK_STRUCTURE_TYPE_DEVICE_QUEUE_CREATE_INFO;
    qci.queueFamilyIndex = ctx->queueFamily_;
    qci.queueCount = 1;
    qci.pQueuePriorities = &priority;
    VkDeviceCreateInfo dci{};
    dci.sType = VK_STRUCTURE_TYPE_DEVICE_CREATE_INFO;
    dci.queueCreateInfoCount = 1;
    dci.pQueueCreateInfos = &qci;
    dci.pEnabledFeatures = &ctx->features_;
    const char* swapchain = VK_KHR_SWAPCHAIN_EXTENSION_NAME;
    ctx->presentable_ = surfaces && hasDeviceExtension(ctx->physical_, swapchain);
    if (ctx->presentable_)
    {
        dci.enabledExtensionCount = 1;
        dci.ppEnabledExtensionNames = &swapchain;
    }
    check(vkCreateDevice(ctx->physical_, &dci, nullptr, &ctx->device_), "vkCreateDevice");
    vkGetDeviceQueue(ctx->device_, ctx->queueFamily_, 0, &ctx->queue_);
    ctx->names_ = DebugNames(ctx->instance_, ctx->device_, debugUtils);
    logInfo("running on %s%s", ctx->properties_.deviceName, validation ? " with validation" : "");
    return ctx;
}

Context::~Context()
{
    if (device_)
    {
        vkDeviceWaitIdle(device_);
        vkDestroyDevice(device_, nullptr);
    }
    if (messenger_)
    {
        auto destroy = reinterpret_cast<PFN_vkDestroyDebugUtilsMessengerEXT>(
            vkGetInstanceProcAddr(instance_, "vkDestroyDebugUtilsMessengerEXT"));
        if (destroy)
            destroy(instance_, messenger_, nullptr);
    }
    if (instance_)
        vkDestroyInstance(instance_, nullptr);
}

VkFormatFeatureFlags Context::optimalFeatures(VkFormat format) const
{
    VkFormatProperties props{};
    vkGetPhysicalDeviceFormatProperties(physical_, format, &props);
    return props.optimalTilingFeatures;
}

uint32_t Context::memoryType(uint32_t typeBits, VkMemoryPropertyFlags required,
                             VkMemoryPropertyFlags preferred) const
{
    int best = -1;
    for (uint32_t i = 0; i < memory_.memoryTypeCount; ++i)
    {
        const VkMemoryPropertyFlags flags = memory_.memoryTypes[i].propertyFlags;
        if (!(typeBits & (1u << i)) || (flags & required) != required)
            continue;
        if ((flags & preferred) == preferred)
            return i;
        if (best < 0)
            best = static_cast<int>(i);
    }
    if (best < 0)
        throw Error(VK_ERROR_OUT_OF_DEVICE_MEMORY, "no suitable memory type");
    return static_cast<uint32_t>(best);
}

VkResult Context::submit(const VkSubmitInfo& info, VkFence fence)
{
    std::lock_guard<std::mutex> lock(queueMutex_);
    return vkQueueSubmit(queue_, 1, &info, fence);
}

VkResult Context::present(const VkPresentInfoKHR& info)
{
    std::lock_guard<std::mutex> lock(queueMutex_);
    return vkQueuePresentKHR(queue_, &info);
}

void Context::waitIdle()
{
    std::lock_guard<std::mutex> lock(queueMutex_);
    vkQueueWaitIdle(queue_);
}

} // namespace swk::vk
