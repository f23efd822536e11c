// Large zero-filled blocks that cost nothing until written: fresh anonymous
// pages, in large pages where the system allows. For pictures and tables
// that are written once, so they need not be cleared first.
#pragma once

#include <cstddef>
#include <new>
#include <utility>

// Zero-filled memory for bytes (> 0). largePages: a block of 1 MiB or more
// asks for 2 MiB pages, which the system clears whole on first touch.
// Throws std::bad_alloc.
void* AllocateZeroed(size_t bytes, bool largePages = true);
void ReleaseZeroed(void* block, size_t bytes);

// Takes the pages of a block from AllocateZeroed at once, for a thread that
// prepares memory another is about to write; leaves their contents alone
// (also where another thread writes meanwhile). Does nothing where the
// system cannot.
void PopulatePages(const void* block, size_t bytes) noexcept;

// A std::vector allocator whose fresh storage reads as zeros without being
// written: resize on fresh storage leaves zeros, at no cost for elements the
// caller overwrites anyway. Storage reused after shrinking is not cleared.
template <typename T>
struct ZeroedAllocator {
    using value_type = T;

    ZeroedAllocator() = default;
    template <typename U>
    ZeroedAllocator(const ZeroedAllocator<U>&) noexcept
    {
    }

    T* allocate(size_t n)
    {
        if (n > size_t(-1) / sizeof(T))
            throw std::bad_alloc();
        return static_cast<T*>(AllocateZeroed(n * sizeof(T)));
    }
    void deallocate(T* p, size_t n) noexcept { ReleaseZeroed(p, n * sizeof(T)); }

    // Default-initialises: leaves the zeros of fresh storage in place.
    template <typename U>
    void construct(U* p) noexcept
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    template <typename U>
    bool operator==(const ZeroedAllocator<U>&) const noexcept
    {
        return true;
    }
};
