#include "swk/vk/DeviceChoice.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace swk::vk
{
namespace
{

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

int rank(VkPhysicalDeviceType type)
{
    switch (type)
    {
    case VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU:
        return 0;
    case VK_PHYSICAL_DEVICE_TYPE_INTEGRATED_GPU:
        return 1;
    case VK_PHYSICAL_DEVICE_TYPE_VIRTUAL_GPU:
        return 2;
    case VK_PHYSICAL_DEVICE_TYPE_CPU:
        return 3;
    default:
        return 4;
    }
}

bool typeNamed(const std::string& selector, VkPhysicalDeviceType* type)
{
    if (selector == "discrete")
        *type = VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU;
    else if (selector == "integrated")
        *type = VK_PHYSICAL_DEVICE_TYPE_INTEGRATED_GPU;
    else if (selector == "virtual")
        *type = VK_PHYSICAL_DEVICE_TYPE_VIRTUAL_GPU;
    else if (selector == "cpu")
        *type = VK_PHYSICAL_DEVICE_TYPE_CPU;
    else
        return false;
    return true;
}

} // namespace

int chooseDevice(const std::vector<DeviceCandidate>& candidates, const std::string& selector)
{
    const int count = static_cast<int>(candidates.size());
    if (!selector.empty())
    {
        const std::string wanted = lower(selector);
        if (std::all_of(wanted.begin(), wanted.end(),
                        [](unsigned char c) { return std::isdigit(c) != 0; }))
        {
            const long index = std::strtol(wanted.c_str(), nullptr, 10);
            if (index < count && candidates[index].hasGraphicsQueue)
                return static_cast<int>(index);
            return -1;
        }
        VkPhysicalDeviceType type;
        const bool byType = typeNamed(wanted, &type);
        for (int i = 0; i < count; ++i)
        {
            const auto& c = candidates[i];
            if (!c.hasGraphicsQueue)
                continue;
            if (byType ? c.type == type : lower(c.name).find(wanted) != std::string::npos)
                return i;
        }
        return -1;
    }
    int best = -1;
    for (int i = 0; i < count; ++i)
    {
        if (!candidates[i].hasGraphicsQueue)
            continue;
        if (best < 0 || rank(candidates[i].type) < rank(candidates[best].type))
            best = i;
    }
    return best;
}

} // namespace swk::vk
