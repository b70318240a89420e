// What one bake is asked to do, as the command line gives it.
#pragma once

#include "../common/Device.h"
#include "../common/ImageFiles.h"

#include <cstdint>
#include <optional>
#include <string>

namespace swk::tools
{

struct BakeOptions
{
    int width = 256;
    int height = 256;
    int frames = 60;
    double fps = 30;
    float speed = 1.0f;
    double start = 0;             // seconds the clock runs before frame 0
    std::optional<uint32_t> seed; // drawn at random when not given
    bool msvcrtRand = false;      // rand() follows msvcrt's sequence: a Windows build's water
    DeviceClass deviceClass = DeviceClass::PixelShader20;
    bool heightMaps = true;
    bool normalMaps = true;
    bool previews = true;
    std::string out = "out";
    bool force = false;
    ImageFormat format = ImageFormat::Png;
    bool normalYUp = false; // green flipped from the generator's own
    bool tile = false;
    int loop = 0;         // frames cross-faded into the first ones
    int atlasColumns = 0; // 0: no atlas
    int atlasRows = 0;
    bool quiet = false;
    std::string commandLine; // recorded in bake.json
};

// Parses "WxH" with both in [lo, hi]; nullopt otherwise.
std::optional<std::pair<int, int>> ParseExtent(const std::string& text, int lo, int hi);

// The milliseconds frame k passes to Update at fps frames per second: the
// difference of the rounded clock, so the sum over frames 0..k stays within
// half a millisecond of (k + 1) * 1000 / fps however long the bake runs.
uint32_t FrameMilliseconds(int64_t k, double fps);

} // namespace swk::tools
