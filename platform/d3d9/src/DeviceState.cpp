#include "DeviceState.h"
#include "Buffers.h"
#include "Shaders.h"
#include "Surface.h"
#include "Texture.h"

#include <cstring>

namespace swk::d3d9
{

void DeviceState::reset(bool zBuffer)
{
    unbindAll();
    defaultRenderStates(renderStates, zBuffer);
    defaultTextureStageStates(textureStageStates);
    defaultSamplerStates(samplerStates);
    viewport = {};
    scissor = {};
    material = {};
    transforms.clear();
    fvf = 0;
    std::memset(vertexConstants, 0, sizeof vertexConstants);
    std::memset(pixelConstants, 0, sizeof pixelConstants);
}

void DeviceState::unbindAll()
{
    for (auto& t : textures)
        t.reset();
    for (auto& s : streams)
    {
        s.buffer.reset();
        s.offset = 0;
        s.stride = 0;
    }
    indices.reset();
    vertexShader.reset();
    pixelShader.reset();
    renderTarget.reset();
    depthStencil.reset();
}

} // namespace swk::d3d9
