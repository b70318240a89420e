// Host-visible memory handed out linearly to the commands of one submission
// (staging for uploads, per-draw constants, user vertex data) and reused once
// that submission has completed. Chunks are kept, so a steady frame allocates
// nothing new.
#pragma once

#include "Buffer.h"

#include <memory>
#include <vector>

namespace swk::vk
{

struct Slice
{
    VkBuffer buffer = VK_NULL_HANDLE;
    VkDeviceSize offset = 0;
    uint8_t* data = nullptr;
};

class UploadArena
{
public:
    UploadArena(Context& ctx, VkDeviceSize chunkSize);

    Slice allocate(VkDeviceSize size, VkDeviceSize alignment);
    void reset();
    size_t chunkCount() const { return chunks_.size(); }

private:
    struct Chunk
    {
        std::unique_ptr<Buffer> buffer;
        VkDeviceSize used = 0;
    };
    Context& ctx_;
    VkDeviceSize chunkSize_;
    std::vector<Chunk> chunks_;
    size_t current_ = 0;
};

} // namespace swk::vk
