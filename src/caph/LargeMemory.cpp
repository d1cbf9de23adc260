#include "caph/LargeMemory.h"

#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace pinweave {

void* AllocateLarge(std::size_t nBytes)
{
#if defined(__linux__)
    if (nBytes >= kLargePageSize) {
        void* const pBlock = mmap(nullptr, nBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (pBlock == MAP_FAILED) {
            throw std::bad_alloc();
        }
        // Only a hint: where the kernel has no large pages to give, the block
        // works the same with small ones.
        madvise(pBlock, nBytes, MADV_HUGEPAGE);
        return pBlock;
    }
#endif
    void* const pBlock = std::malloc(nBytes != 0 ? nBytes : 1);
    if (pBlock == nullptr) {
        throw std::bad_alloc();
    }
    return pBlock;
}

void FreeLarge(void* pBlock, std::size_t nBytes)
{
    if (pBlock == nullptr) {
        return;
    }
#if defined(__linux__)
    if (nBytes >= kLargePageSize) {
        munmap(pBlock, nBytes);
        return;
    }
#else
    static_cast<void>(nBytes);
#endif
    std::free(pBlock);
}

}  // namespace pinweave
