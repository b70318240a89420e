// Vertex elements of a flexible vertex format, and their match against the
// inputs a vertex shader declares.
#pragma once

#include <d3d9.h>
#include <vulkan/vulkan.h>

#include "swk/vk/PipelineCache.h"

#include <vector>

namespace swk::d3d9
{

struct VertexElement
{
    D3DDECLUSAGE usage;
    UINT usageIndex;
    VkFormat format;
    UINT offset;
};

struct VertexLayout
{
    std::vector<VertexElement> elements;
    UINT stride = 0;
    bool pretransformed = false;
    bool hasDiffuse = false;
    bool hasSpecular = false;

    const VertexElement* find(D3DDECLUSAGE usage, UINT index) const;
};

// False for FVF codes this device cannot lay out.
bool layoutFromFvf(DWORD fvf, VertexLayout* layout);

// A shader input location with the element that feeds it.
struct ShaderInput
{
    uint32_t location;
    D3DDECLUSAGE usage;
    UINT usageIndex;
};

// Fills the attribute part of a pipeline state: elements of stream 0 at
// binding 0, inputs that no element feeds from the renderer's default vertex
// at binding 1 (stride 0). Returns the number of bindings used.
uint32_t bindAttributes(const VertexLayout& layout, UINT stride,
                        const std::vector<ShaderInput>& inputs, vk::PipelineState* state);

} // namespace swk::d3d9
