// The backend on the machine's Vulkan device: strip merging, deferred release
// and the caches that keep a steady frame from creating objects. Transfers,
// mip chains and size limits are checked through the device (tests/d3d9).
#include "Glsl.h"

#include "swk/vk/Error.h"
#include "swk/vk/Renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <tuple>

namespace swk::vk
{
namespace
{

std::shared_ptr<Image> image(Renderer& renderer, uint32_t w, uint32_t h, uint32_t levels,
                             VkImageUsageFlags extra = 0)
{
    const VkImageUsageFlags usage = VK_IMAGE_USAGE_SAMPLED_BIT | VK_IMAGE_USAGE_TRANSFER_SRC_BIT |
                                    VK_IMAGE_USAGE_TRANSFER_DST_BIT | extra;
    return renderer.createImage({w, h, levels, VK_FORMAT_R8G8B8A8_UNORM, usage, {}, "test"});
}

std::shared_ptr<ShaderModule> shader(Renderer& renderer, test::GlslStage stage, const char* glsl)
{
    const auto words = test::compileGlsl(glsl, stage);
    return renderer.createShader(words.data(), words.size(), "test");
}

// Binds target alone and clears all of it.
void clearTarget(Renderer& renderer, Image& target, VkRect2D all)
{
    renderer.setTargets(&target, 0, nullptr);
    ClearValues clear;
    clear.color = true;
    renderer.clear(&all, 1, clear);
}

// A draw from one buffer of vec2 positions, each followed by a vec4 colour
// when coloured, scissored to area.
DrawCall drawCall(const ShaderModule& vs, const ShaderModule& fs, const Buffer& vertices,
                  bool coloured, VkRect2D area)
{
    DrawCall call;
    call.vertexShader = &vs;
    call.fragmentShader = &fs;
    call.state.bindingCount = 1;
    call.state.strides[0] = coloured ? 6 * sizeof(float) : 2 * sizeof(float);
    call.state.attributeCount = coloured ? 2 : 1;
    call.state.attributes[0] = {0, 0, VK_FORMAT_R32G32_SFLOAT, 0};
    call.state.attributes[1] = {1, 0, VK_FORMAT_R32G32B32A32_SFLOAT, 8};
    call.vertexBuffers[0] = vertices.handle();
    call.scissor = area;
    return call;
}

class RendererTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { context_ = Context::create({}); }
    static void TearDownTestSuite() { context_.reset(); }
    void SetUp() override { renderer_ = std::make_unique<Renderer>(context_); }
    void TearDown() override { renderer_.reset(); }

    static std::shared_ptr<Context> context_;
    std::unique_ptr<Renderer> renderer_;
};

std::shared_ptr<Context> RendererTest::context_;

TEST_F(RendererTest, SteadyFramesCreateNoVulkanObjects)
{
    auto vs = shader(*renderer_, test::GlslStage::Vertex, R"(#version 450
layout(location = 0) in vec2 position;
void main() { gl_Position = vec4(position, 0.0, 1.0); }
)");
    auto fs = shader(*renderer_, test::GlslStage::Fragment, R"(#version 450
layout(set = 0, binding = 1, std140) uniform Pixel { vec4 c0; } ps;
layout(set = 0, binding = 2) uniform sampler2D image;
layout(location = 0) out vec4 color;
void main() { color = texture(image, gl_FragCoord.xy / 16.0) + ps.c0; }
)");
    auto target =
        image(*renderer_, 16, 16, fullMipCount(16, 16), VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT);
    auto source = image(*renderer_, 16, 16, 1);
    std::vector<uint32_t> texels(16 * 16, 0xff204060);
    std::vector<uint32_t> out(16 * 16);
    auto vertices = renderer_->createBuffer(6 * 8, VK_BUFFER_USAGE_VERTEX_BUFFER_BIT,
                                            MemoryKind::Upload, "quad");
    const float quad[12] = {-1, -1, 1, -1, -1, 1, -1, 1, 1, -1, 1, 1};
    std::memcpy(vertices->mapped(), quad, sizeof quad);

    const VkRect2D all{{0, 0}, {16, 16}};
    DrawCall call = drawCall(*vs, *fs, *vertices, false, all);
    float constants[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    call.uniforms[1] = {constants, sizeof constants, 1};
    call.textures[0].image = source.get();
    call.textures[0].sampler.minFilter = VK_FILTER_LINEAR;
    call.viewport = {0.5f, 16.5f, 16, -16, 0, 1};
    call.count = 6;
    auto frame = [&]
    {
        renderer_->upload(*source, 0, {0, 0}, {16, 16}, 4, texels.data(), 64);
        clearTarget(*renderer_, *target, all);
        constants[0] += 1.0f / 255;
        ++call.uniforms[1].version;
        renderer_->draw(call);
        renderer_->generateMips(*target, VK_FILTER_LINEAR);
        renderer_->read(*target, 0, 4, out.data(), 64);
    };
    frame();
    frame();
    const Renderer::Counters warm = renderer_->counters();
    for (int i = 0; i < 5; ++i)
        frame();
    const Renderer::Counters after = renderer_->counters();
    EXPECT_EQ(std::tie(after.pipelines, after.samplers, after.framebuffers),
              std::tie(warm.pipelines, warm.samplers, warm.framebuffers));
    EXPECT_EQ(warm.pipelines, 1u);
    EXPECT_EQ(out[0], 0xff204067u) << "the constant grew by one unit in each of seven frames";
}

// Overlapping strips of uneven lengths over a jittered grid, coloured per
// vertex; splits[i] says what changes before strip i.
enum Split
{
    kKeep,
    kNewUniformVersion, // same values, new version
    kScissor,
};

struct StripFrame
{
    std::vector<uint32_t> pixels;
    uint64_t draws;
};

StripFrame drawStrips(Renderer& renderer, const std::vector<Split>& splits)
{
    auto vs = shader(renderer, test::GlslStage::Vertex, R"(#version 450
layout(location = 0) in vec2 position;
layout(location = 1) in vec4 colour;
layout(location = 0) out vec4 shade;
void main() { gl_Position = vec4(position, 0.0, 1.0); shade = colour; }
)");
    auto fs = shader(renderer, test::GlslStage::Fragment, R"(#version 450
layout(set = 0, binding = 1, std140) uniform Pixel { vec4 c0; } ps;
layout(location = 0) in vec4 shade;
layout(location = 0) out vec4 color;
void main() { color = shade + ps.c0; }
)");
    auto target = image(renderer, 40, 40, 1, VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT);

    constexpr uint32_t kColumns = 9, kStride = 6 * sizeof(float);
    const uint32_t rows = uint32_t(splits.size());
    auto vertices =
        renderer.createBuffer(rows * 2 * kColumns * kStride, VK_BUFFER_USAGE_VERTEX_BUFFER_BIT,
                              MemoryKind::Upload, "strips");
    std::mt19937 random(11);
    std::uniform_real_distribution<float> jitter(-0.08f, 0.08f), unit(0.0f, 1.0f);
    auto* v = reinterpret_cast<float*>(vertices->mapped());
    for (uint32_t row = 0; row < rows; ++row)
        for (uint32_t i = 0; i < 2 * kColumns; ++i, v += 6)
        {
            // Rows overlap their neighbours, so the order of triangles shows.
            v[0] = -1.0f + 2.0f * float(i / 2) / (kColumns - 1) + jitter(random);
            v[1] = -1.0f + 2.0f * (float(row) + 1.6f * float(i % 2)) / float(rows) + jitter(random);
            for (int c = 2; c < 6; ++c)
                v[c] = unit(random);
        }

    const VkRect2D all{{0, 0}, {40, 40}};
    clearTarget(renderer, *target, all);
    const uint64_t before = renderer.counters().draws;
    const float constants[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    DrawCall call = drawCall(*vs, *fs, *vertices, true, all);
    call.state.topology = VK_PRIMITIVE_TOPOLOGY_TRIANGLE_STRIP;
    call.uniforms[1] = {constants, sizeof constants, 1};
    call.viewport = {0, 0, 40, 40, 0, 1};
    call.joinStrips = true;
    for (uint32_t row = 0; row < rows; ++row)
    {
        if (splits[row] == kNewUniformVersion)
            ++call.uniforms[1].version;
        if (splits[row] == kScissor)
            call.scissor = call.scissor.extent.width == 40 ? VkRect2D{{3, 5}, {30, 31}} : all;
        // Odd rows start one vertex late, so strips of both parities follow each other.
        call.vertexOffsets[0] = VkDeviceSize(row * 2 * kColumns + row % 2) * kStride;
        call.count = 2 * kColumns - row % 2;
        renderer.draw(call);
    }
    StripFrame frame{std::vector<uint32_t>(40 * 40), 0};
    renderer.read(*target, 0, 4, frame.pixels.data(), 40 * 4);
    frame.draws = renderer.counters().draws - before;
    renderer.release(std::move(target));
    renderer.release(std::move(vertices));
    renderer.release(std::move(vs));
    renderer.release(std::move(fs));
    return frame;
}

TEST_F(RendererTest, ConsecutiveStripsAreOneDrawRasterisedAsSeparateDrawsAre)
{
    struct Case
    {
        std::vector<Split> splits;
        uint64_t draws;
    };
    const Case cases[] = {
        {{kKeep, kKeep, kKeep, kKeep, kKeep, kKeep, kKeep}, 1},
        {{kKeep, kKeep, kNewUniformVersion, kKeep, kKeep}, 2},
        {{kKeep, kScissor, kKeep, kScissor, kKeep, kKeep}, 3},
    };
    setenv("SWK_VK_MERGE_STRIPS", "0", 1);
    Renderer separate(context_);
    unsetenv("SWK_VK_MERGE_STRIPS");
    for (const Case& c : cases)
    {
        const StripFrame merged = drawStrips(*renderer_, c.splits);
        const StripFrame reference = drawStrips(separate, c.splits);
        EXPECT_EQ(reference.draws, c.splits.size());
        EXPECT_EQ(merged.draws, c.draws);
        EXPECT_EQ(merged.pixels, reference.pixels) << c.splits.size() << " strips";
        EXPECT_NE(std::count(merged.pixels.begin(), merged.pixels.end(), 0u), 40 * 40)
            << "the strips drew nothing";
    }
}

TEST_F(RendererTest, ObjectsReleasedWhileInUseOutliveTheirWork)
{
    auto img = image(*renderer_, 64, 64, 1, VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT);
    const VkRect2D all{{0, 0}, {64, 64}};
    clearTarget(*renderer_, *img, all);
    renderer_->release(std::move(img));
    renderer_->flush();
    renderer_->finish();
    ClearValues clear;
    clear.color = true;
    EXPECT_THROW(renderer_->clear(&all, 1, clear), Error) << "the target went with the image";
    // Out-of-range buffer reads stay inside their buffer wherever the device can.
    VkPhysicalDeviceFeatures offered{};
    vkGetPhysicalDeviceFeatures(context_->physicalDevice(), &offered);
    EXPECT_EQ(context_->features().robustBufferAccess, offered.robustBufferAccess);
}

} // namespace
} // namespace swk::vk
