#include "ToolRun.h"

#include <gtest/gtest.h>

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace tooltest
{

Outcome Swellkit(const std::string& arguments, const std::string& environment)
{
    const std::string errors = FreshFolder("stderr") + "/text";
    const std::string command =
        environment + " " + std::string(SWELLKIT_EXE) + " " + arguments + " >/dev/null 2>" + errors;
    const int raw = std::system(command.c_str());
    Outcome outcome;
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    std::ifstream in(errors);
    outcome.stderrText.assign(std::istreambuf_iterator<char>(in), {});
    return outcome;
}

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

Png ReadPng(const std::string& path)
{
    Png png;
    FILE* f = std::fopen(path.c_str(), "rb");
    EXPECT_NE(f, nullptr) << path;
    if (!f)
        return png;
    png_structp reader = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(reader);
    if (setjmp(png_jmpbuf(reader)))
    {
        ADD_FAILURE() << "cannot decode " << path;
        png_destroy_read_struct(&reader, &info, nullptr);
        std::fclose(f);
        return Png{};
    }
    png_init_io(reader, f);
    png_read_png(reader, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png.width = int(png_get_image_width(reader, info));
    png.height = int(png_get_image_height(reader, info));
    png.bitDepth = png_get_bit_depth(reader, info);
    png.channels = png_get_channels(reader, info);
    png_bytepp rows = png_get_rows(reader, info);
    for (int y = 0; y < png.height; ++y)
        for (int i = 0; i < png.width * png.channels; ++i)
            png.samples.push_back(png.bitDepth == 16 ? rows[y][2 * i] << 8 | rows[y][2 * i + 1]
                                                     : rows[y][i]);
    png_destroy_read_struct(&reader, &info, nullptr);
    std::fclose(f);
    return png;
}

std::vector<uint8_t> FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> Listing(const std::string& folder, bool hidden)
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

} // namespace tooltest
