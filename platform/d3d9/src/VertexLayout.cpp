#include "VertexLayout.h"

namespace swk::d3d9
{
namespace
{

VkFormat floats(UINT count)
{
    switch (count)
    {
    case 1:
        return VK_FORMAT_R32_SFLOAT;
    case 2:
        return VK_FORMAT_R32G32_SFLOAT;
    case 3:
        return VK_FORMAT_R32G32B32_SFLOAT;
    default:
        return VK_FORMAT_R32G32B32A32_SFLOAT;
    }
}

UINT texCoordSize(DWORD fvf, UINT index)
{
    switch ((fvf >> (16 + 2 * index)) & 3)
    {
    case D3DFVF_TEXTUREFORMAT1:
        return 1;
    case D3DFVF_TEXTUREFORMAT3:
        return 3;
    case D3DFVF_TEXTUREFORMAT4:
        return 4;
    default:
        return 2;
    }
}

} // namespace

const VertexElement* VertexLayout::find(D3DDECLUSAGE usage, UINT index) const
{
    for (const VertexElement& e : elements)
        if (e.usage == usage && e.usageIndex == index)
            return &e;
    return nullptr;
}

bool layoutFromFvf(DWORD fvf, VertexLayout* layout)
{
    VertexLayout result;
    UINT offset = 0;
    auto add = [&](D3DDECLUSAGE usage, UINT index, VkFormat format, UINT bytes)
    {
        result.elements.push_back({usage, index, format, offset});
        offset += bytes;
    };
    UINT blendWeights = 0;
    switch (fvf & D3DFVF_POSITION_MASK)
    {
    case 0:
        break;
    case D3DFVF_XYZ:
        add(D3DDECLUSAGE_POSITION, 0, floats(3), 12);
        break;
    case D3DFVF_XYZRHW:
        add(D3DDECLUSAGE_POSITIONT, 0, floats(4), 16);
        result.pretransformed = true;
        break;
    case D3DFVF_XYZW:
        add(D3DDECLUSAGE_POSITION, 0, floats(4), 16);
        break;
    case D3DFVF_XYZB1:
    case D3DFVF_XYZB2:
    case D3DFVF_XYZB3:
    case D3DFVF_XYZB4:
    case D3DFVF_XYZB5:
        add(D3DDECLUSAGE_POSITION, 0, floats(3), 12);
        blendWeights = ((fvf & D3DFVF_POSITION_MASK) - D3DFVF_XYZ) / 2;
        break;
    default:
        return false;
    }
    if (blendWeights)
    {
        const bool lastIsIndices = (fvf & (D3DFVF_LASTBETA_UBYTE4 | D3DFVF_LASTBETA_D3DCOLOR)) != 0;
        const UINT weights = lastIsIndices ? blendWeights - 1 : blendWeights;
        if (weights)
            add(D3DDECLUSAGE_BLENDWEIGHT, 0, floats(weights), 4 * weights);
        if (lastIsIndices)
            add(D3DDECLUSAGE_BLENDINDICES, 0,
                (fvf & D3DFVF_LASTBETA_UBYTE4) ? VK_FORMAT_R8G8B8A8_UINT : VK_FORMAT_B8G8R8A8_UNORM,
                4);
    }
    if (fvf & D3DFVF_NORMAL)
        add(D3DDECLUSAGE_NORMAL, 0, floats(3), 12);
    if (fvf & D3DFVF_PSIZE)
        add(D3DDECLUSAGE_PSIZE, 0, floats(1), 4);
    if (fvf & D3DFVF_DIFFUSE)
    {
        add(D3DDECLUSAGE_COLOR, 0, VK_FORMAT_B8G8R8A8_UNORM, 4);
        result.hasDiffuse = true;
    }
    if (fvf & D3DFVF_SPECULAR)
    {
        add(D3DDECLUSAGE_COLOR, 1, VK_FORMAT_B8G8R8A8_UNORM, 4);
        result.hasSpecular = true;
    }
    const UINT texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (texCount > 8)
        return false;
    for (UINT i = 0; i < texCount; ++i)
    {
        const UINT size = texCoordSize(fvf, i);
        add(D3DDECLUSAGE_TEXCOORD, i, floats(size), 4 * size);
    }
    result.stride = offset;
    *layout = std::move(result);
    return true;
}

uint32_t bindAttributes(const VertexLayout& layout, UINT stride,
                        const std::vector<ShaderInput>& inputs, vk::PipelineState* state)
{
    bool needsDefault = false;
    state->attributeCount = 0;
    for (const ShaderInput& input : inputs)
    {
        if (state->attributeCount == vk::kMaxVertexAttributes)
            break;
        const VertexElement* e = layout.find(input.usage, input.usageIndex);
        // A pretransformed position feeds a shader's position input too.
        if (!e && input.usage == D3DDECLUSAGE_POSITION)
            e = layout.find(D3DDECLUSAGE_POSITIONT, input.usageIndex);
        if (!e && input.usage == D3DDECLUSAGE_POSITIONT)
            e = layout.find(D3DDECLUSAGE_POSITION, input.usageIndex);
        vk::VertexAttribute& a = state->attributes[state->attributeCount++];
        a.location = input.location;
        if (e)
        {
            a.binding = 0;
            a.format = e->format;
            a.offset = e->offset;
        }
        else
        {
            a.binding = 1;
            a.format = VK_FORMAT_R32G32B32A32_SFLOAT;
            a.offset = 0;
            needsDefault = true;
        }
    }
    state->bindingCount = needsDefault ? 2 : 1;
    state->strides[0] = stride;
    state->strides[1] = 0;
    return state->bindingCount;
}

} // namespace swk::d3d9
