#include "swk/vk/CommandStream.h"
#include "swk/vk/Error.h"

namespace swk::vk
{
namespace
{

constexpr VkDeviceSize kArenaChunk = 4u << 20;

} // namespace

CommandStream::CommandStream(std::shared_ptr<Context> ctx, uint32_t frames)
    : ctx_(std::move(ctx)), frames_(frames)
{
    VkDevice device = ctx_->device();
    for (Frame& f : frames_)
    {
        VkCommandPoolCreateInfo poolInfo{};
        poolInfo.sType = VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO;
        poolInfo.flags = VK_COMMAND_POOL_CREATE_TRANSIENT_BIT;
        poolInfo.queueFamilyIndex = ctx_->queueFamily();
        VkCommandPool pool = VK_NULL_HANDLE;
        check(vkCreateCommandPool(device, &poolInfo, nullptr, &pool), "vkCreateCommandPool");
        f.pool = UniqueCommandPool(device, pool);

        VkCommandBufferAllocateInfo cmdInfo{};
        cmdInfo.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO;
        cmdInfo.commandPool = pool;
        cmdInfo.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
        cmdInfo.commandBufferCount = 1;
        check(vkAllocateCommandBuffers(device, &cmdInfo, &f.cmd), "vkAllocateCommandBuffers");
        ctx_->names().name(VK_OBJECT_TYPE_COMMAND_BUFFER, f.cmd, "frame commands");

        VkFenceCreateInfo fenceInfo{};
        fenceInfo.sType = VK_STRUCTURE_TYPE_FENCE_CREATE_INFO;
        VkFence fence = VK_NULL_HANDLE;
        check(vkCreateFence(device, &fenceInfo, nullptr, &fence), "vkCreateFence");
        f.fence = UniqueFence(device, fence);

        f.arena = std::make_unique<UploadArena>(*ctx_, kArenaChunk);
        f.descriptors = std::make_unique<DescriptorAllocator>(*ctx_);
    }
}

CommandStream::~CommandStream()
{
    try
    {
        if (recording_)
            submit();
    }
    catch (const Error&)
    {
    }
    for (Frame& f : frames_)
        if (f.pending)
        {
            VkFence fence = f.fence.get();
            vkWaitForFences(ctx_->device(), 1, &fence, VK_TRUE, UINT64_MAX);
        }
    garbage_.clear();
}

VkCommandBuffer CommandStream::cmd()
{
    if (!recording_)
        begin();
    return frame().cmd;
}

void CommandStream::begin()
{
    ++serial_;
    Frame& f = frame();
    if (f.pending)
    {
        VkFence fence = f.fence.get();
        check(vkWaitForFences(ctx_->device(), 1, &fence, VK_TRUE, UINT64_MAX), "vkWaitForFences");
        f.pending = false;
        completed_ = std::max(completed_, f.serial);
    }
    collect();
    VkFence fence = f.fence.get();
    check(vkResetFences(ctx_->device(), 1, &fence), "vkResetFences");
    check(vkResetCommandPool(ctx_->device(), f.pool.get(), 0), "vkResetCommandPool");
    f.arena->reset();
    f.descriptors->reset();
    f.serial = serial_;
    VkCommandBufferBeginInfo info{};
    info.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO;
    info.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
    check(vkBeginCommandBuffer(f.cmd, &info), "vkBeginCommandBuffer");
    recording_ = true;
}

void CommandStream::submit(VkSemaphore signal)
{
    if (!recording_)
        return;
    Frame& f = frame();
    recording_ = false;
    check(vkEndCommandBuffer(f.cmd), "vkEndCommandBuffer");
    VkSubmitInfo info{};
    info.sType = VK_STRUCTURE_TYPE_SUBMIT_INFO;
    info.commandBufferCount = 1;
    info.pCommandBuffers = &f.cmd;
    if (signal)
    {
        info.signalSemaphoreCount = 1;
        info.pSignalSemaphores = &signal;
    }
    check(ctx_->submit(info, f.fence.get()), "vkQueueSubmit");
    f.pending = true;
}

uint64_t CommandStream::completedSerial()
{
    for (Frame& f : frames_)
        if (f.pending && vkGetFenceStatus(ctx_->device(), f.fence.get()) == VK_SUCCESS)
        {
            f.pending = false;
            completed_ = std::max(completed_, f.serial);
        }
    return completed_;
}

void CommandStream::wait(uint64_t serial)
{
    if (recording_ && serial >= serial_)
        submit();
    if (serial <= completed_)
        return;
    for (Frame& f : frames_)
        if (f.pending && f.serial <= serial)
        {
            VkFence fence = f.fence.get();
            check(vkWaitForFences(ctx_->device(), 1, &fence, VK_TRUE, UINT64_MAX),
                  "vkWaitForFences");
            f.pending = false;
            completed_ = std::max(completed_, f.serial);
        }
    collect();
}

UploadArena& CommandStream::arena()
{
    cmd();
    return *frame().arena;
}

DescriptorAllocator& CommandStream::descriptors()
{
    cmd();
    return *frame().descriptors;
}

void CommandStream::retire(std::shared_ptr<void> object)
{
    if (!object)
        return;
    if (serial_ <= completedSerial() && !recording_)
        return;
    garbage_.emplace_back(serial_, std::move(object));
}

void CommandStream::collect()
{
    while (!garbage_.empty() && garbage_.front().first <= completed_)
        garbage_.pop_front();
}

} // namespace swk::vk
