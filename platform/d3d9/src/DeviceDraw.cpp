#include "Buffers.h"
#include "Device.h"
#include "PipelineMapping.h"
#include "Shaders.h"
#include "Surface.h"
#include "Texture.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace swk::d3d9
{

struct Device::DrawSource
{
    Primitive kind = Primitive::Vertices;
    UINT startVertex = 0;
    INT baseVertex = 0;
    UINT startIndex = 0;
    const void* userData = nullptr;
    UINT userStride = 0;
};

namespace
{

void markRendered(Surface& target)
{
    if (target.texture())
        target.texture()->rendered(target.level());
    else
        target.invalidateCpuCopy();
}

} // namespace

STDMETHODIMP Device::Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                           DWORD Stencil)
{
    const DWORD known = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;
    Surface* target = state_.renderTarget.get();
    Surface* depth = usableDepth();
    if (Count && !pRects)
        return refuse(__func__, Rule::ClearRects, Count);
    if (!Flags || (Flags & ~known))
        return refuse(__func__, Rule::ClearFlags, Flags);
    if (((Flags & D3DCLEAR_ZBUFFER) && !depth) ||
        ((Flags & D3DCLEAR_STENCIL) && (!depth || !depth->format().stencil)))
        return refuse(__func__, Rule::ClearWithoutDepth, Flags);
    if ((Flags & D3DCLEAR_ZBUFFER) && !(Z >= 0.0f && Z <= 1.0f))
        return refuse(__func__, Rule::ClearDepthRange);
    if (!operational())
        return D3D_OK;

    const VkRect2D area = mapScissor(state_.viewport, state_.scissor,
                                     state_.renderStates[D3DRS_SCISSORTESTENABLE] != 0);
    std::vector<VkRect2D> rects;
    if (Count == 0)
        rects.push_back(area);
    for (DWORD i = 0; i < Count; ++i)
    {
        const LONG left = std::max<LONG>(pRects[i].x1, area.offset.x);
        const LONG top = std::max<LONG>(pRects[i].y1, area.offset.y);
        const LONG right = std::min<LONG>(pRects[i].x2, area.offset.x + LONG(area.extent.width));
        const LONG bottom = std::min<LONG>(pRects[i].y2, area.offset.y + LONG(area.extent.height));
        if (right > left && bottom > top)
            rects.push_back({{left, top}, {UINT(right - left), UINT(bottom - top)}});
    }
    rects.erase(std::remove_if(rects.begin(), rects.end(),
                               [](const VkRect2D& r)
                               { return r.extent.width == 0 || r.extent.height == 0; }),
                rects.end());
    if (rects.empty())
        return D3D_OK;

    return guarded(
        [&]() -> HRESULT
        {
            renderer_->setTargets(target->image(), target->level(),
                                  depth ? depth->image() : nullptr);
            vk::ClearValues values;
            values.color = (Flags & D3DCLEAR_TARGET) != 0;
            values.colorValue = clearColor(target->format(), Color);
            values.depth = (Flags & D3DCLEAR_ZBUFFER) != 0;
            values.depthValue = Z;
            values.stencil = (Flags & D3DCLEAR_STENCIL) != 0;
            values.stencilValue = Stencil;
            renderer_->clear(rects.data(), static_cast<uint32_t>(rects.size()), values);
            if (values.color)
                markRendered(*target);
            return D3D_OK;
        });
}

STDMETHODIMP Device::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                                   UINT PrimitiveCount)
{
    DrawSource source;
    source.kind = Primitive::Vertices;
    source.startVertex = StartVertex;
    return draw(PrimitiveType, PrimitiveCount, source);
}

STDMETHODIMP Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex, UINT,
                                          UINT, UINT startIndex, UINT primCount)
{
    DrawSource source;
    source.kind = Primitive::Indexed;
    source.baseVertex = BaseVertexIndex;
    source.startIndex = startIndex;
    return draw(PrimitiveType, primCount, source);
}

STDMETHODIMP Device::DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                                     const void* pVertexStreamZeroData, UINT VertexStreamZeroStride)
{
    if (!pVertexStreamZeroData)
        return refuse(__func__, Rule::NullArgument);
    if (VertexStreamZeroStride == 0)
        return refuse(__func__, Rule::ZeroStride);
    DrawSource source;
    source.kind = Primitive::User;
    source.userData = pVertexStreamZeroData;
    source.userStride = VertexStreamZeroStride;
    const HRESULT hr = draw(PrimitiveType, PrimitiveCount, source);
    if (SUCCEEDED(hr))
    {
        // Direct3D 9 leaves stream 0 unset after a user-pointer draw.
        state_.streams[0].buffer.reset();
        state_.streams[0].offset = 0;
        state_.streams[0].stride = 0;
    }
    return hr;
}

HRESULT Device::draw(D3DPRIMITIVETYPE type, UINT primitives, const DrawSource& source)
{
    const char* entryPoint = source.kind == Primitive::Indexed ? "DrawIndexedPrimitive"
                             : source.kind == Primitive::User  ? "DrawPrimitiveUP"
                                                               : "DrawPrimitive";
    if (!inScene_)
        return refuse(entryPoint, Rule::DrawOutsideScene);
    VkPrimitiveTopology topology;
    UINT vertices = 0;
    if (!mapPrimitive(type, primitives, &topology, &vertices))
        return refuse(entryPoint, Rule::PrimitiveType, type, primitives);
    VertexShader* vs = state_.vertexShader.get();
    PixelShader* ps = state_.pixelShader.get();
    VertexLayout layout;
    if (state_.fvf == 0 || !layoutFromFvf(state_.fvf, &layout))
        return refuse(entryPoint, Rule::NoVertexFormat, state_.fvf);

    const StreamSource& stream = state_.streams[0];
    const bool user = source.kind == Primitive::User;
    const UINT stride = user ? source.userStride : stream.stride;
    if (!user && (!stream.buffer || stride == 0))
        return refuse(entryPoint, Rule::NoStreamSource);
    IndexBuffer* indices = state_.indices.get();
    UINT indexSize = 0;
    if (source.kind == Primitive::Indexed)
    {
        if (!indices)
            return refuse(entryPoint, Rule::NoIndices);
        indexSize = indices->desc().Format == D3DFMT_INDEX32 ? 4 : 2;
        if ((uint64_t(source.startIndex) + vertices) * indexSize > indices->buffer().length())
            return refuse(entryPoint, Rule::IndicesPastEnd);
    }
    else if (!user && uint64_t(stream.offset) + (uint64_t(source.startVertex) + vertices) * stride >
                          stream.buffer->buffer().length())
        return refuse(entryPoint, Rule::VerticesPastEnd);
    if (primitives == 0 || !operational())
        return D3D_OK;

    return guarded(
        [&]() -> HRESULT
        {
            Surface* target = state_.renderTarget.get();
            Surface* depth = usableDepth();
            vk::DrawCall call;
            for (DWORD slot = 0; slot < vk::kSamplerSlots; ++slot)
            {
                Texture* texture = state_.textures[slot].get();
                // A texture cannot be read while it is the target; it reads as unbound.
                if (!texture || !texture->image() || texture->image() == target->image())
                    continue;
                texture->prepareForSampling();
                call.textures[slot].image = texture->image();
                call.textures[slot].sampler = mapSampler(state_.samplerStates[slot]);
            }
            renderer_->setTargets(target->image(), target->level(),
                                  depth ? depth->image() : nullptr);

            call.state.topology = topology;
            mapRenderStates(state_.renderStates, target->format(), depth != nullptr,
                            depth && depth->format().stencil, &call);
            call.vertexShader = vs ? &vs->module() : &fixedFunction_->vertexShader();
            call.fragmentShader = ps ? &ps->module() : &fixedFunction_->pixelShader();
            bindAttributes(layout, stride, vs ? vs->inputs() : fixedFunction_->inputs(),
                           &call.state);
            if (!vs || !ps)
                FixedFunction::specialize(state_, layout, !vs, !ps, &call.state);
            if (user)
            {
                const UINT bytes = vertices * stride;
                vk::Slice slice = renderer_->stream().arena().allocate(bytes, 16);
                std::memcpy(slice.data, source.userData, bytes);
                call.vertexBuffers[0] = slice.buffer;
                call.vertexOffsets[0] = slice.offset;
            }
            else
            {
                call.vertexBuffers[0] = stream.buffer->buffer().handle();
                call.vertexOffsets[0] = stream.offset + VkDeviceSize(source.startVertex) * stride;
            }
            call.vertexBuffers[1] = renderer_->defaultVertexBuffer();

            call.uniforms[0] =
                vs ? vk::UniformBlock{state_.vertexConstants, sizeof state_.vertexConstants,
                                      state_.vertexConstantsVersion}
                   : fixedFunction_->vertexBlock(state_, versions_);
            call.uniforms[1] =
                ps ? vk::UniformBlock{state_.pixelConstants, sizeof state_.pixelConstants,
                                      state_.pixelConstantsVersion}
                   : fixedFunction_->pixelBlock(state_, versions_);

            call.viewport = mapViewport(state_.viewport);
            call.scissor = mapScissor(state_.viewport, state_.scissor,
                                      state_.renderStates[D3DRS_SCISSORTESTENABLE] != 0);
            call.count = vertices;
            // On lavapipe a strip through the built-in vertex stage costs about
            // four times one through a host's shader, and merged strips cost
            // less; merged indexed strips through a host's shader cost more.
            call.joinStrips = !vs;
            if (source.kind == Primitive::Indexed)
            {
                call.indexBuffer = indices->buffer().handle();
                call.indexType = indexSize == 4 ? VK_INDEX_TYPE_UINT32 : VK_INDEX_TYPE_UINT16;
                call.first = source.startIndex;
                call.vertexOffset = source.baseVertex;
                call.vertexOffsets[0] = stream.offset;
                indices->buffer().markUsed();
            }
            renderer_->draw(call);
            if (!user)
                stream.buffer->buffer().markUsed();
            markRendered(*target);
            return D3D_OK;
        });
}

} // namespace swk::d3d9
