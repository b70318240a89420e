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

TEST(DeviceChoice, SelectorNamesAnIndexATypeOrPartOfTheName)
{
    EXPECT_EQ(chooseDevice(kMachine, "0"), 0);
    EXPECT_EQ(chooseDevice(kMachine, "1"), 1);
    EXPECT_EQ(chooseDevice(kMachine, "2"), -1) << "index of a device without graphics";
    EXPECT_EQ(chooseDevice(kMachine, "9"), -1);
    EXPECT_EQ(chooseDevice(kMachine, "cpu"), 0);
    EXPECT_EQ(chooseDevice(kMachine, "integrated"), 1);
    EXPECT_EQ(chooseDevice(kMachine, "discrete"), 3);
    EXPECT_EQ(chooseDevice(kMachine, "LLVMPIPE"), 0);
    EXPECT_EQ(chooseDevice(kMachine, "discrete gpu"), 3);
    EXPECT_EQ(chooseDevice(kMachine, "virtual"), -1);
    EXPECT_EQ(chooseDevice(kMachine, "nonexistent"), -1);
}

} // namespace
} // namespace swk::vk
