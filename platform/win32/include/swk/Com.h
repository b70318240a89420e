// The COM toolkit of our platform layer, its objects and its tests: a
// reference-counted object base and a smart pointer holding one reference.
#pragma once

#include <windows.h>

#include <atomic>
#include <utility>

namespace swk
{

// Implements IUnknown for one interface. The last Release calls
// onFinalRelease, which destroys the object unless a derived class keeps it
// for longer (a device that still binds it, for instance).
template <class Interface> class ComObject : public Interface
{
public:
    ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (!implements(riid))
            return E_NOINTERFACE;
        this->AddRef();
        *ppv = static_cast<Interface*>(this);
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG left = --refs_;
        if (left == 0)
            onFinalRelease();
        return left;
    }

protected:
    virtual ~ComObject() = default;
    // IUnknown and the interfaces a derived class adds.
    virtual bool implements(REFIID riid) const { return IsEqualIID(riid, IID_IUnknown); }
    virtual void onFinalRelease() { delete this; }
    ULONG references() const { return refs_; }

private:
    std::atomic<ULONG> refs_{1};
};

// Holds one reference to a COM object and gives it up on destruction.
template <class T> class ComPtr
{
public:
    ComPtr() = default;
    // Shares p: takes a reference of its own.
    explicit ComPtr(T* p) : p_(p)
    {
        if (p_)
            p_->AddRef();
    }
    // Takes over the reference a creation call handed out.
    static ComPtr adopt(T* p)
    {
        ComPtr adopted;
        adopted.p_ = p;
        return adopted;
    }
    ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr o) noexcept
    {
        std::swap(p_, o.p_);
        return *this;
    }
    ~ComPtr()
    {
        if (p_)
            p_->Release();
    }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void reset(T* p = nullptr) { *this = ComPtr(p); }
    // For calls that hand over a reference: releases what is held first.
    T** out()
    {
        reset();
        return &p_;
    }

private:
    T* p_ = nullptr;
};

} // namespace swk
