// Owners for the GDI objects the main window creates, so that each is
// deleted exactly once however the window goes away.
#pragma once

#include <windows.h>

namespace wof {

template <typename Handle>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle handle) : handle_(handle) {}
    ~GdiObject() { Reset(); }

    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    GdiObject(GdiObject&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }

    Handle get() const { return handle_; }

private:
    void Reset() {
        if (handle_) DeleteObject(handle_);
        handle_ = nullptr;
    }

    Handle handle_ = nullptr;
};

using Font = GdiObject<HFONT>;
using SolidBrush = GdiObject<HBRUSH>;

}  // namespace wof
