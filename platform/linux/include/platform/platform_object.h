#pragma once

#include <cstdint>

// What a HANDLE points to on Linux. Host and module each create such objects
// (threads, events) and call each other's through this table, so its three
// slots are part of the binary interface: no data, no destructor in the table.
struct PlatformObject {
    // 0 when signalled, 258 on time-out, 0xFFFFFFFF on failure;
    // timeoutMs 0xFFFFFFFF waits without limit.
    virtual uint32_t Wait(uint32_t timeoutMs) = 0;
    // Nonzero on success.
    virtual int32_t Signal() = 0;
    // Ends the caller's use of the object; nonzero on success.
    virtual int32_t Close() = 0;
};
