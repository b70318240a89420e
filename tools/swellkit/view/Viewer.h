// `swellkit view`: the animated water in an SDL window on the Direct3D 9
// device, with keys to pause, change speed and device class, lose the device
// and save screenshots.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace swellkit::view
{

struct ViewOptions
{
    int mapSize = 256;
    // 1: pixel shader 2.0, 2: pixel shader 1.1, 3: no pixel shaders.
    int deviceClass = 1;
    int width = 512;
    int height = 512;
    // Stop after this many presented frames (0: run until Esc or the window closes).
    int frames = 0;
    // Written from the last frame shown, when not empty.
    std::string screenshot;
    // Keys pressed by script: "frame:key,...", key one of the viewer's keys.
    std::string keys;
    // Present without waiting for the display.
    bool immediate = false;
};

struct ViewReport
{
    int frames = 0;
    double seconds = 0;
    double updateMilliseconds = 0; // mean time of CWaveGenerator::Update
    int restorations = 0;          // device losses come back from
    int deviceClass = 0;           // at the end
    // The last frame shown, 8-bit BGRA rows.
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> bgra;
    // Device objects still watched by the engine support library after teardown.
    size_t watchedAtExit = 0;
};

// False with a one-line reason when the viewer cannot run.
bool RunView(const ViewOptions& options, ViewReport* report, std::string* why);

// Parses the --keys script; false with a reason for a malformed one.
bool ParseKeys(const std::string& text, std::vector<std::pair<int, char>>* keys, std::string* why);

} // namespace swellkit::view
