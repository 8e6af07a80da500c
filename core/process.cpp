#include "core/process.h"

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <new>

#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

// Sanitizer runtimes bring their own operator new; ours stays out of them.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define LORIX_OWN_NEW 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define LORIX_OWN_NEW 0
#endif
#endif
#ifndef LORIX_OWN_NEW
#define LORIX_OWN_NEW 1
#endif

namespace lorix {

namespace {
std::atomic<bool> g_hugeBuffers{true};
} // namespace

void SetHugeBuffers(bool on)
{
    g_hugeBuffers.store(on, std::memory_order_relaxed);
}

void IgnoreFileSizeSignal()
{
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

} // namespace lorix

#if LORIX_OWN_NEW
// Loading or saving a library fills fresh memory, and the system's work of
// providing it can cost more than the parsing itself. Every C++ allocation
// comes through here, so this is where the memory is prepared:
// - a large buffer (the item array, the text of a library written) is a
//   mapping of its own, the small allocations (values, names, field lists)
//   come from a heap that grows in steps of kHeapStep;
// - a buffer smaller than kPopulateAfter, and each step of the heap until
//   the heap has grown by kPopulateAfter, is advised as transparent huge
//   pages as soon as it is seen here, before it is touched: one fault per
//   2 MB instead of 512. lorix-cli format of a 4.4 MB library takes 32-41 ms
//   against 39-41 ms without;
// - beyond that (a large library is being built) huge pages cost more than
//   they save: on the virtual machines we measure on, 1.7 GB of them took 3.0-3.9 s
//   to provide against 0.65-0.88 s on 4 KB pages, and a load of 1,000,000
//   entries 4.6 s against 2.5-2.8 s. Each further step of the heap is instead
//   faulted in whole on 4 KB pages by one madvise call, which is cheaper than
//   one fault per page as the allocations reach it. The step is used by the
//   allocations that follow anyway; at most one step more than they need is
//   filled.
namespace {

#if defined(__GLIBC__) && defined(MADV_HUGEPAGE)
constexpr std::uintptr_t kHugePage = 2u << 20;
constexpr int kHeapStep = 16 << 20;
constexpr std::uintptr_t kPopulateAfter = 64u << 20;

void AdviseHuge(std::uintptr_t from, std::uintptr_t to)
{
    from = (from + kHugePage - 1) & ~(kHugePage - 1);
    to &= ~(kHugePage - 1);
    if (to > from) {
        // Only advice. madvise wants the page-aligned address worked out above as a pointer.
        // NOLINTNEXTLINE(performance-no-int-to-ptr)
        (void)madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
    }
}

std::atomic<std::uintptr_t> g_heapAdvised{0};
std::atomic<std::uintptr_t> g_heapFirst{0}; // the heap's end when it was first advised

// Faults in [from, to) now. Kernels before 5.14 do not know the advice and
// leave the pages to fault in one by one as before.
void Populate(std::uintptr_t from, std::uintptr_t to)
{
#ifdef MADV_POPULATE_WRITE
    const int populate = MADV_POPULATE_WRITE;
#else
    const int populate = 23; // Linux 5.14 and later
#endif
    from &= ~std::uintptr_t(4095);
    // madvise wants the page-aligned address as a pointer.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    (void)madvise(reinterpret_cast<void*>(from), to - from, populate);
}

void AdviseNewMemory(void* p, std::size_t n)
{
    // Below kHugeBufferBytes from the heap, at or above it a mapping of its own.
    static const bool tuned = mallopt(M_TOP_PAD, kHeapStep) && mallopt(M_MMAP_THRESHOLD, lorix::kHugeBufferBytes);
    (void)tuned;
    const bool huge = lorix::g_hugeBuffers.load(std::memory_order_relaxed);
    const auto at = reinterpret_cast<std::uintptr_t>(p);
    if (huge && n >= lorix::kHugeBufferBytes && n < kPopulateAfter)
        AdviseHuge(at, at + n);
    // glibc answers sbrk(0) from memory, without a system call.
    const auto end = reinterpret_cast<std::uintptr_t>(sbrk(0));
    std::uintptr_t advised = g_heapAdvised.load(std::memory_order_relaxed);
    // A heap given back to the system (end below the mark) is advised again
    // as it grows back; the heap as it was before the first call is not.
    if (end != advised && g_heapAdvised.compare_exchange_strong(advised, end, std::memory_order_relaxed) &&
        advised && end > advised) {
        std::uintptr_t first = 0;
        if (g_heapFirst.compare_exchange_strong(first, advised, std::memory_order_relaxed))
            first = advised;
        if (end > first && end - first >= kPopulateAfter)
            Populate(advised, end);
        else if (huge)
            AdviseHuge(advised, end);
    }
}
#else
void AdviseNewMemory(void*, std::size_t) {}
#endif

} // namespace

void* operator new(std::size_t n)
{
    void* p;
    while (!(p = std::malloc(n ? n : 1))) {
        std::new_handler handler = std::get_new_handler();
        if (!handler)
            throw std::bad_alloc();
        handler();
    }
    AdviseNewMemory(p, n);
    return p;
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
#endif
