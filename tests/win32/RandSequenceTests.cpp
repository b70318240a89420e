// rand() for the whole process: the C library's by default, msvcrt's on request.
#include <swk/RandSequence.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>
#include <vector>

using namespace swk::win32;

namespace
{

std::vector<int> Draw(unsigned seed, int count)
{
    std::srand(seed);
    std::vector<int> values;
    for (int i = 0; i < count; ++i)
        values.push_back(std::rand());
    return values;
}

TEST(RandSequence, DefaultIsTheCLibrarysAndMsvcrtsIsTheWindowsOne)
{
    const std::vector<int> glibcSeed1 = {1804289383, 846930886};
    EXPECT_EQ(Draw(1, 2), glibcSeed1);

    ASSERT_TRUE(SetRandSequence(RandSequence::Msvcrt));
    EXPECT_EQ(Draw(1, 10),
              (std::vector<int>{41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464}));
    EXPECT_EQ(Draw(1234, 3), (std::vector<int>{4068, 213, 12761}));

    // Each thread has its own seed, 1 until it calls srand.
    std::srand(1);
    std::vector<int> other;
    std::thread([&] { other = {std::rand(), std::rand()}; }).join();
    EXPECT_EQ(other, (std::vector<int>{41, 18467}));
    EXPECT_EQ(std::rand(), 41);

    ASSERT_TRUE(SetRandSequence(RandSequence::CLibrary));
    EXPECT_EQ(Draw(1, 2), glibcSeed1);
}

} // namespace
