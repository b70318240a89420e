// Vulkan failures inside the backend travel as exceptions; the Direct3D 9 layer
// catches them at its boundary and turns them into result codes.
#pragma once

#include <vulkan/vulkan.h>

#include <stdexcept>
#include <string>

namespace swk::vk
{

class Error : public std::runtime_error
{
public:
    Error(VkResult result, const std::string& what);
    VkResult result() const { return result_; }

private:
    VkResult result_;
};

const char* resultName(VkResult result);

// Logs and throws when result is not VK_SUCCESS.
void check(VkResult result, const char* what);

} // namespace swk::vk
