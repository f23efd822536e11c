#include "doc/ZeroedMemory.h"

#include <sys/mman.h>

#include <cstdlib>

namespace {

// Below this, ordinary zeroed heap memory; from here on, whole fresh pages.
constexpr size_t kPageBlockBytes = size_t(1) << 20;

}  // namespace

void* AllocateZeroed(size_t bytes, bool largePages)
{
    if (bytes < kPageBlockBytes) {
        void* block = std::calloc(bytes ? bytes : 1, 1);
        if (!block)
            throw std::bad_alloc();
        return block;
    }
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        throw std::bad_alloc();
    // Fewer page faults and TLB misses; the kernel clears large pages fast.
    if (largePages)
        madvise(block, bytes, MADV_HUGEPAGE);
    return block;
}

void ReleaseZeroed(void* block, size_t bytes)
{
    if (bytes < kPageBlockBytes)
        std::free(block);
    else if (block)
        munmap(block, bytes);
}

void PopulatePages(const void* block, size_t bytes) noexcept
{
#ifdef MADV_POPULATE_WRITE
    // Only whole blocks of fresh pages, which start on a page boundary.
    if (block && bytes >= kPageBlockBytes)
        madvise(const_cast<void*>(block), bytes, MADV_POPULATE_WRITE);
#else
    (void)block;
    (void)bytes;
#endif
}
