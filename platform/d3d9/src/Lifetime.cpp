#include "Lifetime.h"
#include "Device.h"

namespace swk::d3d9
{

Lifetime::Lifetime(Device& device, Owner owner, Lifetime* container)
    : device_(&device), owner_(owner), container_(container)
{
    if (owner_ == Owner::Self)
        device_->AddRef();
}

Lifetime::~Lifetime()
{
    // Only an object whose construction failed goes with references left.
    if (owner_ == Owner::Self && refs_ > 0)
        device_->Release();
}

IDirect3DDevice9* Lifetime::deviceInterface() const
{
    return device_;
}

ULONG Lifetime::addRef()
{
    switch (owner_)
    {
    case Owner::Container:
        return container_->addRef();
    case Owner::Device:
        return device_->AddRef();
    case Owner::Self:
        break;
    }
    const ULONG count = ++refs_;
    if (count == 1)
        device_->AddRef();
    return count;
}

ULONG Lifetime::release()
{
    switch (owner_)
    {
    case Owner::Container:
        return container_->release();
    case Owner::Device:
        return device_->Release();
    case Owner::Self:
        break;
    }
    const ULONG count = --refs_;
    if (count == 0)
    {
        Device* device = device_;
        if (binds_ == 0)
            delete this;
        device->Release();
    }
    return count;
}

void Lifetime::bind()
{
    if (owner_ == Owner::Container)
        container_->bind();
    else if (owner_ == Owner::Self)
        ++binds_;
}

void Lifetime::unbind()
{
    if (owner_ == Owner::Container)
        container_->unbind();
    else if (owner_ == Owner::Self && --binds_ == 0 && refs_ == 0)
        delete this;
}

ULONG Lifetime::references() const
{
    switch (owner_)
    {
    case Owner::Container:
        return container_->references();
    case Owner::Device:
        return 0;
    case Owner::Self:
        break;
    }
    return refs_;
}

} // namespace swk::d3d9
