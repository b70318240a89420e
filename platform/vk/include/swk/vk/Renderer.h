// What a device front end draws with: resources, render targets, clears,
// draws, uploads, mip generation and readback, recorded on one command stream
// with the caches that keep a steady frame from creating Vulkan objects.
#pragma once

#include "Buffer.h"
#include "CommandStream.h"
#include "Context.h"
#include "FramebufferCache.h"
#include "Image.h"
#include "PipelineCache.h"
#include "PipelineLayout.h"
#include "Presenter.h"
#include "Readback.h"
#include "RenderPassCache.h"
#include "SamplerCache.h"
#include "ShaderModule.h"

#include <memory>
#include <vector>

namespace swk::vk
{

struct TextureBinding
{
    Image* image = nullptr; // null: a black texture with alpha 1
    SamplerKey sampler;
};

// Bytes for one of the two uniform blocks. version changes whenever the
// contents do, so that unchanged blocks are not copied again.
struct UniformBlock
{
    const void* data = nullptr;
    uint32_t size = 0;
    uint64_t version = 0;
};

struct DrawCall
{
    PipelineState state; // shader ids and attachment formats are filled in by draw()
    const ShaderModule* vertexShader = nullptr;
    const ShaderModule* fragmentShader = nullptr;
    VkBuffer vertexBuffers[kMaxVertexBindings] = {};
    VkDeviceSize vertexOffsets[kMaxVertexBindings] = {};
    VkBuffer indexBuffer = VK_NULL_HANDLE;
    VkDeviceSize indexOffset = 0;
    VkIndexType indexType = VK_INDEX_TYPE_UINT16;
    UniformBlock uniforms[kUniformBlocks];
    TextureBinding textures[kSamplerSlots];
    VkViewport viewport{};
    VkRect2D scissor{};
    uint32_t stencilReference = 0;
    uint32_t stencilCompareMask = 0xffffffff;
    uint32_t stencilWriteMask = 0xffffffff;
    float blendConstants[4] = {1, 1, 1, 1};
    uint32_t count = 0; // vertices, or indices when indexBuffer is set
    uint32_t first = 0;
    int32_t vertexOffset = 0; // added to each index
    // May be held back and merged with the next strips (see Renderer::draw):
    // worth it where a draw costs the driver more than the indices it adds.
    bool joinStrips = false;
};

struct ClearValues
{
    bool color = false;
    VkClearColorValue colorValue{};
    bool depth = false;
    float depthValue = 1.0f;
    bool stencil = false;
    uint32_t stencilValue = 0;
};

class Renderer
{
public:
    explicit Renderer(std::shared_ptr<Context> ctx);
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    Context& context() { return *ctx_; }
    CommandStream& stream() { return stream_; }

    std::shared_ptr<Image> createImage(const ImageDesc& desc);
    std::shared_ptr<Buffer> createBuffer(VkDeviceSize size, VkBufferUsageFlags usage,
                                         MemoryKind kind, const char* name);
    std::shared_ptr<ShaderModule> createShader(const uint32_t* words, size_t count,
                                               const char* name);
    // Releases objects that recorded or submitted work may still use.
    void release(std::shared_ptr<Image> image);
    void release(std::shared_ptr<Buffer> buffer);
    void release(std::shared_ptr<ShaderModule> shader);

    // A single vertex (0, 0, 0, 1) for shader inputs that no vertex element feeds.
    VkBuffer defaultVertexBuffer() const { return defaultVertex_->handle(); }

    void setTargets(Image* color, uint32_t level, Image* depth);
    // Rectangles are in pixels of the colour target and must lie inside it.
    void clear(const VkRect2D* rects, uint32_t count, const ClearValues& values);
    // Consecutive strip draws marked joinStrips that differ only in where their
    // vertices start in the same buffer are held back and recorded as one
    // indexed draw, the strips cut apart by primitive restart: the same
    // primitives in the same order. Anything else recorded, and every
    // submission, comes after them.
    // SWK_VK_MERGE_STRIPS=0 in the environment records each draw on its own.
    void draw(const DrawCall& call);

    void upload(Image& image, uint32_t level, VkOffset2D offset, VkExtent2D extent,
                uint32_t bytesPerTexel, const void* data, size_t pitch);
    void generateMips(Image& image, VkFilter filter);
    void read(Image& image, uint32_t level, uint32_t bytesPerTexel, void* dst, size_t pitch);

    // Submits what has been recorded and shows level 0 of image through presenter.
    PresentResult present(Presenter& presenter, Image& image);
    // Submits what has been recorded without waiting for it.
    void flush();
    // Waits until the GPU is done with everything recorded so far.
    void finish();
    uint64_t currentSerial() const { return stream_.currentSerial(); }
    void waitFor(uint64_t serial);

    struct Counters
    {
        size_t pipelines, samplers, framebuffers;
        uint64_t draws; // Vulkan draws recorded
    };
    Counters counters() const;

private:
    void endPass();
    void beginPass();
    struct UniformSlices
    {
        VkBuffer buffers[kUniformBlocks];
        uint32_t offsets[kUniformBlocks];
    };
    // Copies changed uniform blocks now, so a held-back draw keeps the values
    // it was given.
    UniformSlices uniformSlices(const DrawCall& call);
    bool joinsStrips(const DrawCall& call, const UniformSlices& uniforms) const;
    void flushStrips();
    void record(const DrawCall& call, const UniformSlices& uniforms);
    VkDescriptorSet descriptorSet(const DrawCall& call,
                                  const VkBuffer uniformBuffers[kUniformBlocks]);
    void initDefaults();

    std::shared_ptr<Context> ctx_;
    CommandStream stream_;
    PipelineLayout layout_;
    SamplerCache samplers_;
    RenderPassCache passes_;
    FramebufferCache framebuffers_;
    PipelineCache pipelines_;
    Readback readback_;
    std::shared_ptr<Image> blackImage_;
    std::shared_ptr<Buffer> defaultVertex_;

    Image* color_ = nullptr;
    uint32_t colorLevel_ = 0;
    Image* depth_ = nullptr;
    bool inPass_ = false;
    VkRenderPass pass_ = VK_NULL_HANDLE;

    // What is bound in the open frame, to skip redundant binds.
    uint64_t boundSerial_ = 0;
    VkPipeline boundPipeline_ = VK_NULL_HANDLE;
    struct UniformCache
    {
        uint64_t version = 0;
        uint64_t serial = 0;
        VkBuffer buffer = VK_NULL_HANDLE;
        uint32_t offset = 0;
    } uniformCache_[kUniformBlocks];
    struct SetContents
    {
        VkBuffer uniform[kUniformBlocks];
        VkImageView views[kSamplerSlots];
        VkSampler samplers[kSamplerSlots];
    } setContents_{};
    VkDescriptorSet set_ = VK_NULL_HANDLE;
    uint64_t setSerial_ = 0;
    VkDescriptorSet boundSet_ = VK_NULL_HANDLE;
    uint32_t boundOffsets_[kUniformBlocks] = {};

    struct Strip
    {
        VkDeviceSize offset; // of the strip's vertex buffer binding 0
        uint32_t first;
        uint32_t count;
    };
    DrawCall stripCall_;
    UniformSlices stripUniforms_{};
    std::vector<Strip> strips_; // held back; kept allocated between frames
    bool mergeStrips_ = true;
    uint64_t draws_ = 0;
};

} // namespace swk::vk
