// One bake: the generator run frame by frame on a headless device of the
// requested class, its maps read back and written as numbered images, a
// preview animation, optional flipbook atlases and a bake.json side file.
#pragma once

#include "BakeOptions.h"

#include <cstdint>
#include <string>
#include <vector>

namespace swk::tools
{

struct BakeResult
{
    uint32_t seed = 0;
    int width = 0; // the maps' size after the device class halved it
    int height = 0;
    bool heightMap = false;
    double generatorMs = 0; // per frame: Update and read-back
    double writingMs = 0;   // per frame: blending, normals, encoding, files
    double seconds = 0;     // wall time of the whole bake
    double loopSeconds = 0; // wall time from the first frame to the last file
    std::vector<std::string> files;
};

// The final names a bake with these options writes, relative to its folder.
std::vector<std::string> PlannedFiles(const BakeOptions& options);

// Throws ToolError (exit status inside) on bad input, device or file trouble,
// or an interrupt; no file appears under its final name unless complete.
BakeResult RunBake(const BakeOptions& options);

// The one-line summary printed after a bake.
std::string Summary(const BakeOptions& options, const BakeResult& result);

} // namespace swk::tools
