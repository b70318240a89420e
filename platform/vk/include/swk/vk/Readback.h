// Copies image levels back to the CPU through one staging buffer that is kept
// (and grown) between reads.
#pragma once

#include "Buffer.h"
#include "CommandStream.h"
#include "Image.h"

#include <memory>

namespace swk::vk
{

class Readback
{
public:
    explicit Readback(Context& ctx) : ctx_(ctx) {}

    // Waits for everything recorded so far, then copies the level into dst,
    // row by row at dstPitch bytes apart.
    void read(CommandStream& stream, Image& image, uint32_t level, uint32_t bytesPerTexel,
              void* dst, size_t dstPitch);

private:
    Context& ctx_;
    std::unique_ptr<Buffer> staging_;
};

} // namespace swk::vk
