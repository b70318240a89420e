#include "swk/vk/UploadArena.h"

#include <algorithm>

namespace swk::vk
{

UploadArena::UploadArena(Context& ctx, VkDeviceSize chunkSize) : ctx_(ctx), chunkSize_(chunkSize) {}

Slice UploadArena::allocate(VkDeviceSize size, VkDeviceSize alignment)
{
    for (; current_ < chunks_.size(); ++current_)
    {
        Chunk& chunk = chunks_[current_];
        const VkDeviceSize offset = (chunk.used + alignment - 1) / alignment * alignment;
        if (offset + size <= chunk.buffer->size())
        {
            chunk.used = offset + size;
            return {chunk.buffer->handle(), offset, chunk.buffer->mapped() + offset};
        }
    }
    const VkDeviceSize bytes = std::max(chunkSize_, size);
    Chunk chunk;
    chunk.buffer = std::make_unique<Buffer>(
        ctx_, bytes,
        VK_BUFFER_USAGE_TRANSFER_SRC_BIT | VK_BUFFER_USAGE_VERTEX_BUFFER_BIT |
            VK_BUFFER_USAGE_INDEX_BUFFER_BIT | VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT,
        MemoryKind::Upload, "upload arena chunk");
    chunk.used = size;
    chunks_.push_back(std::move(chunk));
    current_ = chunks_.size() - 1;
    return {chunks_.back().buffer->handle(), 0, chunks_.back().buffer->mapped()};
}

void UploadArena::reset()
{
    for (Chunk& chunk : chunks_)
        chunk.used = 0;
    current_ = 0;
}

} // namespace swk::vk
