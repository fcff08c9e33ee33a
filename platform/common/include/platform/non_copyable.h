#pragma once

// A base for a type that owns what it cannot share, such as a thread, a
// handle or a process: a copy would release it twice, so none is made.
class NonCopyable {
public:
    NonCopyable(const NonCopyable&) = delete;
    NonCopyable& operator=(const NonCopyable&) = delete;

protected:
    NonCopyable() = default;
    ~NonCopyable() = default;
};
