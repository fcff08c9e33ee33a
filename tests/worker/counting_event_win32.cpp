// On Windows a handle is the kernel's, so the waits are seen where the
// program calls the kernel: this program's import of WaitForSingleObject is
// pointed at a function that waits for real and records the waits on the
// event. A wait that fails is a real one too: on a duplicate of the event
// that may be signalled but not waited on.

#include "counting_event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

namespace skyflume::test {
namespace {

using WaitFunction = DWORD(WINAPI*)(HANDLE, DWORD);

// This program's import slot of a function, or none.
void** ImportSlot(const char* dll, const char* function) {
    auto* const base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* const headers =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* module = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         module->Name != 0; ++module) {
        if (_stricmp(reinterpret_cast<const char*>(base + module->Name), dll) != 0) {
            continue;
        }
        const auto* name = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
        for (; name->u1.AddressOfData != 0; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) {
                continue;
            }
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0) {
                return reinterpret_cast<void**>(&slot->u1.Function);
            }
        }
    }
    return nullptr;
}

}  // namespace

struct CountingEvent::Recorder {
    // The kernel's own function; the one handle whose waits are recorded, and
    // where. A wait on any other handle never looks at the recorder, and only
    // the worker, ended before the recorder goes, waits on that one.
    static inline WaitFunction kernelWait = nullptr;
    static inline std::atomic<HANDLE> watched{nullptr};
    static inline std::atomic<CountingEvent*> recording{nullptr};

    static DWORD WINAPI Wait(HANDLE handle, DWORD timeoutMs) {
        const DWORD answer = kernelWait(handle, timeoutMs);
        if (handle != nullptr && handle == watched.load()) {
            recording.load()->Record(timeoutMs, answer);
        }
        return answer;
    }

    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE waitless = nullptr;
};

CountingEvent::CountingEvent() : recorder(std::make_unique<Recorder>()) {
    Recorder::recording = this;
    Recorder::watched = recorder->event;
    static void** const slot = ImportSlot("kernel32.dll", "WaitForSingleObject");
    if (slot == nullptr) {
        ADD_FAILURE() << "this program does not import WaitForSingleObject from kernel32.dll";
        return;
    }
    if (Recorder::kernelWait == nullptr) {
        DWORD protection = 0;
        VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
        Recorder::kernelWait = reinterpret_cast<WaitFunction>(*slot);
        *slot = reinterpret_cast<void*>(&Recorder::Wait);
        VirtualProtect(slot, sizeof *slot, protection, &protection);
    }
}

CountingEvent::~CountingEvent() {
    Recorder::watched = nullptr;
    Recorder::recording = nullptr;
    CloseHandle(recorder->event);
    if (recorder->waitless != nullptr) {
        CloseHandle(recorder->waitless);
    }
}

// A duplicate, since the run closes what it is handed; from now on the waits
// on the duplicate are the ones recorded.
HANDLE CountingEvent::Handle() const {
    const HANDLE process = GetCurrentProcess();
    HANDLE duplicate = nullptr;
    DuplicateHandle(process, Recorder::watched, process, &duplicate, 0, FALSE, DUPLICATE_SAME_ACCESS);
    Recorder::watched = duplicate;
    return duplicate;
}

void CountingEvent::FailWaits() {
    const HANDLE process = GetCurrentProcess();
    DuplicateHandle(process, recorder->event, process, &recorder->waitless, EVENT_MODIFY_STATE, FALSE, 0);
    Recorder::watched = recorder->waitless;
}

}  // namespace skyflume::test
