// Direct3D objects alive at the same time share one Vulkan device; creating an
// instance and a device costs tens of milliseconds.
#pragma once

#include "swk/vk/Context.h"

#include <memory>
#include <string>
#include <vector>

namespace swk::d3d9
{

// The live context for the device selector, made when there is none. With
// surface extensions it is a separate context that can present.
std::shared_ptr<vk::Context> sharedContext(const std::string& selector,
                                           const std::vector<std::string>& surfaceExtensions = {});

} // namespace swk::d3d9
