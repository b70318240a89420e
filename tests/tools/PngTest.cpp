// The viewer's screenshots: BGRA pixels come back from the file as RGB, and a
// file that cannot be written leaves nothing under its name.
#include "Png.h"

#include <png.h>

#include <gtest/gtest.h>

#include <filesystem>

namespace swellkit::view
{
namespace
{

TEST(Png, PixelsComeBackInTheirChannelsAndAFailedWriteLeavesNothing)
{
    const std::vector<uint8_t> bgra = {10, 20, 30, 255, 40, 50, 60, 0, 70, 80, 90, 128,
                                       1,  2,  3,  4,   5,  6,  7,  8, 9,  10, 11, 12};
    const std::string path = testing::TempDir() + "swellkit-png-test.png";
    std::string why;
    ASSERT_TRUE(WritePng(path, 3, 2, bgra, &why)) << why;

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
    ASSERT_EQ(image.width, 3u);
    ASSERT_EQ(image.height, 2u);
    for (size_t i = 0; i < 6; ++i)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(rgb[3 * i + c], bgra[4 * i + 2 - c]) << "pixel " << i << " channel " << c;
    std::filesystem::remove(path);

    const std::string unwritable = testing::TempDir() + "no-such-folder/shot.png";
    why.clear();
    EXPECT_FALSE(WritePng(unwritable, 1, 1, {0, 0, 0, 0}, &why));
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(std::filesystem::exists(unwritable));
    EXPECT_FALSE(WritePng(testing::TempDir() + "short.png", 2, 2, {0, 0, 0, 0}, &why));
    EXPECT_FALSE(std::filesystem::exists(testing::TempDir() + "short.png"));
}

} // namespace
} // namespace swellkit::view
