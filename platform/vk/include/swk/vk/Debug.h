// Diagnostics: a log line on stderr (SWK_VK_QUIET=1 keeps informational
// lines out, errors always show) and debug names on Vulkan objects.
#pragma once

#include <vulkan/vulkan.h>

#include <cstdint>

namespace swk::vk
{

void logError(const char* format, ...) __attribute__((format(printf, 1, 2)));
void logInfo(const char* format, ...) __attribute__((format(printf, 1, 2)));

class DebugNames
{
public:
    DebugNames() = default;
    DebugNames(VkInstance instance, VkDevice device, bool enabled);

    void name(VkObjectType type, uint64_t handle, const char* name) const;
    template <typename T> void name(VkObjectType type, T handle, const char* name) const
    {
        this->name(type, reinterpret_cast<uint64_t>(handle), name);
    }

private:
    VkDevice device_ = VK_NULL_HANDLE;
    PFN_vkSetDebugUtilsObjectNameEXT setName_ = nullptr;
};

} // namespace swk::vk
