#include "ToolRun.h"

#include <gtest/gtest.h>

#include <png.h>

#include <algorithm>
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
