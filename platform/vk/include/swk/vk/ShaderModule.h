// A VkShaderModule made from SPIR-V, with the name and stage of its one entry point.
#pragma once

#include "Context.h"
#include "Handle.h"

#include <cstdint>
#include <string>
#include <vector>

namespace swk::vk
{

struct SpirvEntryPoint
{
    VkShaderStageFlagBits stage;
    std::string name;
};

// Reads the first OpEntryPoint; false when the words are not a SPIR-V module
// with one.
bool findEntryPoint(const uint32_t* words, size_t count, SpirvEntryPoint* entry);

class ShaderModule
{
public:
    // Throws vk::Error when the words are not a usable module.
    ShaderModule(Context& ctx, const uint32_t* words, size_t count, const char* name);

    VkShaderModule handle() const { return module_.get(); }
    uint64_t id() const { return id_; }
    VkShaderStageFlagBits stage() const { return entry_.stage; }
    const char* entryPoint() const { return entry_.name.c_str(); }

private:
    uint64_t id_;
    SpirvEntryPoint entry_;
    UniqueShaderModule module_;
};

} // namespace swk::vk
