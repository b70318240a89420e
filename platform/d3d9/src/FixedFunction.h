// The built-in shader pair that stands in for Direct3D 9's fixed-function
// pipeline, and the uniform blocks that carry the states it reads.
#pragma once

#include "DeviceState.h"
#include "VertexLayout.h"

#include "swk/vk/Renderer.h"

#include <memory>

namespace swk::d3d9
{

struct FixedVertexBlock
{
    float worldViewProjection[16];
    float ambient[4];
    float materialDiffuse[4];
    float materialAmbient[4];
    float materialSpecular[4];
    float materialEmissive[4];
};

struct FixedPixelBlock
{
    float textureFactor[4];
    float fogColor[4];
    float fogParams[4];
    float alphaReference[4];
};

class FixedFunction
{
public:
    explicit FixedFunction(vk::Renderer& renderer);
    ~FixedFunction();

    const vk::ShaderModule& vertexShader() const { return *vertex_; }
    const vk::ShaderModule& pixelShader() const { return *pixel_; }
    // The vertex elements the built-in vertex shader reads, by location.
    const std::vector<ShaderInput>& inputs() const { return inputs_; }

    // The states that choose the paths of the built-in shaders in use (vertex,
    // pixel), as their specialization constants.
    static void specialize(const DeviceState& state, const VertexLayout& layout, bool vertex,
                           bool pixel, vk::PipelineState* pipeline);

    // versions: the device's counter, shared with every other uniform source.
    vk::UniformBlock vertexBlock(const DeviceState& state, uint64_t& versions);
    vk::UniformBlock pixelBlock(const DeviceState& state, uint64_t& versions);

private:
    vk::Renderer& renderer_;
    std::shared_ptr<vk::ShaderModule> vertex_;
    std::shared_ptr<vk::ShaderModule> pixel_;
    std::vector<ShaderInput> inputs_;
    FixedVertexBlock vertexData_{};
    uint64_t vertexVersion_ = 0;
    FixedPixelBlock pixelData_{};
    uint64_t pixelVersion_ = 0;
};

} // namespace swk::d3d9
