// ComPtr: holds one reference to an interface of the module and releases it
// when it goes away. Only the IUnknown slots are used, so it works for every
// interface of library/abi.h.
#pragma once

#include <utility>

#include "library/abi.h"

namespace svt::host {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller owns (a factory's result).
    static ComPtr Adopt(T* p) {
        ComPtr c;
        c.p_ = p;
        return c;
    }
    ComPtr(const ComPtr& o) : p_(o.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~ComPtr() { Reset(); }

    void Reset() {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // Asks for another interface of the same object; empty when refused.
    template <class U>
    ComPtr<U> Query(const GUID& iid) const {
        void* out = nullptr;
        if (!p_ || p_->QueryInterface(&iid, &out) != kOk || !out) return {};
        return ComPtr<U>::Adopt(static_cast<U*>(out));
    }

private:
    T* p_ = nullptr;
};

} // namespace svt::host
