// Direct3D 9 render, sampler and viewport state in Vulkan terms.
#pragma once

#include "Formats.h"
#include "StateDefaults.h"

#include <d3d9.h>

#include "swk/vk/Renderer.h"

namespace swk::d3d9
{

// Raster, depth, stencil and blend parts of the pipeline state, plus the
// dynamic stencil and blend values of the draw.
void mapRenderStates(const DWORD (&rs)[kMaxRenderState], const FormatInfo& target,
                     bool depthAttached, bool stencilAttached, vk::DrawCall* call);

vk::SamplerKey mapSampler(const DWORD (&ss)[kMaxSamplerState]);

// Direct3D's pixel centres: the Vulkan viewport is shifted by half a pixel and
// flipped, so that a full-target quad placed by texture coordinate samples
// (i/W, j/H) at pixel (i, j).
VkViewport mapViewport(const D3DVIEWPORT9& viewport);

// The viewport rectangle, cut down by the scissor rectangle when enabled.
VkRect2D mapScissor(const D3DVIEWPORT9& viewport, const RECT& scissor, bool scissorTest);

// Topology and vertex count; false for unknown primitive types.
bool mapPrimitive(D3DPRIMITIVETYPE type, UINT primitives, VkPrimitiveTopology* topology,
                  UINT* vertices);

} // namespace swk::d3d9
