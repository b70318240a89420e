// The argument rules of the device's entry points, each a named check in the
// manner of a graphics API's validation layer. A broken rule returns its
// Direct3D error as before; with validation messages on (SWK_D3D9_VALIDATION=1
// or SWK_OPTION_VALIDATION) it also reports one line naming the entry point
// and the rule, for instance
//   CreateTexture: Width 20000 exceeds MaxTextureWidth 16384
#pragma once

#include <swk/DeviceOptions.h>

namespace swk::d3d9
{

// Each rule's message takes up to two unsigned values (%u, or %#x for flags).
#define SWK_D3D9_RULES(RULE)                                                                       \
    RULE(NullArgument, D3DERR_INVALIDCALL, "a required pointer is null")                           \
    RULE(SharedHandle, D3DERR_INVALIDCALL, "pSharedHandle must be null: no shared resources")      \
    RULE(ZeroSize, D3DERR_INVALIDCALL, "size %ux%u is empty")                                      \
    RULE(WidthAboveLimit, D3DERR_INVALIDCALL, "Width %u exceeds MaxTextureWidth %u")               \
    RULE(HeightAboveLimit, D3DERR_INVALIDCALL, "Height %u exceeds MaxTextureHeight %u")            \
    RULE(UnknownPool, D3DERR_INVALIDCALL, "Pool %u is not a D3DPOOL")                              \
    RULE(PoolNotAllowed, D3DERR_INVALIDCALL, "Pool %u is not allowed for this resource")           \
    RULE(UnknownUsage, D3DERR_INVALIDCALL, "Usage bits %#x are not allowed here")                  \
    RULE(UnknownFormat, D3DERR_INVALIDCALL, "Format %u is not one the device knows")               \
    RULE(DepthFormatNotAllowed, D3DERR_INVALIDCALL, "depth-stencil Format %u is not allowed here") \
    RULE(FormatNotSupported, D3DERR_INVALIDCALL,                                                   \
         "Format %u is not supported for usage %#x (CheckDeviceFormat)")                           \
    RULE(RenderTargetOutsideDefaultPool, D3DERR_INVALIDCALL,                                       \
         "D3DUSAGE_RENDERTARGET needs D3DPOOL_DEFAULT, not Pool %u")                               \
    RULE(DynamicInManagedPool, D3DERR_INVALIDCALL,                                                 \
         "D3DUSAGE_DYNAMIC is not allowed in D3DPOOL_MANAGED")                                     \
    RULE(TooManyLevels, D3DERR_INVALIDCALL, "Levels %u exceeds the full chain of %u")              \
    RULE(AutoGenWithLevels, D3DERR_INVALIDCALL,                                                    \
         "D3DUSAGE_AUTOGENMIPMAP needs Levels 0 or 1, not %u")                                     \
    RULE(ZeroLength, D3DERR_INVALIDCALL, "Length is 0")                                            \
    RULE(InvalidFvf, D3DERR_INVALIDCALL, "FVF %#x is not a vertex format the device knows")        \
    RULE(LengthBelowFvfStride, D3DERR_INVALIDCALL,                                                 \
         "Length %u is less than one vertex of %u bytes")                                          \
    RULE(IndexFormat, D3DERR_INVALIDCALL,                                                          \
         "Format %u is neither D3DFMT_INDEX16 nor D3DFMT_INDEX32")                                 \
    RULE(MultiSampling, D3DERR_NOTAVAILABLE, "multisample type %u quality %u is not available")    \
    RULE(PixelShadersUnsupported, D3DERR_INVALIDCALL, "the device has no pixel shaders")           \
    RULE(BadShaderBlob, D3DERR_INVALIDCALL, "pFunction is not a shader of this stage")             \
    RULE(SwapEffect, D3DERR_INVALIDCALL, "SwapEffect %u is not a D3DSWAPEFFECT")                   \
    RULE(BackBufferCount, D3DERR_INVALIDCALL, "BackBufferCount %u exceeds 3")                      \
    RULE(BackBufferWidthAboveLimit, D3DERR_INVALIDCALL,                                            \
         "BackBufferWidth %u exceeds MaxTextureWidth %u")                                          \
    RULE(BackBufferHeightAboveLimit, D3DERR_INVALIDCALL,                                           \
         "BackBufferHeight %u exceeds MaxTextureHeight %u")                                        \
    RULE(UnknownFormatFullScreen, D3DERR_INVALIDCALL,                                              \
         "BackBufferFormat D3DFMT_UNKNOWN needs a windowed device")                                \
    RULE(BackBufferFormat, D3DERR_INVALIDCALL,                                                     \
         "BackBufferFormat %u is not a render target format")                                      \
    RULE(AutoDepthStencilFormat, D3DERR_INVALIDCALL,                                               \
         "AutoDepthStencilFormat %u is not a depth-stencil format")                                \
    RULE(WindowOnOffscreenDevice, D3DERR_INVALIDCALL,                                              \
         "a window was named for a device created off-screen")                                     \
    RULE(DefaultPoolAlive, D3DERR_INVALIDCALL, "%u default-pool resources are still referenced")   \
    RULE(Adapter, D3DERR_INVALIDCALL, "Adapter %u does not exist")                                 \
    RULE(ModeIndex, D3DERR_INVALIDCALL, "Mode %u exceeds the %u modes")                            \
    RULE(VertexProcessing, D3DERR_INVALIDCALL,                                                     \
         "BehaviorFlags %#x name no single vertex processing mode")                                \
    RULE(SwapChainIndex, D3DERR_INVALIDCALL, "swap chain %u does not exist")                       \
    RULE(BackBufferIndex, D3DERR_INVALIDCALL, "back buffer %u of %u does not exist")               \
    RULE(BackBufferType, D3DERR_INVALIDCALL, "Type %u is not D3DBACKBUFFER_TYPE_MONO")             \
    RULE(BeginSceneInScene, D3DERR_INVALIDCALL, "called inside a scene")                           \
    RULE(EndSceneOutsideScene, D3DERR_INVALIDCALL, "called outside a scene")                       \
    RULE(RenderTargetIndex, D3DERR_INVALIDCALL,                                                    \
         "RenderTargetIndex %u exceeds NumSimultaneousRTs %u")                                     \
    RULE(NotRenderTarget, D3DERR_INVALIDCALL, "the surface is not a render target")                \
    RULE(NotDepthStencil, D3DERR_INVALIDCALL, "the surface is not a depth-stencil surface")        \
    RULE(SameSurface, D3DERR_INVALIDCALL, "source and destination are the same surface")           \
    RULE(ReadbackDestination, D3DERR_INVALIDCALL,                                                  \
         "the destination is not an unlocked D3DPOOL_SYSTEMMEM surface")                           \
    RULE(ReadbackMismatch, D3DERR_INVALIDCALL,                                                     \
         "the destination differs from the render target in size or format")                       \
    RULE(ColorFillSurface, D3DERR_INVALIDCALL,                                                     \
         "the surface is not a D3DPOOL_DEFAULT render target or plain surface")                    \
    RULE(RectOutsideSurface, D3DERR_INVALIDCALL,                                                   \
         "the rectangle is empty or outside the %ux%u surface")                                    \
    RULE(ViewportEmpty, D3DERR_INVALIDCALL, "viewport %ux%u is empty")                             \
    RULE(ViewportOutsideTarget, D3DERR_INVALIDCALL,                                                \
         "viewport reaches past the %ux%u render target")                                          \
    RULE(ViewportDepthRange, D3DERR_INVALIDCALL, "MinZ and MaxZ must lie in [0, 1]")               \
    RULE(ScissorInverted, D3DERR_INVALIDCALL, "the scissor rectangle is inverted")                 \
    RULE(ClearRects, D3DERR_INVALIDCALL, "Count %u with null pRects")                              \
    RULE(ClearFlags, D3DERR_INVALIDCALL, "Flags %#x are empty or unknown")                         \
    RULE(ClearWithoutDepth, D3DERR_INVALIDCALL,                                                    \
         "Flags %#x clear depth or stencil the bound depth-stencil surface lacks")                 \
    RULE(ClearDepthRange, D3DERR_INVALIDCALL, "Z must lie in [0, 1]")                              \
    RULE(DrawOutsideScene, D3DERR_INVALIDCALL, "draws happen between BeginScene and EndScene")     \
    RULE(PrimitiveType, D3DERR_INVALIDCALL,                                                        \
         "PrimitiveType %u with %u primitives draws nothing valid")                                \
    RULE(NoVertexFormat, D3DERR_INVALIDCALL, "no FVF is set (FVF %#x)")                            \
    RULE(NoStreamSource, D3DERR_INVALIDCALL, "stream 0 has no vertex buffer or stride")            \
    RULE(ZeroStride, D3DERR_INVALIDCALL, "VertexStreamZeroStride is 0")                            \
    RULE(NoIndices, D3DERR_INVALIDCALL, "no index buffer is set")                                  \
    RULE(IndicesPastEnd, D3DERR_INVALIDCALL, "indices reach past the end of the index buffer")     \
    RULE(VerticesPastEnd, D3DERR_INVALIDCALL, "vertices reach past the end of the vertex buffer")  \
    RULE(LockNotLockable, D3DERR_INVALIDCALL, "the surface cannot be locked")                      \
    RULE(LockAlreadyLocked, D3DERR_INVALIDCALL, "the surface is already locked")                   \
    RULE(UnlockNotLocked, D3DERR_INVALIDCALL, "nothing is locked")                                 \
    RULE(LevelIndex, D3DERR_INVALIDCALL, "Level %u exceeds the %u levels")                         \
    RULE(BufferRange, D3DERR_INVALIDCALL, "offset %u and size %u reach past the buffer")           \
    RULE(AutoGenFilter, D3DERR_INVALIDCALL, "FilterType %u is not point or linear, or no autogen") \
    RULE(StateType, D3DERR_INVALIDCALL, "state %u is not one of this call's types")                \
    RULE(StageIndex, D3DERR_INVALIDCALL, "stage or sampler %u does not exist")                     \
    RULE(SystemMemoryTexture, D3DERR_INVALIDCALL, "D3DPOOL_SYSTEMMEM textures cannot be sampled")  \
    RULE(ConstantRange, D3DERR_INVALIDCALL, "registers %u to %u exceed the constant file")         \
    RULE(StreamIndex, D3DERR_INVALIDCALL, "stream %u does not exist")                              \
    RULE(BufferTooSmall, D3DERR_INVALIDCALL, "the buffer holds %u bytes, %u are needed")

enum class Rule
{
#define SWK_D3D9_RULE_NAME(name, code, message) name,
    SWK_D3D9_RULES(SWK_D3D9_RULE_NAME)
#undef SWK_D3D9_RULE_NAME
};

class Validation
{
public:
    Validation() = default;
    Validation(bool messages, SWK_VALIDATION_CALLBACK callback, void* userData)
        : messages_(messages), callback_(callback), userData_(userData)
    {
    }

    // The rule's Direct3D error, after its line when messages are on.
    HRESULT refuse(const char* entryPoint, Rule rule, unsigned a = 0, unsigned b = 0) const;
    bool messages() const { return messages_; }

private:
    bool messages_ = false;
    SWK_VALIDATION_CALLBACK callback_ = nullptr;
    void* userData_ = nullptr;
};

} // namespace swk::d3d9
