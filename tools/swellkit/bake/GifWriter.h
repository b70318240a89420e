// An animated GIF written frame by frame, each frame with its own 256-colour
// palette, looping for ever; it appears under its name only at finish().
#pragma once

#include "../common/AtomicFile.h"

#include <cstdint>
#include <string>
#include <vector>

struct GifFileType;

namespace swk::tools
{

class GifWriter
{
public:
    GifWriter(const std::string& path, int width, int height);
    ~GifWriter();
    GifWriter(const GifWriter&) = delete;
    GifWriter& operator=(const GifWriter&) = delete;

    // rgb: width x height colours in [0, 1]; delay in hundredths of a second.
    void add(const float* rgb, int delay);
    void finish();

private:
    void fail(const char* what);

    AtomicFile m_file;
    GifFileType* m_pGif = nullptr;
    int m_nWidth;
    int m_nHeight;
    std::vector<uint8_t> m_planes; // red, green, blue planes, then the indices
};

} // namespace swk::tools
