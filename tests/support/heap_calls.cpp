#include "support/heap_calls.h"

#include <atomic>
#include <cerrno>
#include <cstddef>

namespace {

std::atomic<int64_t> heapCalls{0};
// In the program's own static TLS, so that reading it allocates nothing.
thread_local bool counting __attribute__((tls_model("initial-exec"))) = false;

void Note() {
    if (counting) {
        heapCalls.fetch_add(1, std::memory_order_relaxed);
    }
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)

// The sanitizer runtimes' allocator hooks (GCC ships no header for them).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onAllocation)(const volatile void*, size_t),
                                                         void (*onFree)(const volatile void*));

namespace {

void OnAllocation(const volatile void*, size_t) {
    Note();
}

const bool hooked = __sanitizer_install_malloc_and_free_hooks(&OnAllocation, nullptr) != 0;

}  // namespace

#else

// glibc's own allocator under its internal names. Ours are exported, so that
// the libraries and the module loaded later call them too.
#define EXPORTED __attribute__((visibility("default")))
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);

EXPORTED void* malloc(size_t size) noexcept {
    Note();
    return __libc_malloc(size);
}

EXPORTED void* calloc(size_t count, size_t size) noexcept {
    Note();
    return __libc_calloc(count, size);
}

EXPORTED void* realloc(void* block, size_t size) noexcept {
    Note();
    return __libc_realloc(block, size);
}

EXPORTED void* memalign(size_t alignment, size_t size) noexcept {
    Note();
    return __libc_memalign(alignment, size);
}

EXPORTED void* aligned_alloc(size_t alignment, size_t size) noexcept {
    Note();
    return __libc_memalign(alignment, size);
}

EXPORTED int posix_memalign(void** block, size_t alignment, size_t size) noexcept {
    Note();
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) {
        return EINVAL;
    }
    void* const allocated = __libc_memalign(alignment, size);
    if (allocated == nullptr) {
        return ENOMEM;
    }
    *block = allocated;
    return 0;
}
}

#endif

namespace skyflume::test {

int64_t HeapCalls() {
    return heapCalls.load();
}

void CountHeapCallsOnThisThread() {
    counting = true;
}

}  // namespace skyflume::test
