#pragma once
// A lease: something held for as long as an object lives. Taking it did the
// holding (set a flag, added a subscriber); dropping it undoes that once, on
// every path out of the holder's scope, an exception's included.

#include <functional>
#include <utility>

namespace vexo::base {

class Lease {
public:
    // Holds nothing.
    Lease() = default;
    // Holds until dropped; `release` runs once then and must not throw.
    explicit Lease(std::function<void()> release) : release_(std::move(release)) {}
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    Lease(Lease&& other) noexcept : release_(std::exchange(other.release_, nullptr)) {}
    // Drops what this held, then holds what `other` held.
    Lease& operator=(Lease&& other) noexcept {
        if (this != &other) {
            Release();
            release_ = std::exchange(other.release_, nullptr);
        }
        return *this;
    }
    ~Lease() { Release(); }

    // Drops it now; a second call does nothing.
    void Release() noexcept {
        if (auto release = std::exchange(release_, nullptr)) {
            release();
        }
    }
    bool held() const { return static_cast<bool>(release_); }

private:
    std::function<void()> release_;
};

} // namespace vexo::base
