// What the tool does with bad input and with interruptions: one line naming
// the cause, the documented exit status, and never a file that is incomplete
// under its final name.
#include "ToolRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace tooltest;

namespace
{

struct BadInput
{
    const char* name;
    std::string arguments;
    const char* says;
    int status;
    const char* environment = "";
    const char* below = ""; // appended to the output folder's path
};

int OwnLines(const std::string& text)
{
    int lines = 0;
    for (size_t at = text.find("swellkit"); at != std::string::npos;
         at = text.find("\nswellkit", at + 1))
        ++lines;
    return lines;
}

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
    EXPECT_EQ(OwnLines(outcome.stderrText), 1) << outcome.stderrText;
    EXPECT_EQ(Listing(folder), std::vector<std::string>{"normal_0000.png"});
    EXPECT_EQ(Listing(folder, true), std::vector<std::string>{});
    const std::vector<uint8_t> kept = FileBytes(folder + "/normal_0000.png");
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "kept");
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
    const std::vector<uint8_t> code = FileBytes(status);
    EXPECT_EQ(std::string(code.begin(), code.end()), "130\n");
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
