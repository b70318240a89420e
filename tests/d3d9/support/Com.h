// An owning pointer for the interfaces the device hands out.
#pragma once

#include <windows.h>

#include <utility>

namespace swk::test
{

template <typename T> class Com
{
public:
    Com() = default;
    explicit Com(T* p) : p_(p) {}
    Com(const Com& other) : p_(other.p_)
    {
        if (p_)
            p_->AddRef();
    }
    Com& operator=(Com other)
    {
        std::swap(p_, other.p_);
        return *this;
    }
    ~Com() { reset(); }

    void reset()
    {
        if (p_)
            p_->Release();
        p_ = nullptr;
    }
    // For out-parameters: releases what is held first.
    T** out()
    {
        reset();
        return &p_;
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

} // namespace swk::test
