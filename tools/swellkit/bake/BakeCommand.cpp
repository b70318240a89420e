#include "../Commands.h"

#include "Bake.h"

#include "../common/AtomicFile.h"
#include "../common/ToolError.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

namespace
{

using swk::tools::BakeOptions;
using swk::tools::kExitUsage;
using swk::tools::ToolError;

const char* const kFooter = R"(Outputs, numbered from 0000 in --out:
  height_NNNN  the height map: 16-bit grey PNG holding the map's own values, or
               a 32-bit float EXR (only on ps20; ps11 and fixed have none)
  normal_NNNN  the normal map, (n + 1) / 2: 8-bit RGB PNG or half-float RGB EXR
               (on fixed, the generator leaves its last column white)
  preview_NNNN and preview.gif   the water lit by a sun and a sky
  <map>_atlas  with --atlas, every frame of a map in one image, row by row
  bake.json    the command line, seed, size, device class, formats, value
               range and the milliseconds each frame passed to the generator

--normal-y: down (default) keeps the generator's own normals, whose green
  grows towards the bottom of the image (the convention of Direct3D engines);
  up flips green only, for engines whose normal maps have green pointing up.
--tile: the generator derives its normals with mirrored borders, so its normal
  map shows seams when tiled; with --tile the normals are derived again from
  the height map with wrapped borders and tile exactly like the heights.
--loop K: renders K extra frames before frame 0 and cross-fades the last K
  frames into them, so frame N-1 leads into frame 0 like any two neighbours.
  During the fade the two motions overlap: the waves soften by up to a third
  in the middle of the fade and the motion there is a blend, not a flow.

Examples:
  swellkit bake                                  60 frames of 256x256 into ./out
  swellkit bake --size 512x512 --frames 120 --fps 60 --seed 7 --out sea
  swellkit bake --tile --loop 30 --atlas 8x8 --frames 64 --maps height,normal
  swellkit bake --format exr --normal-y up --force
  swellkit bake --device-class ps11 --out sea_ps11   (CPU normals, no height map)

Exit status: 0 done, 1 the work failed (no Vulkan device, a folder or file
that cannot be written, a file in the way without --force), 2 bad command
line, 130 interrupted. No file ever appears incomplete under its final name.)";

std::string ReadCommandLine()
{
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (char& c : text)
        if (c == '\0')
            c = ' ';
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

struct BakeArguments
{
    BakeOptions options;
    std::string size = "256x256";
    std::string deviceClass = "ps20";
    std::vector<std::string> maps = {"height", "normal", "preview"};
    std::string format = "png";
    std::string normalY = "down";
    std::string atlas;
    uint32_t seed = 0;
    CLI::Option* seedOption = nullptr;
    std::string rand = "c";
};

void Run(BakeArguments& a)
{
    BakeOptions& o = a.options;
    const auto size = swk::tools::ParseExtent(a.size, 4, 4096);
    if (!size)
        throw ToolError("--size: '" + a.size + "' is not WxH with both from 4 to 4096", kExitUsage);
    o.width = size->first;
    o.height = size->second;
    if (!a.atlas.empty())
    {
        const auto grid = swk::tools::ParseExtent(a.atlas, 1, 256);
        if (!grid)
            throw ToolError("--atlas: '" + a.atlas + "' is not COLSxROWS with both from 1 to 256",
                            kExitUsage);
        o.atlasColumns = grid->first;
        o.atlasRows = grid->second;
    }
    o.deviceClass = *swk::tools::ParseDeviceClass(a.deviceClass);
    o.heightMaps = o.normalMaps = o.previews = false;
    for (const std::string& map : a.maps)
        (map == "height" ? o.heightMaps : map == "normal" ? o.normalMaps : o.previews) = true;
    o.format = a.format == "exr" ? swk::tools::ImageFormat::Exr : swk::tools::ImageFormat::Png;
    o.normalYUp = a.normalY == "up";
    if (*a.seedOption)
        o.seed = a.seed;
    o.msvcrtRand = a.rand == "msvcrt";
    o.commandLine = ReadCommandLine();

    swk::tools::InstallInterruptHandler();
    const swk::tools::BakeResult result = swk::tools::RunBake(o);
    if (!o.quiet)
        std::printf("%s\n", swk::tools::Summary(o, result).c_str());
}

} // namespace

void AddBakeCommand(CLI::App& app)
{
    auto arguments = std::make_shared<BakeArguments>();
    BakeArguments& a = *arguments;
    BakeOptions& o = a.options;
    CLI::App* bake = app.add_subcommand(
        "bake", "Run the water generator frame by frame and write its maps as image sequences.");
    bake->footer(kFooter);
    bake->add_option("--size", a.size, "requested map size (halved on ps11, quartered on fixed)")
        ->type_name("WxH")
        ->capture_default_str();
    bake->add_option("--frames", o.frames, "frames to write")
        ->check(CLI::Range(1, 1000000))
        ->capture_default_str();
    bake->add_option("--fps", o.fps, "frames per second of the clock the generator sees")
        ->check(CLI::Range(0.01, 1000.0))
        ->capture_default_str();
    bake->add_option("--speed", o.speed, "animation speed factor")
        ->check(CLI::Range(0.0, 1000.0))
        ->capture_default_str();
    bake->add_option("--start", o.start, "seconds the clock runs before the first frame")
        ->check(CLI::Range(0.0, 1000000.0))
        ->capture_default_str();
    a.seedOption = bake->add_option("--seed", a.seed,
                                    "seed for the C library's generator (drawn at random and "
                                    "printed when not given)");
    bake->add_option("--rand", a.rand,
                     "rand() sequence the seed starts: c (this C library's) or msvcrt (the "
                     "water a Windows build makes for the same seed)")
        ->check(CLI::IsMember({"c", "msvcrt"}))
        ->capture_default_str();
    bake->add_option("--device-class", a.deviceClass, "emulated device class")
        ->check(CLI::IsMember({"ps20", "ps11", "fixed"}))
        ->capture_default_str();
    bake->add_option("--maps", a.maps, "outputs: any of height,normal,preview")
        ->delimiter(',')
        ->check(CLI::IsMember({"height", "normal", "preview"}))
        ->capture_default_str();
    bake->add_option("--out", o.out, "output folder (created when missing)")->capture_default_str();
    bake->add_flag("--force", o.force, "overwrite existing files");
    bake->add_option("--format", a.format, "image format: png or exr")
        ->check(CLI::IsMember({"png", "exr"}))
        ->capture_default_str();
    bake->add_option("--normal-y", a.normalY, "green channel convention: down or up (see below)")
        ->check(CLI::IsMember({"down", "up"}))
        ->capture_default_str();
    bake->add_flag("--tile", o.tile, "normal maps that tile seamlessly (see below)");
    bake->add_option("--loop", o.loop, "cross-fade the last K frames into the first (see below)")
        ->type_name("K")
        ->check(CLI::Range(0, 1000000));
    bake->add_option("--atlas", a.atlas, "also pack each map's frames into one image")
        ->type_name("COLSxROWS");
    bake->add_flag("--quiet", o.quiet, "no progress and no summary");
    bake->callback([arguments] { Run(*arguments); });
}
