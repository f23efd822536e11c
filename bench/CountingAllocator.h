// Peak memory of a benchmark program: every operator new goes through malloc
// here and the usable size of each block is counted. It replaces the global
// operators, so include it in exactly one source file of a program.
#pragma once

#include <malloc.h>

#include <cstddef>
#include <cstdlib>
#include <new>

namespace {
size_t g_liveBytes = 0;
size_t g_peakBytes = 0;

void* CountedAlloc(size_t n)
{
    void* p = std::malloc(n ? n : 1);
    if (p) {
        g_liveBytes += malloc_usable_size(p);
        if (g_liveBytes > g_peakBytes)
            g_peakBytes = g_liveBytes;
    }
    return p;
}

void CountedFree(void* p)
{
    if (!p)
        return;
    g_liveBytes -= malloc_usable_size(p);
    std::free(p);
}
}  // namespace

void* operator new(size_t n)
{
    if (void* p = CountedAlloc(n))
        return p;
    throw std::bad_alloc();
}
void* operator new[](size_t n) { return operator new(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return CountedAlloc(n); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return CountedAlloc(n); }
void operator delete(void* p) noexcept { CountedFree(p); }
void operator delete[](void* p) noexcept { CountedFree(p); }
void operator delete(void* p, size_t) noexcept { CountedFree(p); }
void operator delete[](void* p, size_t) noexcept { CountedFree(p); }

// Runs job; returns the most memory it held at once beyond what was live before.
template <typename Job>
size_t PeakBytesDuring(Job&& job)
{
    const size_t before = g_liveBytes;
    g_peakBytes = before;
    job();
    return g_peakBytes - before;
}
