// Owns one open registry key and closes it through the registry that
// opened it, on every path out of a scope.
#pragma once

#include "registry/Registry.h"

namespace wof {

class KeyHandle {
public:
    explicit KeyHandle(Registry& registry, HKey key = 0) : registry_(&registry), key_(key) {}
    ~KeyHandle() { reset(); }

    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    KeyHandle(KeyHandle&& other) noexcept : registry_(other.registry_), key_(other.release()) {}
    KeyHandle& operator=(KeyHandle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
            registry_ = other.registry_;
        }
        return *this;
    }

    HKey get() const { return key_; }
    explicit operator bool() const { return key_ != 0; }

    // For out-parameters: closes what is held first.
    HKey* put() {
        reset();
        return &key_;
    }

    HKey release() {
        HKey key = key_;
        key_ = 0;
        return key;
    }

    // Returns the close status; closing an empty handle is a no-op.
    RegStatus reset(HKey key = 0) {
        RegStatus status = kErrorSuccess;
        if (key_ != 0) status = registry_->CloseKey(key_);
        key_ = key;
        return status;
    }

private:
    Registry* registry_;
    HKey key_;
};

}  // namespace wof
