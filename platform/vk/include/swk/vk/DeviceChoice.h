// Which physical device to run on: discrete GPUs first, then integrated ones,
// then anything else (virtual, CPU), unless a selector names another.
#pragma once

#include <vulkan/vulkan.h>

#include <string>
#include <vector>

namespace swk::vk
{

struct DeviceCandidate
{
    std::string name;
    VkPhysicalDeviceType type;
    bool hasGraphicsQueue;
};

// selector: empty for the default order; a decimal index into candidates; one
// of "discrete", "integrated", "virtual", "cpu"; or a case-insensitive part of
// the device name. Returns -1 when nothing usable matches.
int chooseDevice(const std::vector<DeviceCandidate>& candidates, const std::string& selector);

} // namespace swk::vk
