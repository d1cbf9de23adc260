// Memory for the big blocks of a run (the bytes of a CAP-H file, the storage
// of its element tree), filled once and released once.
//
// A 100 MB file and its tree touch some 50,000 fresh pages of 4 KiB, and the
// page faults alone took a sixth of a conversion. On Linux these blocks ask
// the kernel for 2 MiB pages instead (where it grants them on request); other
// systems get plain heap memory.
#ifndef PINWEAVE_CAPH_LARGEMEMORY_H
#define PINWEAVE_CAPH_LARGEMEMORY_H

#include <cstddef>

namespace pinweave {

// Blocks from this size on are worth large pages; smaller ones come from the heap.
constexpr std::size_t kLargePageSize = std::size_t(2) << 20;

// A block of nBytes (not zeroed unless the system zeroes it), aligned for any
// type. Throws std::bad_alloc when there is no memory.
void* AllocateLarge(std::size_t nBytes);

// Gives back a block from AllocateLarge; nBytes as it was asked for. Null is harmless.
void FreeLarge(void* pBlock, std::size_t nBytes);

}  // namespace pinweave

#endif  // PINWEAVE_CAPH_LARGEMEMORY_H
