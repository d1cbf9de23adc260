// The storage of a parsed element tree: its elements and the blocks of their
// attribute tables, carved from a few large chunks instead of one heap block
// each.
//
// A 100 MB CAP-H file parses into some four million attribute lines on half a
// million elements. Allocating and freeing each of them on its own took a
// third of a conversion; from the arena, building the tree costs a few dozen
// allocations and releasing it as many.
//
// The arena belongs to the element whose Parse made it and dies with that
// element's Clear. Elements made here are destroyed by the arena, never by a
// child list; the blocks made here are never freed one by one.
#ifndef PINWEAVE_CAPH_TREEARENA_H
#define PINWEAVE_CAPH_TREEARENA_H

#include <cstddef>

namespace pinweave {

class CCapHElement;

class CTreeArena {
public:
    // Blocks above this size live on the heap: a table that large is rare and
    // would leave a large hole in the arena each time it grows.
    static constexpr std::size_t kMaxBlock = std::size_t(64) << 10;

    CTreeArena() = default;
    CTreeArena(const CTreeArena&) = delete;
    CTreeArena& operator=(const CTreeArena&) = delete;
    // Destroys every element made here, then releases all the storage.
    ~CTreeArena();

    // A new empty element that lives until the arena dies.
    CCapHElement* NewElement();

    // A block of nBytes (up to kMaxBlock), aligned like a pointer.
    void* AllocateBlock(std::size_t nBytes);

    // Gives the block at pBlock, of nOldBytes, the size nNewBytes (up to
    // kMaxBlock) and returns where it is now. The latest block grows and
    // shrinks in place while its chunk has room; any other block that grows
    // is copied to a new one, and one that shrinks stays as it is.
    void* ResizeBlock(void* pBlock, std::size_t nOldBytes, std::size_t nNewBytes);

    // Takes over everything other holds, which is left empty: elements made
    // there now die with this arena.
    void Adopt(CTreeArena& other);

private:
    struct Chunk;
    struct Slab;

    void AddChunk(std::size_t nAtLeast);
    void AddSlab();

    Chunk* m_pChunks = nullptr;  // newest first
    char* m_pLatest = nullptr;   // the latest block
    char* m_pFree = nullptr;     // first free byte of the newest chunk
    char* m_pEnd = nullptr;      // end of the newest chunk
    std::size_t m_nNextChunkBytes = std::size_t(16) << 10;

    Slab* m_pSlabs = nullptr;  // newest first; elements in the order made
    std::size_t m_nNextSlabBytes = std::size_t(4) << 10;
};

}  // namespace pinweave

#endif  // PINWEAVE_CAPH_TREEARENA_H
