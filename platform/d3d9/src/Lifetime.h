// Reference counting of the objects a device hands out.
//
// An object counts the references the application holds and, separately, the
// bindings the device holds (render target, textures, streams, shaders). While
// the application holds it, it holds the device, as Direct3D 9 objects do;
// bindings do not, so a device never keeps itself alive through its own state.
// The object goes when both counts are zero. Sub-objects (the surfaces of a
// texture) forward both counts to their container; the implicit back buffer
// and depth surface forward application references to the device itself.
#pragma once

#include <d3d9.h>

#include <atomic>

namespace swk::d3d9
{

class Device;

class Lifetime
{
public:
    enum class Owner
    {
        Self,
        Container,
        Device,
    };

    Lifetime(Device& device, Owner owner, Lifetime* container = nullptr);
    virtual ~Lifetime();
    Lifetime(const Lifetime&) = delete;
    Lifetime& operator=(const Lifetime&) = delete;

    ULONG addRef();
    ULONG release();
    void bind();
    void unbind();

    // References held by the application (the container's, for sub-objects).
    ULONG references() const;
    Device& device() const { return *device_; }
    IDirect3DDevice9* deviceInterface() const;

private:
    Device* device_;
    Owner owner_;
    Lifetime* container_;
    std::atomic<ULONG> refs_{1};
    std::atomic<ULONG> binds_{0};
};

// A device binding: holds Lifetime::bind() on the object while set.
template <typename T> class Bound
{
public:
    Bound() = default;
    Bound(const Bound&) = delete;
    Bound& operator=(const Bound&) = delete;
    ~Bound() { reset(); }

    void reset(T* object = nullptr)
    {
        if (object == object_)
            return;
        if (object)
            object->lifetime().bind();
        T* old = object_;
        object_ = object;
        if (old)
            old->lifetime().unbind();
    }
    T* get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    T* object_ = nullptr;
};

} // namespace swk::d3d9
