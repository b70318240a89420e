#include "Bake.h"

#include "FrameWriter.h"
#include "Progress.h"

#include "../common/AtomicFile.h"
#include "../common/MapReadback.h"
#include "../common/ToolError.h"

#include <WaveGenerator.h>
#include <swk/RandSequence.h>

#include <nlohmann/json.hpp>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace swk::tools
{

namespace
{

bool ClassHasHeightMap(DeviceClass deviceClass)
{
    return deviceClass == DeviceClass::PixelShader20;
}

void Validate(const BakeOptions& o)
{
    if (o.loop < 0 || o.loop > o.frames)
        throw ToolError("--loop: " + std::to_string(o.loop) + " frames to cross-fade, but only " +
                            std::to_string(o.frames) + " are baked",
                        kExitUsage);
    if (o.atlasColumns > 0 && int64_t(o.atlasColumns) * o.atlasRows < o.frames)
        throw ToolError("--atlas: " + std::to_string(o.atlasColumns) + "x" +
                            std::to_string(o.atlasRows) + " holds fewer than the " +
                            std::to_string(o.frames) + " frames baked",
                        kExitUsage);
    if (int64_t(o.atlasColumns) * o.width > 16384 || int64_t(o.atlasRows) * o.height > 16384)
        throw ToolError("--atlas: the flipbook would be wider or taller than 16384 pixels",
                        kExitUsage);
    if (!o.heightMaps && !o.normalMaps && !o.previews)
        throw ToolError("--maps: nothing to bake", kExitUsage);
}

// The folder exists and takes files, and no planned file is in the way.
void PrepareFolder(const BakeOptions& o)
{
    std::error_code error;
    fs::create_directories(o.out, error);
    if (error || !fs::is_directory(o.out))
        throw ToolError("--out: cannot create the folder " + o.out +
                        (error ? ": " + error.message() : std::string()));
    if (::access(o.out.c_str(), W_OK | X_OK) != 0)
        throw ToolError("--out: the folder " + o.out + " cannot be written to");
    if (o.force)
        return;
    for (const std::string& name : PlannedFiles(o))
        if (fs::exists(fs::path(o.out) / name))
            throw ToolError((fs::path(o.out) / name).string() +
                            " already exists (--force overwrites)");
}

void WriteSideFile(const BakeOptions& o, const BakeResult& r, D3DFORMAT mapFormat, float heightMin,
                   float heightMax, const std::vector<uint32_t>& frameMs)
{
    const char* ext = Extension(o.format);
    const bool png = o.format == ImageFormat::Png;
    nlohmann::json maps = nlohmann::json::object();
    if (o.heightMaps && r.heightMap)
        maps["height"] = {{"files", std::string("height_%04d") + ext},
                          {"encoding", png ? "16-bit grey, the map's own 16-bit values"
                                           : "32-bit float channel Y"}};
    if (o.normalMaps)
        maps["normal"] = {{"files", std::string("normal_%04d") + ext},
                          {"encoding", png ? "8-bit RGB, (n + 1) / 2" : "half RGB, (n + 1) / 2"},
                          {"green", o.normalYUp ? "up" : "down"},
                          {"tiles", o.tile && r.heightMap}};
    if (o.previews)
        maps["preview"] = {{"files", std::string("preview_%04d") + ext},
                           {"animation", "preview.gif"}};
    nlohmann::json side = {
        {"command_line", o.commandLine},
        {"seed", r.seed},
        {"rand", o.msvcrtRand ? "msvcrt" : "c"},
        {"device_class", DeviceClassName(o.deviceClass)},
        {"requested_size", {o.width, o.height}},
        {"size", {r.width, r.height}},
        {"map_format", FormatName(mapFormat)},
        {"frames", o.frames},
        {"fps", o.fps},
        {"speed", o.speed},
        {"start_seconds", o.start},
        {"loop_frames", o.loop},
        {"maps", maps},
        {"height_range",
         r.heightMap ? nlohmann::json{heightMin, heightMax} : nlohmann::json(nullptr)},
        {"frame_elapsed_ms", frameMs},
        {"timing_ms_per_frame", {{"generator", r.generatorMs}, {"writing", r.writingMs}}},
    };
    if (o.atlasColumns > 0)
        side["atlas"] = {{"columns", o.atlasColumns},
                         {"rows", o.atlasRows},
                         {"order", "row by row from the top left"},
                         {"files", std::string("<map>_atlas") + ext}};
    AtomicFile file((fs::path(o.out) / "bake.json").string());
    {
        std::ofstream out(file.temporaryPath());
        out << side.dump(2) << '\n';
        if (!out.flush())
            throw ToolError("cannot write " + file.temporaryPath());
    }
    file.commit();
}

} // namespace

std::vector<std::string> PlannedFiles(const BakeOptions& o)
{
    std::vector<std::string> files;
    const char* ext = Extension(o.format);
    const bool wanted[3] = {o.heightMaps && ClassHasHeightMap(o.deviceClass), o.normalMaps,
                            o.previews};
    const char* names[3] = {"height", "normal", "preview"};
    for (int map = 0; map < 3; ++map)
    {
        if (!wanted[map])
            continue;
        for (int k = 0; k < o.frames; ++k)
        {
            char name[64];
            std::snprintf(name, sizeof name, "%s_%04d%s", names[map], k, ext);
            files.push_back(name);
        }
        if (o.atlasColumns > 0)
            files.push_back(std::string(names[map]) + "_atlas" + ext);
    }
    if (o.previews)
        files.push_back("preview.gif");
    files.push_back("bake.json");
    return files;
}

BakeResult RunBake(const BakeOptions& o)
{
    const auto begun = std::chrono::steady_clock::now();
    Validate(o);
    PrepareFolder(o);
    HeadlessDevice device(o.deviceClass);

    BakeResult r;
    r.seed = o.seed ? *o.seed : std::random_device{}();
    // The generator draws its noise volume from rand() while it is built.
    if (!swk::win32::SetRandSequence(o.msvcrtRand ? swk::win32::RandSequence::Msvcrt
                                                  : swk::win32::RandSequence::CLibrary))
        throw ToolError("--rand: rand() in this process is not the platform layer's");
    std::srand(r.seed);
    CWaveGenerator water(device.get(), o.width, o.height);
    water.SetSpeed(o.speed);
    if (!water.GetNormalMap())
        throw ToolError("the generator could not create its maps on this device");
    r.heightMap = water.GetHeightMap() != nullptr;
    if (r.heightMap != ClassHasHeightMap(o.deviceClass))
        throw ToolError("the device gave the generator an unexpected path");
    if (!r.heightMap && o.heightMaps && !o.quiet)
        std::fprintf(stderr,
                     "swellkit bake: the %s device class has no height map; "
                     "no height files are written\n",
                     DeviceClassName(o.deviceClass));
    if (!r.heightMap && o.tile && !o.quiet)
        std::fprintf(stderr,
                     "swellkit bake: --tile needs a height map; the %s normal maps are the "
                     "generator's own\n",
                     DeviceClassName(o.deviceClass));

    MapReadback normals(device.get(), water.GetNormalMap());
    std::unique_ptr<MapReadback> heights;
    if (r.heightMap)
        heights = std::make_unique<MapReadback>(device.get(), water.GetHeightMap());
    r.width = int(normals.width());
    r.height = int(normals.height());

    int64_t clockFrame = 0;
    std::vector<uint32_t> frameMs;
    auto render = [&](Frame& frame)
    {
        const uint32_t ms = FrameMilliseconds(clockFrame++, o.fps);
        water.Update(ms);
        frameMs.push_back(ms);
        if (heights)
            heights->read(water.GetHeightMap(), 1, &frame.heights);
        normals.read(water.GetNormalMap(), 3, &frame.normals);
    };

    if (o.start > 0)
        water.Update(DWORD(std::llround(o.start * 1000.0)));
    // The frames just before frame 0, which the last frames fade into.
    std::vector<Frame> lead(size_t(o.loop));
    for (Frame& frame : lead)
    {
        ThrowIfInterrupted();
        render(frame);
    }
    frameMs.clear();

    const auto loopBegun = std::chrono::steady_clock::now();
    Progress progress(o.frames, o.quiet);
    FrameWriter writer(o, r.width, r.height, r.heightMap, lead);
    for (int k = 0; k < o.frames; ++k)
    {
        ThrowIfInterrupted();
        Frame& frame = writer.acquire();
        const auto t0 = std::chrono::steady_clock::now();
        render(frame);
        r.generatorMs +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                .count();
        frame.index = k;
        writer.submit(frame);
        progress.advance(k + 1);
    }
    writer.finish();
    progress.finish();
    r.loopSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - loopBegun).count();

    r.generatorMs /= o.frames;
    r.writingMs = writer.writingMs() / o.frames;
    r.files = PlannedFiles(o);
    WriteSideFile(o, r, normals.format(), writer.heightMin(), writer.heightMax(), frameMs);
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
    return r;
}

std::string Summary(const BakeOptions& o, const BakeResult& r)
{
    char line[512];
    std::snprintf(line, sizeof line,
                  "baked %d frames of %dx%d on %s, seed %u: generator %.2f ms/frame, "
                  "writing %.2f ms/frame, %.1f s in all; files in %s",
                  o.frames, r.width, r.height, DeviceClassName(o.deviceClass), r.seed,
                  r.generatorMs, r.writingMs, r.seconds, o.out.c_str());
    return line;
}

} // namespace swk::tools
