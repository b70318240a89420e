// Graphics pipelines by the state they bake in. Viewport, scissor, stencil
// reference and masks and blend constants are dynamic and stay out of the key.
#pragma once

#include "Context.h"
#include "Handle.h"
#include "Hash.h"
#include "ShaderModule.h"

#include <unordered_map>
#include <vector>

namespace swk::vk
{

constexpr uint32_t kMaxVertexBindings = 16;
constexpr uint32_t kMaxVertexAttributes = 16;
constexpr uint32_t kMaxSpecializationConstants = 32;

enum SpecializedStage : uint32_t
{
    kSpecializeVertex = 1,
    kSpecializeFragment = 2,
};

struct VertexAttribute
{
    uint32_t location;
    uint32_t binding;
    uint32_t format; // VkFormat
    uint32_t offset;
};

struct StencilFace
{
    uint32_t failOp = VK_STENCIL_OP_KEEP;
    uint32_t passOp = VK_STENCIL_OP_KEEP;
    uint32_t depthFailOp = VK_STENCIL_OP_KEEP;
    uint32_t compareOp = VK_COMPARE_OP_ALWAYS;
};

// Every field is 32 bits wide so that the struct has no padding to hash.
struct PipelineState
{
    uint32_t vertexShader = 0;   // ShaderModule::id(), low 32 bits
    uint32_t fragmentShader = 0; // ShaderModule::id(), low 32 bits
    uint32_t colorFormat = VK_FORMAT_UNDEFINED;
    uint32_t depthFormat = VK_FORMAT_UNDEFINED;

    uint32_t topology = VK_PRIMITIVE_TOPOLOGY_TRIANGLE_LIST;
    uint32_t primitiveRestart = 0;
    uint32_t polygonMode = VK_POLYGON_MODE_FILL;
    uint32_t cullMode = VK_CULL_MODE_NONE;
    uint32_t frontFace = VK_FRONT_FACE_CLOCKWISE;

    uint32_t depthTest = 0;
    uint32_t depthWrite = 0;
    uint32_t depthCompare = VK_COMPARE_OP_LESS_OR_EQUAL;
    uint32_t stencilTest = 0;
    StencilFace front;
    StencilFace back;

    uint32_t blendEnable = 0;
    uint32_t srcColor = VK_BLEND_FACTOR_ONE;
    uint32_t dstColor = VK_BLEND_FACTOR_ZERO;
    uint32_t colorOp = VK_BLEND_OP_ADD;
    uint32_t srcAlpha = VK_BLEND_FACTOR_ONE;
    uint32_t dstAlpha = VK_BLEND_FACTOR_ZERO;
    uint32_t alphaOp = VK_BLEND_OP_ADD;
    uint32_t writeMask = 0xf;

    uint32_t bindingCount = 0;
    uint32_t strides[kMaxVertexBindings] = {};
    uint32_t attributeCount = 0;
    VertexAttribute attributes[kMaxVertexAttributes] = {};

    // 32-bit constant_id i takes specialization[i] in the stages named by
    // specializedStages (SpecializedStage bits); state that steers a shader's
    // branches belongs here, where the driver folds it once per pipeline.
    uint32_t specializedStages = 0;
    uint32_t specializationCount = 0;
    uint32_t specialization[kMaxSpecializationConstants] = {};
};

class PipelineCache
{
public:
    PipelineCache(Context& ctx, VkPipelineLayout layout);

    VkPipeline get(const PipelineState& state, const ShaderModule& vertex,
                   const ShaderModule& fragment, VkRenderPass pass);
    // Removes the pipelines built from the shader and hands them over, since
    // submitted work may still reference them.
    std::vector<UniquePipeline> forget(uint64_t shaderId);
    size_t size() const { return pipelines_.size(); }

private:
    struct Key
    {
        PipelineState state;
        uint32_t passLow;
        uint32_t passHigh;
    };
    Context& ctx_;
    VkPipelineLayout layout_;
    UniquePipelineCache cache_;
    std::unordered_map<Key, UniquePipeline, BytewiseHash<Key>, BytewiseEqual<Key>> pipelines_;
};

} // namespace swk::vk
