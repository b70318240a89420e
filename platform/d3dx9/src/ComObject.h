// Reference counting shared by the objects this library hands out. Clients only
// see the interface; the last Release destroys the implementation.
#pragma once

#include <windows.h>

#include <atomic>

namespace swk::d3dx9
{

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
        if (!IsEqualIID(riid, IID_IUnknown) && !Implements(riid))
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
            delete this;
        return left;
    }

protected:
    virtual ~ComObject() = default;
    virtual bool Implements(REFIID) const { return false; }

private:
    std::atomic<ULONG> refs_{1};
};

// Holds one reference to a COM object and gives it up on destruction.
template <class T> class ComPtr
{
public:
    ComPtr() = default;
    explicit ComPtr(T* p, bool addRef = true) : p_(p)
    {
        if (p_ && addRef)
            p_->AddRef();
    }
    ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
    ComPtr(ComPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
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
    // For Get* calls that hand over a reference.
    T** put()
    {
        reset();
        return &p_;
    }

private:
    T* p_ = nullptr;
};

} // namespace swk::d3dx9
