// Short bakes on each device class, read back with the libraries that wrote
// them: sizes and depths, repeatability by seed, unit normals, seamless tiling
// and looping, atlases, the green convention, the float format and the clock
// (the milliseconds each frame passed, in the side file).
//
// What the tool does with bad input and with interruptions: one line naming
// the cause, the documented exit status, and never a file that is incomplete
// under its final name.
#include <OpenEXR/ImfChannelList.h>
#include <OpenEXR/ImfFrameBuffer.h>
#include <OpenEXR/ImfHeader.h>
#include <OpenEXR/ImfInputFile.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;

namespace
{

// A fresh empty folder under the test's temporary directory.
std::string FreshFolder(const std::string& name)
{
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string unique = std::string(test->test_suite_name()) + "." + test->name();
    std::replace(unique.begin(), unique.end(), '/', '_');
    const fs::path folder = fs::temp_directory_path() / "tools_bake_tests" / unique / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder.string();
}

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Outcome
{
    int status = -1; // the exit status, or 128 + the signal
    std::string stderrText;
};

// Runs swellkit with the arguments (a shell word list) and environment
// assignments, stdout discarded.
Outcome Swellkit(const std::string& arguments, const std::string& environment = "")
{
    const std::string errors = FreshFolder("stderr") + "/text";
    const std::string command =
        environment + " " + std::string(SWELLKIT_EXE) + " " + arguments + " >/dev/null 2>" + errors;
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw), FileBytes(errors)};
}

struct Png
{
    int width = 0;
    int height = 0;
    int bitDepth = 0;
    int channels = 0;
    std::vector<int> samples; // interleaved, row by row
    int at(int x, int y, int c) const { return samples[(size_t(y) * width + x) * channels + c]; }
    std::array<int, 4> shape() const { return {width, height, bitDepth, channels}; }
};

// Decodes with libpng at the file's own depth; fails the test when it cannot.
Png ReadPng(const std::string& path)
{
    // Without colour chunks the simplified reader hands back 8-bit files as
    // stored and 16-bit ones as linear, that is unchanged, in native order.
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    std::vector<uint8_t> bytes;
    if (png_image_begin_read_from_file(&image, path.c_str()))
        bytes.resize(PNG_IMAGE_SIZE(image));
    if (bytes.empty() || !png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr))
    {
        ADD_FAILURE() << "cannot decode " << path << ": " << image.message;
        return Png{};
    }
    const bool wide = image.format & PNG_FORMAT_FLAG_LINEAR;
    Png png{int(image.width),
            int(image.height),
            wide ? 16 : 8,
            int(PNG_IMAGE_SAMPLE_CHANNELS(image.format)),
            {}};
    for (size_t i = 0; i < bytes.size(); i += wide ? 2 : 1)
        png.samples.push_back(wide ? bytes[i] | bytes[i + 1] << 8 : bytes[i]);
    return png;
}

// Final names (no hidden temporaries) in a folder, sorted.
std::vector<std::string> Listing(const std::string& folder, bool hidden = false)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
    {
        const std::string name = entry.path().filename().string();
        if ((name[0] == '.') == hidden)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void Bake(const std::string& folder, const std::string& arguments)
{
    const Outcome outcome = Swellkit("bake --quiet --out " + folder + " " + arguments);
    ASSERT_EQ(outcome.status, 0) << outcome.stderrText;
}

std::string FramePath(const std::string& folder, const char* map, int k,
                      const char* extension = ".png")
{
    char name[64];
    std::snprintf(name, sizeof name, "/%s_%04d%s", map, k, extension);
    return folder + name;
}

// The mean absolute difference of two images' samples.
double MeanDifference(const Png& a, const Png& b)
{
    double sum = 0;
    for (size_t i = 0; i < a.samples.size(); ++i)
        sum += std::abs(a.samples[i] - b.samples[i]);
    return sum / double(a.samples.size());
}

// The named channels of a 16 x 16 float file as floats, interleaved; each
// expected stored as the given type.
std::vector<float> ReadExr(const std::string& path, const std::string& names, Imf::PixelType type)
{
    Imf::InputFile file(path.c_str());
    const size_t n = names.size();
    std::vector<float> values(16 * 16 * n);
    Imf::FrameBuffer buffer;
    for (size_t c = 0; c < n; ++c)
    {
        const std::string name(1, names[c]);
        const Imf::Channel* channel = file.header().channels().findChannel(name);
        EXPECT_TRUE(channel && channel->type == type) << path << " " << name;
        buffer.insert(name, Imf::Slice(Imf::FLOAT, (char*)(values.data() + c), 4 * n, 4 * n * 16));
    }
    file.setFrameBuffer(buffer);
    file.readPixels(0, 15);
    return values;
}

struct DeviceCase
{
    const char* deviceClass;
    int size; // of a 32x32 request
    bool heightMap;
};

using BakeOnEachClass = testing::TestWithParam<DeviceCase>;

TEST_P(BakeOnEachClass, WritesUnitNormalsRepeatablyBySeed)
{
    const DeviceCase& c = GetParam();
    const std::string first = FreshFolder("first"), again = FreshFolder("again"),
                      other = FreshFolder("other"), windows = FreshFolder("windows");
    const std::string common =
        std::string("--size 32x32 --frames 3 --device-class ") + c.deviceClass;
    Bake(first, common + " --seed 11");
    Bake(again, common + " --seed 11");
    Bake(other, common + " --seed 12");
    Bake(windows, common + " --seed 11 --rand msvcrt");

    const std::vector<std::string> names = Listing(first);
    EXPECT_EQ(names.size(), (c.heightMap ? 9u : 6u) + 2u); // frames, preview.gif, bake.json
    EXPECT_EQ(Listing(again), names);
    for (const std::string& name : names)
        EXPECT_TRUE(name == "bake.json" ||
                    FileBytes(first + "/" + name) == FileBytes(again + "/" + name))
            << name;
    EXPECT_NE(FileBytes(first + "/normal_0000.png"), FileBytes(other + "/normal_0000.png"));
    // The same seed through msvcrt's sequence is other water.
    EXPECT_NE(FileBytes(first + "/normal_0000.png"), FileBytes(windows + "/normal_0000.png"));
    const nlohmann::json side = nlohmann::json::parse(FileBytes(first + "/bake.json"));
    EXPECT_EQ(side["seed"], 11);
    EXPECT_EQ(side["size"], nlohmann::json({c.size, c.size}));
    EXPECT_EQ(side["device_class"], c.deviceClass);
    EXPECT_EQ(side["frame_elapsed_ms"], nlohmann::json({33, 34, 33}));

    for (int k = 0; k < 3; ++k)
    {
        const Png normal = ReadPng(FramePath(first, "normal", k));
        ASSERT_EQ(normal.shape(), (std::array<int, 4>{c.size, c.size, 8, 3}));
        // The fixed-function pass leaves the last column at its white clear colour.
        const int covered =
            c.heightMap || std::string(c.deviceClass) == "ps11" ? c.size : c.size - 1;
        double worst = 0;
        for (int y = 0; y < c.size; ++y)
            for (int x = 0; x < c.size; ++x)
            {
                double length = 0;
                for (int j = 0; j < 3; ++j)
                    length += std::pow(normal.at(x, y, j) / 127.5 - 1, 2);
                if (x < covered)
                    worst = std::max(worst, std::abs(std::sqrt(length) - 1));
                else
                    EXPECT_EQ(normal.at(x, y, 0) + normal.at(x, y, 1) + normal.at(x, y, 2), 765);
            }
        // Within one 8-bit step (2 / 255 of the [-1, 1] range) in each component.
        EXPECT_LE(worst, std::sqrt(3.0) * 2.0 / 255) << "frame " << k;

        EXPECT_EQ(ReadPng(FramePath(first, "preview", k)).shape(),
                  (std::array<int, 4>{c.size, c.size, 8, 3}));
        if (c.heightMap)
        {
            const Png height = ReadPng(FramePath(first, "height", k));
            EXPECT_EQ(height.shape(), (std::array<int, 4>{c.size, c.size, 16, 1}));
            const auto range = std::minmax_element(height.samples.begin(), height.samples.end());
            EXPECT_GT(*range.second - *range.first, 256) << "heights should vary";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Classes, BakeOnEachClass,
                         testing::Values(DeviceCase{"ps20", 32, true},
                                         DeviceCase{"ps11", 16, false},
                                         DeviceCase{"fixed", 8, false}),
                         [](const auto& info) { return std::string(info.param.deviceClass); });

// The mean colour step across the wrapped border over the mean step between
// neighbours inside the map, horizontally and vertically.
std::array<double, 2> SeamRatios(const Png& n)
{
    const int w = n.width, h = n.height;
    double inside[2] = {}, border[2] = {};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
            {
                (x == w - 1 ? border : inside)[0] +=
                    std::abs(n.at((x + 1) % w, y, c) - n.at(x, y, c));
                (y == h - 1 ? border : inside)[1] +=
                    std::abs(n.at(x, (y + 1) % h, c) - n.at(x, y, c));
            }
    return {border[0] / h / (inside[0] / (double(w - 1) * h)),
            border[1] / w / (inside[1] / (double(h - 1) * w))};
}

TEST(BakeTile, NormalMapEdgesContinueEachOtherOnlyWithTile)
{
    const std::string plain = FreshFolder("plain"), tiled = FreshFolder("tiled");
    const std::string common = "--size 64x64 --frames 1 --seed 21 --maps normal";
    Bake(plain, common);
    Bake(tiled, common + " --tile");
    const Png own = ReadPng(FramePath(plain, "normal", 0));
    const Png wrapped = ReadPng(FramePath(tiled, "normal", 0));

    const std::array<double, 2> tiledSeams = SeamRatios(wrapped), plainSeams = SeamRatios(own);
    EXPECT_LT(std::max(tiledSeams[0], tiledSeams[1]), 1.5);
    EXPECT_GT(std::max(plainSeams[0], plainSeams[1]), 1.5);

    // Away from the borders both come from the same arithmetic.
    int worst = 0;
    for (int y = 4; y < 60; ++y)
        for (int x = 4; x < 60; ++x)
            for (int c = 0; c < 3; ++c)
                worst = std::max(worst, std::abs(own.at(x, y, c) - wrapped.at(x, y, c)));
    EXPECT_LE(worst, 2);
}

// Frame N-1 followed by frame 0 changes no more than neighbouring frames of the
// plain motion do,
// and without the cross-fade it changes much more.
using BakeLoop = testing::TestWithParam<std::pair<const char*, const char*>>;

TEST_P(BakeLoop, LastFrameLeadsIntoTheFirst)
{
    const char* deviceClass = std::get<0>(GetParam());
    const char* map = std::get<1>(GetParam());
    const int frames = 12;
    const std::string looped = FreshFolder("looped"), plain = FreshFolder("plain");
    const std::string common = "--size 32x32 --frames 12 --seed 5 --speed 4 --maps " +
                               std::string(map) + " --device-class " + deviceClass;
    Bake(looped, common + " --loop 4");
    Bake(plain, common);
    auto frame = [&](const std::string& folder, int k)
    { return ReadPng(FramePath(folder, map, k)); };

    // Steps of the plain motion, before the fade begins.
    double largestStep = 0;
    for (int k = 0; k + 1 < frames - 4; ++k)
        largestStep = std::max(largestStep, MeanDifference(frame(looped, k), frame(looped, k + 1)));
    const double seam = MeanDifference(frame(looped, frames - 1), frame(looped, 0));
    EXPECT_LE(seam, 1.25 * largestStep);
    EXPECT_GT(MeanDifference(frame(plain, frames - 1), frame(plain, 0)), 2 * seam);
}

INSTANTIATE_TEST_SUITE_P(Paths, BakeLoop,
                         testing::Values(std::make_pair("ps20", "height"),
                                         std::make_pair("ps11", "normal")),
                         [](const auto& info) { return std::string(info.param.first); });

// The atlas holds the frames row by row, --normal-y up flips only green, and
// the float files hold the PNG files' values at more precision.
TEST(BakeLayout, AtlasNormalYAndFloatFilesHoldTheFrames)
{
    const std::string atlas = FreshFolder("atlas"), up = FreshFolder("up"),
                      exr = FreshFolder("exr");
    const std::string common = "--size 16x16 --frames 5 --seed 2 --maps height,normal";
    Bake(atlas, common + " --atlas 3x2");
    Bake(up, common + " --normal-y up");
    Bake(exr, common + " --format exr");

    const Png normals = ReadPng(atlas + "/normal_atlas.png");
    const Png heights = ReadPng(atlas + "/height_atlas.png");
    ASSERT_EQ(normals.shape(), (std::array<int, 4>{48, 32, 8, 3}));
    ASSERT_EQ(heights.shape(), (std::array<int, 4>{48, 32, 16, 1}));
    for (int k = 0; k < 6; ++k)
    {
        const int x0 = 16 * (k % 3), y0 = 16 * (k / 3);
        const Png normal = k < 5 ? ReadPng(FramePath(atlas, "normal", k)) : Png{};
        const Png height = k < 5 ? ReadPng(FramePath(atlas, "height", k)) : Png{};
        const Png flipped = k < 5 ? ReadPng(FramePath(up, "normal", k)) : Png{};
        int mismatches = 0, greenOff = 0, otherOff = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
            {
                mismatches += heights.at(x0 + x, y0 + y, 0) != (k < 5 ? height.at(x, y, 0) : 0);
                for (int c = 0; c < 3; ++c)
                {
                    const int own = k < 5 ? normal.at(x, y, c) : 0;
                    mismatches += normals.at(x0 + x, y0 + y, c) != own;
                    if (k < 5 && c == 1)
                        greenOff = std::max(greenOff, std::abs(flipped.at(x, y, c) - (255 - own)));
                    else if (k < 5)
                        otherOff = std::max(otherOff, std::abs(flipped.at(x, y, c) - own));
                }
            }
        EXPECT_EQ(mismatches, 0) << "cell " << k;
        EXPECT_LE(greenOff, 1) << "frame " << k;
        EXPECT_EQ(otherOff, 0) << "frame " << k;
        if (k == 0)
        {
            const std::vector<float> y =
                ReadExr(FramePath(exr, "height", 0, ".exr"), "Y", Imf::FLOAT);
            const std::vector<float> rgb =
                ReadExr(FramePath(exr, "normal", 0, ".exr"), "RGB", Imf::HALF);
            double heightError = 0, normalError = 0;
            for (size_t i = 0; i < y.size(); ++i)
                heightError = std::max(heightError, std::abs(y[i] * 65535.0 - height.samples[i]));
            for (size_t i = 0; i < rgb.size(); ++i)
                normalError = std::max(normalError, std::abs(rgb[i] * 255.0 - normal.samples[i]));
            EXPECT_LE(heightError, 0.5 + 1e-3);
            EXPECT_LE(normalError, 0.5 + 255.0 / 2048); // half keeps 11 significant bits
        }
    }
}

struct BadInput
{
    const char* name;
    std::string arguments;
    const char* says;
    int status;
    const char* environment = "";
    const char* below = ""; // appended to the output folder's path
};

using BakeRefuses = testing::TestWithParam<BadInput>;

TEST_P(BakeRefuses, WithOneLineAndNoFiles)
{
    const BadInput& c = GetParam();
    const std::string folder = FreshFolder("out");
    std::ofstream(folder + "/normal_0000.png") << "kept";
    const Outcome outcome =
        Swellkit("bake --out " + folder + c.below + " " + c.arguments, c.environment);
    EXPECT_EQ(outcome.status, c.status) << outcome.stderrText;
    EXPECT_NE(outcome.stderrText.find(c.says), std::string::npos) << outcome.stderrText;
    const std::string& text = outcome.stderrText;
    int ownLines = 0; // the tool's own lines begin with its name
    for (size_t at = text.find("swellkit"); at != std::string::npos;
         at = text.find("\nswellkit", at + 1))
        ++ownLines;
    EXPECT_EQ(ownLines, 1) << text;
    EXPECT_EQ(Listing(folder), std::vector<std::string>{"normal_0000.png"});
    EXPECT_EQ(Listing(folder, true), std::vector<std::string>{});
    EXPECT_EQ(FileBytes(folder + "/normal_0000.png"), "kept");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BakeRefuses,
    testing::Values(BadInput{"UnknownOption", "--bogus", "--bogus", 2},
                    BadInput{"SizeZero", "--size 0x16", "'0x16' is not WxH", 2},
                    BadInput{"SizeNotWxH", "--size 16", "'16' is not WxH", 2},
                    BadInput{"SizeTooLarge", "--size 5000x16", "'5000x16' is not WxH", 2},
                    BadInput{"NoFrames", "--frames 0", "--frames: Value 0 not in range", 2},
                    BadInput{"DeviceClass", "--device-class ps30", "ps30 not in", 2},
                    BadInput{"MapName", "--maps height,depth", "depth not in", 2},
                    BadInput{"AtlasTooSmall", "--frames 2 --atlas 1x1", "1x1 holds fewer", 2},
                    BadInput{"LoopLongerThanBake", "--frames 2 --loop 3", "--loop: 3 frames", 2},
                    BadInput{"FolderUnderAFile", "", "--out", 1, "", "/normal_0000.png/sub"},
                    BadInput{"ExistingFile", "", "--force", 1},
                    BadInput{"NoVulkanDevice", "--force", "no Vulkan device", 1,
                             "SWK_VK_DEVICE=no-such-device"}),
    [](const testing::TestParamInfo<BadInput>& info) { return std::string(info.param.name); });

// A rename that fails part way (a folder sits under a frame's final name):
// the bake stops with the file named, and leaves no temporary behind.
TEST(BakeFailure, StopsCleanlyWhenAFileCannotBePlaced)
{
    const std::string folder = FreshFolder("out");
    fs::create_directory(folder + "/normal_0002.png");
    const Outcome outcome =
        Swellkit("bake --size 16x16 --frames 6 --force --quiet --out " + folder);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.stderrText.find("normal_0002.png"), std::string::npos) << outcome.stderrText;
    EXPECT_EQ(Listing(folder, true), std::vector<std::string>{});
    for (const std::string& name : Listing(folder))
        if (name != "normal_0002.png")
        {
            EXPECT_GT(ReadPng(folder + "/" + name).width, 0) << name;
        }
    EXPECT_FALSE(fs::exists(folder + "/bake.json"));
    EXPECT_FALSE(fs::exists(folder + "/preview.gif"));
}

TEST(BakeFailure, InterruptLeavesOnlyCompleteFiles)
{
    const std::string folder = FreshFolder("out");
    const std::string status = FreshFolder("status") + "/code";
    // Interrupted once the third frame is on disk, mid-way through the bake.
    const std::string script =
        std::string(SWELLKIT_EXE) + " bake --size 64x64 --frames 5000 --out " + folder +
        " 2>/dev/null & p=$!; while [ ! -e " + folder +
        "/normal_0002.png ] && kill -0 $p; do sleep 0.05; done; kill -INT $p; wait $p; "
        "echo $? >" +
        status;
    ASSERT_EQ(std::system(("sh -c '" + script + "'").c_str()), 0);
    EXPECT_EQ(FileBytes(status), "130\n");
    EXPECT_EQ(Listing(folder, true), std::vector<std::string>{});
    const std::vector<std::string> names = Listing(folder);
    EXPECT_LT(names.size(), 3u * 5000u);
    for (const std::string& name : names)
    {
        ASSERT_EQ(name.substr(name.size() - 4), ".png") << name;
        EXPECT_EQ(ReadPng(folder + "/" + name).width, 64) << name;
    }
}

} // namespace
