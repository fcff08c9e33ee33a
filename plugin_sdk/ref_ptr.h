#pragma once

#include <utility>

// Holds one counted reference and releases it when it goes, so that no early
// return forgets a Release. Raw counting stays at the host boundary.
template <class T>
class RefPtr {
public:
    RefPtr() = default;
    // Takes over a reference that the caller owns (a creation or out-parameter).
    static RefPtr Adopt(T* object) {
        RefPtr pointer;
        pointer.object = object;
        return pointer;
    }
    RefPtr(const RefPtr&) = delete;
    RefPtr& operator=(const RefPtr&) = delete;
    RefPtr(RefPtr&& other) noexcept : object(std::exchange(other.object, nullptr)) {}
    RefPtr& operator=(RefPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            object = std::exchange(other.object, nullptr);
        }
        return *this;
    }
    ~RefPtr() { Reset(); }

    void Reset() {
        if (object != nullptr) {
            std::exchange(object, nullptr)->Release();
        }
    }
    // For out-parameters: drops the current reference and receives the new one.
    T** Receive() {
        Reset();
        return &object;
    }
    T* Get() const { return object; }
    T* operator->() const { return object; }
    explicit operator bool() const { return object != nullptr; }

private:
    T* object = nullptr;
};
