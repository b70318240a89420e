#include "swk/vk/DeviceChoice.h"

#include <gtest/gtest.h>

#include <tuple>

namespace swk::vk
{
namespace
{

const std::vector<DeviceCandidate> kMachine = {
    {"llvmpipe (LLVM 15.0.6, 256 bits)", VK_PHYSICAL_DEVICE_TYPE_CPU, true},
    {"Example Integrated Graphics", VK_PHYSICAL_DEVICE_TYPE_INTEGRATED_GPU, true},
    {"Example Compute Card", VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU, false},
    {"Example Discrete GPU", VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU, true},
};

// Without a selector: discrete, then integrated, then CPU, each with
// graphics. Otherwise the selector names an index, a type or part of the name,
// without regard to case. Rows: the machine's first and end device, the
// selector and the index chosen.
TEST(DeviceChoice, PrefersDiscreteThenIntegratedThenCpuUnlessASelectorNamesOne)
{
    const std::tuple<int, int, const char*, int> choices[] = {
        {0, 4, "", 3},           {0, 3, "", 1},
        {0, 1, "", 0},           {0, 0, "", -1},
        {2, 3, "", -1},          {0, 4, "0", 0},
        {0, 4, "1", 1},          {0, 4, "2", -1},
        {0, 4, "9", -1},         {0, 4, "cpu", 0},
        {0, 4, "integrated", 1}, {0, 4, "discrete", 3},
        {0, 4, "LLVMPIPE", 0},   {0, 4, "discrete gpu", 3},
        {0, 4, "virtual", -1},   {0, 4, "nonexistent", -1}};
    for (auto [first, end, selector, index] : choices)
        EXPECT_EQ(chooseDevice({kMachine.begin() + first, kMachine.begin() + end}, selector), index)
            << first << ".." << end << " '" << selector << "'";
}

} // namespace
} // namespace swk::vk
