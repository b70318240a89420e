#include "swk/vk/ShaderModule.h"
#include "swk/vk/Error.h"

#include <atomic>

namespace swk::vk
{
namespace
{

constexpr uint32_t kSpirvMagic = 0x07230203;
constexpr uint32_t kOpEntryPoint = 15;
constexpr uint32_t kHeaderWords = 5;

std::atomic<uint64_t> nextShaderId{1};

bool stageOf(uint32_t model, VkShaderStageFlagBits* stage)
{
    switch (model)
    {
    case 0:
        *stage = VK_SHADER_STAGE_VERTEX_BIT;
        return true;
    case 4:
        *stage = VK_SHADER_STAGE_FRAGMENT_BIT;
        return true;
    default:
        return false;
    }
}

} // namespace

bool findEntryPoint(const uint32_t* words, size_t count, SpirvEntryPoint* entry)
{
    if (!words || count < kHeaderWords || words[0] != kSpirvMagic)
        return false;
    size_t at = kHeaderWords;
    while (at < count)
    {
        const uint32_t wordCount = words[at] >> 16;
        const uint32_t opcode = words[at] & 0xffff;
        if (wordCount == 0 || at + wordCount > count)
            return false;
        if (opcode == kOpEntryPoint && wordCount >= 4)
        {
            if (!stageOf(words[at + 1], &entry->stage))
                return false;
            const char* name = reinterpret_cast<const char*>(&words[at + 3]);
            const size_t maxChars = (wordCount - 3) * 4;
            size_t length = 0;
            while (length < maxChars && name[length])
                ++length;
            if (length == maxChars)
                return false;
            entry->name.assign(name, length);
            return true;
        }
        at += wordCount;
    }
    return false;
}

ShaderModule::ShaderModule(Context& ctx, const uint32_t* words, size_t count, const char* name)
    : id_(nextShaderId++)
{
    if (!findEntryPoint(words, count, &entry_))
        throw Error(VK_ERROR_INITIALIZATION_FAILED, "SPIR-V module without a usable entry point");
    VkShaderModuleCreateInfo info{};
    info.sType = VK_STRUCTURE_TYPE_SHADER_MODULE_CREATE_INFO;
    info.codeSize = count * sizeof(uint32_t);
    info.pCode = words;
    VkShaderModule module = VK_NULL_HANDLE;
    check(vkCreateShaderModule(ctx.device(), &info, nullptr, &module), "vkCreateShaderModule");
    module_ = UniqueShaderModule(ctx.device(), module);
    ctx.names().name(VK_OBJECT_TYPE_SHADER_MODULE, module, name);
}

} // namespace swk::vk
