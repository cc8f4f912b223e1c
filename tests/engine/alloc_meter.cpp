#include "alloc_meter.h"

#include <malloc.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> gInUse{0};
std::atomic<std::size_t> gPeak{0};

void Count(void* p) {
    const std::size_t now = gInUse += malloc_usable_size(p);
    std::size_t peak = gPeak.load();
    while (now > peak && !gPeak.compare_exchange_weak(peak, now)) {
    }
}

void* TakeOrNull(std::size_t n, std::size_t align = 0) noexcept {
    if (n == 0) n = 1;
    void* p = align > alignof(std::max_align_t) ? std::aligned_alloc(align, (n + align - 1) / align * align)
                                                : std::malloc(n);
    if (p) Count(p);
    return p;
}

void* Take(std::size_t n, std::size_t align = 0) {
    void* p = TakeOrNull(n, align);
    if (!p) throw std::bad_alloc();
    return p;
}

void Give(void* p) noexcept {
    if (!p) return;
    gInUse -= malloc_usable_size(p);
    std::free(p);
}

}  // namespace

// Every form of new and delete goes through malloc and free, so that the
// pairs match whichever form a library uses.
void* operator new(std::size_t n) { return Take(n); }
void* operator new[](std::size_t n) { return Take(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return TakeOrNull(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return TakeOrNull(n); }
void* operator new(std::size_t n, std::align_val_t a) { return Take(n, static_cast<std::size_t>(a)); }
void* operator new[](std::size_t n, std::align_val_t a) { return Take(n, static_cast<std::size_t>(a)); }
void* operator new(std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
    return TakeOrNull(n, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
    return TakeOrNull(n, static_cast<std::size_t>(a));
}
void operator delete(void* p) noexcept { Give(p); }
void operator delete[](void* p) noexcept { Give(p); }
void operator delete(void* p, std::size_t) noexcept { Give(p); }
void operator delete[](void* p, std::size_t) noexcept { Give(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Give(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Give(p); }
void operator delete(void* p, std::align_val_t) noexcept { Give(p); }
void operator delete[](void* p, std::align_val_t) noexcept { Give(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { Give(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { Give(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { Give(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { Give(p); }

namespace vd::test {

std::size_t HeapInUse() { return gInUse.load(); }
std::size_t HeapPeak() { return gPeak.load(); }
void ResetHeapPeak() { gPeak = gInUse.load(); }

}  // namespace vd::test
