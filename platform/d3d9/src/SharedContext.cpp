#include "SharedContext.h"

#include <map>
#include <mutex>

namespace swk::d3d9
{

std::shared_ptr<vk::Context> sharedContext(const std::string& selector,
                                           const std::vector<std::string>& surfaceExtensions)
{
    static std::mutex mutex;
    static std::map<std::pair<std::string, std::vector<std::string>>, std::weak_ptr<vk::Context>>
        contexts;
    std::lock_guard<std::mutex> lock(mutex);
    std::weak_ptr<vk::Context>& slot = contexts[{selector, surfaceExtensions}];
    if (auto context = slot.lock())
        return context;
    vk::ContextOptions options;
    options.deviceSelector = selector;
    options.surfaceExtensions = surfaceExtensions;
    auto context = vk::Context::create(options);
    slot = context;
    return context;
}

} // namespace swk::d3d9
