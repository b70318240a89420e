// Cache keys in this backend are plain structs of 32-bit fields (no padding),
// compared and hashed as bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace swk::vk
{

inline size_t hashBytes(const void* data, size_t size)
{
    const auto* p = static_cast<const unsigned char*>(data);
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < size; ++i)
        h = (h ^ p[i]) * 1099511628211ull;
    return static_cast<size_t>(h);
}

template <typename T> struct BytewiseHash
{
    static_assert(std::has_unique_object_representations_v<T> || std::is_trivially_copyable_v<T>);
    size_t operator()(const T& key) const { return hashBytes(&key, sizeof(T)); }
};

template <typename T> struct BytewiseEqual
{
    bool operator()(const T& a, const T& b) const { return std::memcmp(&a, &b, sizeof(T)) == 0; }
};

} // namespace swk::vk
