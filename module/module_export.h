#pragma once

// Marks the module's entry points: unmangled and visible, while everything
// else in the module stays hidden.
#if defined(_WIN32)
#define SKYFLUME_EXPORT extern "C" __declspec(dllexport)
#else
#define SKYFLUME_EXPORT extern "C" __attribute__((visibility("default")))
#endif
