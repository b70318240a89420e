// What every Direct3D 9 resource of this device shares: its lifetime, its
// device, its pool and the priority only managed resources keep.
#pragma once

#include "Lifetime.h"

#include <d3d9.h>

namespace swk::d3d9
{

template <typename Interface, D3DRESOURCETYPE Type>
class Resource : public Interface, public Lifetime
{
public:
    Resource(Device& device, Owner owner, Lifetime* container, D3DPOOL pool)
        : Lifetime(device, owner, container), pool_(pool)
    {
    }

    STDMETHOD_(ULONG, AddRef)() override { return addRef(); }
    STDMETHOD_(ULONG, Release)() override { return release(); }
    STDMETHOD(GetDevice)(IDirect3DDevice9** ppDevice) override
    {
        if (!ppDevice)
            return D3DERR_INVALIDCALL;
        IDirect3DDevice9* owner = deviceInterface();
        owner->AddRef();
        *ppDevice = owner;
        return D3D_OK;
    }
    STDMETHOD_(DWORD, SetPriority)(DWORD PriorityNew) override
    {
        const DWORD old = priority_;
        if (pool_ == D3DPOOL_MANAGED)
            priority_ = PriorityNew;
        return old;
    }
    STDMETHOD_(DWORD, GetPriority)() override { return priority_; }
    STDMETHOD_(void, PreLoad)() override {}
    STDMETHOD_(D3DRESOURCETYPE, GetType)() override { return Type; }

    Lifetime& lifetime() { return *this; }
    D3DPOOL pool() const { return pool_; }

protected:
    // Answers QueryInterface for IUnknown, IDirect3DResource9, the object's
    // own interface and the one between them, if any.
    HRESULT queryInterface(REFIID riid, void** ppvObject, REFIID own, const IID* base = nullptr)
    {
        if (!ppvObject)
            return E_POINTER;
        *ppvObject = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDirect3DResource9 || riid == own ||
            (base && riid == *base))
        {
            AddRef();
            *ppvObject = static_cast<Interface*>(this);
            return S_OK;
        }
        return E_NOINTERFACE;
    }

private:
    D3DPOOL pool_;
    DWORD priority_ = 0;
};

} // namespace swk::d3d9
