#include "swk/vk/DeviceChoice.h"

#include <gtest/gtest.h>

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

TEST(DeviceChoice, PrefersDiscreteThenIntegratedThenCpuWithGraphics)
{
    EXPECT_EQ(chooseDevice(kMachine, ""), 3);
    std::vector<DeviceCandidate> noDiscrete(kMachine.begin(), kMachine.begin() + 3);
    EXPECT_EQ(chooseDevice(noDiscrete, ""), 1);
    std::vector<DeviceCandidate> cpuOnly(kMachine.begin(), kMachine.begin() + 1);
    EXPECT_EQ(chooseDevice(cpuOnly, ""), 0);
    EXPECT_EQ(chooseDevice({}, ""), -1);
    EXPECT_EQ(chooseDevice({kMachine[2]}, ""), -1) << "no graphics queue";
}

// Index 2 has no graphics queue; names match without regard to case.
TEST(DeviceChoice, SelectorNamesAnIndexATypeOrPartOfTheName)
{
    const std::pair<const char*, int> selectors[] = {
        {"0", 0},           {"1", 1},        {"2", -1},       {"9", -1},           {"cpu", 0},
        {"integrated", 1},  {"discrete", 3}, {"LLVMPIPE", 0}, {"discrete gpu", 3}, {"virtual", -1},
        {"nonexistent", -1}};
    for (auto [selector, index] : selectors)
        EXPECT_EQ(chooseDevice(kMachine, selector), index) << selector;
}

} // namespace
} // namespace swk::vk
