// Command recording and submission over a small ring of frames. Each frame has
// its command buffer, fence, upload arena and descriptor pools; recording a new
// frame first waits for the oldest one to complete. Work is numbered by serial
// so that users can wait for exactly what touched their resources, and objects
// released while the GPU may still use them are kept until it cannot.
#pragma once

#include "Context.h"
#include "DescriptorAllocator.h"
#include "Handle.h"
#include "UploadArena.h"

#include <deque>
#include <memory>
#include <vector>

namespace swk::vk
{

class CommandStream
{
public:
    explicit CommandStream(std::shared_ptr<Context> ctx, uint32_t frames = 3);
    ~CommandStream();
    CommandStream(const CommandStream&) = delete;
    CommandStream& operator=(const CommandStream&) = delete;

    // The command buffer being recorded; starts a frame when none is open.
    VkCommandBuffer cmd();
    bool recording() const { return recording_; }
    // The serial of the frame being recorded, or of the next one.
    uint64_t currentSerial() const { return recording_ ? serial_ : serial_ + 1; }
    uint64_t completedSerial();

    // Submits the open frame, if any; signal, when given, is signalled as it
    // completes (a presentation waits on it).
    void submit(VkSemaphore signal = VK_NULL_HANDLE);
    // Returns once the work of the given serial has completed, submitting it
    // first when it is still being recorded.
    void wait(uint64_t serial);
    void finish() { wait(serial_); }

    UploadArena& arena();
    DescriptorAllocator& descriptors();

    // Keeps object alive until the work recorded so far has completed.
    void retire(std::shared_ptr<void> object);

private:
    struct Frame
    {
        UniqueCommandPool pool;
        VkCommandBuffer cmd = VK_NULL_HANDLE;
        UniqueFence fence;
        std::unique_ptr<UploadArena> arena;
        std::unique_ptr<DescriptorAllocator> descriptors;
        uint64_t serial = 0;
        bool pending = false;
    };

    void begin();
    void collect();
    Frame& frame() { return frames_[serial_ % frames_.size()]; }

    std::shared_ptr<Context> ctx_;
    std::vector<Frame> frames_;
    uint64_t serial_ = 0;
    uint64_t completed_ = 0;
    bool recording_ = false;
    std::deque<std::pair<uint64_t, std::shared_ptr<void>>> garbage_;
};

} // namespace swk::vk
