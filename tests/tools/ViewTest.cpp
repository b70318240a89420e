// swellkit view run headless under Xvfb: each device class, class switches
// and forced losses, with what was presented checked to be water.
#include "Viewer.h"

#include <Brantholm.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <utility>

namespace swellkit::view
{
namespace
{

struct ViewRun
{
    const char* name;
    int deviceClass;
    const char* keys;
    int finalClass;
    int restorations;
};

using ViewTest = ::testing::TestWithParam<ViewRun>;

TEST_P(ViewTest, ShowsWaterAndLeavesNothingBehind)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "no X display (scripts/test.sh starts Xvfb)";
    const ViewRun& run = GetParam();
    // A 64 x 64 map in a 160 x 120 window for 60 frames, without a screenshot.
    const ViewOptions options{64, run.deviceClass, 160, 120, 60, "", run.keys, true};
    ViewReport report;
    std::string why;
    ASSERT_TRUE(RunView(options, &report, &why)) << why;
    EXPECT_EQ(report.frames, 60);
    EXPECT_EQ(report.deviceClass, run.finalClass);
    EXPECT_EQ(report.restorations, run.restorations);
    EXPECT_EQ(report.watchedAtExit, 0u);
    EXPECT_EQ(CDeviceRestorable::GetLiveCount(), 0);

    ASSERT_EQ(std::pair(report.width, report.height), std::pair(160u, 120u));
    double sum[3] = {}, squares = 0;
    size_t clear = 0;
    const size_t pixels = size_t(report.width) * report.height;
    for (size_t i = 0; i < pixels; ++i)
    {
        const uint8_t* p = &report.bgra[4 * i];
        for (int c = 0; c < 3; ++c)
            sum[c] += p[c];
        squares += double(p[0]) * p[0];
        clear += p[0] == 48 && p[1] == 48 && p[2] == 48;
    }
    const double blue = sum[0] / pixels, green = sum[1] / pixels, red = sum[2] / pixels;
    EXPECT_GT(blue, std::max(green, red));
    EXPECT_GT(std::sqrt(squares / pixels - blue * blue), 8.0) << "the picture is flat";
    EXPECT_LT(clear, pixels / 100) << "the clear colour shows through";
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ViewTest,
    ::testing::Values(ViewRun{"PixelShader20", 1, "", 1, 0}, ViewRun{"PixelShader11", 2, "", 2, 0},
                      ViewRun{"NoPixelShaders", 3, "", 3, 0},
                      ViewRun{"SwitchesAndLosses", 1, "10:2,20:r,30:t,40:3,50:r", 3, 2}),
    [](const auto& info) { return info.param.name; });

TEST(ViewKeys, MalformedScriptsAreRefused)
{
    std::vector<std::pair<int, char>> keys;
    std::string why;
    ASSERT_TRUE(ParseKeys("30:t,5:R,7: ", &keys, &why)) << why;
    EXPECT_EQ(keys, (std::vector<std::pair<int, char>>{{5, 'R'}, {7, ' '}, {30, 't'}}));
    for (const char* bad : {"5", "x:t", "-1:t", "5:q", "5:tt"})
        EXPECT_FALSE(ParseKeys(bad, &keys, &why)) << bad;
}

} // namespace
} // namespace swellkit::view
