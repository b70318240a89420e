// The module's entry point, its string table, and compiler messages reaching
// the message box.
#include <WaveGeneratorProbe.h>

#include <ModuleEntry.h>
#include <FakeEffects.h>
#include <TestDevice.h>
#include <swk/ModuleRegistry.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using swk::test::FakeEffects;
using swk::test::TestDevice;

namespace
{

TEST(ModuleEntry, StoresHandleOnProcessAttachAndDetachOnly)
{
    // Loading registered the module and ran its attach.
    const HINSTANCE loaded = g_hModule;
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded, (HINSTANCE)GetModuleHandleA("Swellkit"));
    EXPECT_EQ(loaded, (HINSTANCE)GetModuleHandleA("swellkit.DLL"));

    HINSTANCE other = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x1000));
    EXPECT_EQ(DllMain(other, DLL_THREAD_ATTACH, nullptr), TRUE);
    EXPECT_EQ(g_hModule, loaded);
    EXPECT_EQ(DllMain(other, DLL_THREAD_DETACH, nullptr), TRUE);
    EXPECT_EQ(g_hModule, loaded);
    EXPECT_EQ(DllMain(other, DLL_PROCESS_ATTACH, nullptr), TRUE);
    EXPECT_EQ(g_hModule, other);
    EXPECT_EQ(DllMain(loaded, DLL_PROCESS_DETACH, nullptr), TRUE);
    EXPECT_EQ(g_hModule, loaded);
}

TEST(MessageStrings, TableHoldsErrorAndNothingElse)
{
    EXPECT_STREQ(LoadMessageString(722), "Error");
    EXPECT_STREQ(LoadMessageString(723), "");
    EXPECT_STREQ(LoadMessageString(0), "");
    // Under another name the module's own lookup finds no table.
    EXPECT_EQ(GetModuleHandleA("NotSwellkit"), nullptr);
    CString s;
    EXPECT_FALSE(s.LoadString(nullptr, 722));
    EXPECT_STREQ(s, "");
}

struct Box
{
    std::string text, caption;
    UINT type;
};

class CompilerMessages : public testing::Test
{
protected:
    void SetUp() override
    {
        FakeEffects() = {};
        previous = swk::win32::SetMessageBoxSink(
            [this](HWND, const char* text, const char* caption, UINT type)
            {
                boxes.push_back({text, caption, type});
                return IDOK;
            });
    }
    void TearDown() override
    {
        swk::win32::SetMessageBoxSink(previous);
        FakeEffects() = {};
    }
    std::vector<Box> boxes;
    swk::win32::MessageBoxSink previous;
};

// Warnings and errors are shown in compile order, and construction goes on
// without the effect that failed.
TEST_F(CompilerMessages, AreShownAndConstructionGoesOn)
{
    const std::string messages[2] = {"memory(3,1): warning X3206: implicit truncation",
                                     "memory(7,12): error X3004: undeclared identifier 'fScal'"};
    FakeEffects().messages = {{101, messages[0]}, {102, messages[1]}};
    FakeEffects().failures[102] = D3DXERR_INVALIDDATA;
    TestDevice device;
    const size_t watched = CD3DWatch::GetWatchedCount();
    CWaveGenerator g(&device, 64, 64);
    ASSERT_EQ(boxes.size(), 2u);
    for (int i = 0; i < 2; i++)
    {
        EXPECT_EQ(boxes[i].text, messages[i]);
        EXPECT_EQ(boxes[i].caption, "Error");
        EXPECT_EQ(boxes[i].type, UINT(MB_OK | MB_ICONERROR));
    }
    EXPECT_NE(CWaveGeneratorProbe::HeightEffect(g), nullptr);
    EXPECT_EQ(CWaveGeneratorProbe::NormalEffect(g), nullptr);
    EXPECT_NE(g.GetNormalMap(), nullptr);
    // The message buffers were released again: the watch holds only the
    // generator's own objects (one effect, four textures, the quad).
    EXPECT_EQ(CD3DWatch::GetWatchedCount(), watched + 6);
}

// The effect sources reach the module byte for byte from the .rc file's
// RCDATA entries, CRLF line ends and all, without a terminating zero.
TEST(Resources, EffectSourcesAreTheFilesTheRcNames)
{
    const HMODULE module = GetModuleHandleA("Swellkit");
    for (const auto& [id, file] : {std::pair<int, const char*>{101, "HeightMap.fx"},
                                   std::pair<int, const char*>{102, "NormalMap.fx"}})
    {
        const HRSRC info = FindResourceA(module, MAKEINTRESOURCE(id), RT_RCDATA);
        ASSERT_NE(info, nullptr) << id;
        const char* data = static_cast<const char*>(LockResource(LoadResource(module, info)));
        const std::string resource(data, SizeofResource(module, info));
        std::ifstream source(std::string(SWK_EFFECTS_DIR) + "/" + file, std::ios::binary);
        const std::string expected{std::istreambuf_iterator<char>(source), {}};
        ASSERT_FALSE(expected.empty()) << file;
        EXPECT_EQ(resource, expected) << file;
        EXPECT_NE(resource.find("\r\n"), std::string::npos);
    }
    EXPECT_EQ(FindResourceA(module, MAKEINTRESOURCE(103), RT_RCDATA), nullptr);
    EXPECT_EQ(FindResourceA(module, MAKEINTRESOURCE(101), RT_STRING), nullptr);
}

} // namespace
