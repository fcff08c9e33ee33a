// Counted the way the kernel sees the process: its entries in the system's
// handle table, its threads in a snapshot, and its committed private pages.
// GetProcessHandleCount and the PrivateUsage of GetProcessMemoryInfo would be
// shorter, but under Wine both answer 0 whatever the process holds.

#include "support/process_resources.h"

#include <windows.h>

#include <tlhelp32.h>
#include <winternl.h>

#include <cstdint>
#include <vector>

namespace skyflume::test {
namespace {

// SystemExtendedHandleInformation, which unlike the older class keeps whole
// process ids.
constexpr ULONG kExtendedHandleInformation = 64;
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);

struct HandleEntry {
    PVOID object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG attributes;
    ULONG reserved;
};

struct HandleTable {
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntry entries[1];
};

int OpenHandles() {
    std::vector<char> buffer(1 << 16);
    NTSTATUS status = kInfoLengthMismatch;
    // The table may grow between two calls; the bound keeps a broken answer
    // from looping.
    for (int attempt = 0; attempt < 16 && status == kInfoLengthMismatch; ++attempt) {
        ULONG needed = 0;
        status = NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(kExtendedHandleInformation),
                                          buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == kInfoLengthMismatch) {
            buffer.resize(buffer.size() * 2);
        }
    }
    if (status < 0) {
        return -1;
    }
    const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
    int handles = 0;
    for (ULONG_PTR i = 0; i < table->count; ++i) {
        handles += table->entries[i].processId == GetCurrentProcessId() ? 1 : 0;
    }
    return handles;
}

int Threads() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return -1;
    }
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int threads = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        threads += entry.th32OwnerProcessID == GetCurrentProcessId() ? 1 : 0;
    }
    CloseHandle(snapshot);
    return threads;
}

int64_t PrivateKiB() {
    int64_t bytes = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (const char* address = nullptr; VirtualQuery(address, &region, sizeof region) == sizeof region;) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) {
            bytes += static_cast<int64_t>(region.RegionSize);
        }
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= address) {
            break;
        }
        address = next;
    }
    return bytes / 1024;
}

}  // namespace

ProcessResources CurrentProcessResources() {
    ProcessResources resources;
    resources.openHandles = OpenHandles();
    resources.threads = Threads();
    resources.memoryKiB = PrivateKiB();
    return resources;
}

}  // namespace skyflume::test
