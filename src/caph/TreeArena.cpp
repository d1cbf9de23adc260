#include "caph/TreeArena.h"

#include "caph/CapHElement.h"
#include "caph/LargeMemory.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace pinweave {

namespace {

// Chunks and slabs double up to this size: large enough for large pages and
// few allocations, small enough that the last one's slack does not matter.
constexpr std::size_t kMaxChunkBytes = std::size_t(4) << 20;

constexpr std::size_t kBlockAlignment = alignof(void*);

constexpr std::size_t RoundUp(std::size_t n, std::size_t nAlignment)
{
    return (n + nAlignment - 1) & ~(nAlignment - 1);
}

}  // namespace

struct CTreeArena::Chunk {
    Chunk* pPrevious;
    std::size_t nBytes;  // the whole chunk, this header included
};

struct CTreeArena::Slab {
    Slab* pPrevious;
    std::size_t nBytes;  // the whole slab, this header included
    std::size_t nCapacity;
    std::size_t nUsed;

    static constexpr std::size_t HeaderBytes() { return RoundUp(sizeof(Slab), alignof(CCapHElement)); }
    CCapHElement* Elements()
    {
        return reinterpret_cast<CCapHElement*>(reinterpret_cast<char*>(this) + HeaderBytes());
    }
};

CTreeArena::~CTreeArena()
{
    // Elements first: their destructors drop what they hold on the heap and
    // only forget the blocks that live in the chunks.
    while (m_pSlabs != nullptr) {
        Slab* const pSlab = m_pSlabs;
        CCapHElement* const arrElements = pSlab->Elements();
        for (std::size_t i = 0; i < pSlab->nUsed; ++i) {
            arrElements[i].~CCapHElement();
        }
        m_pSlabs = pSlab->pPrevious;
        FreeLarge(pSlab, pSlab->nBytes);
    }
    while (m_pChunks != nullptr) {
        Chunk* const pChunk = m_pChunks;
        m_pChunks = pChunk->pPrevious;
        FreeLarge(pChunk, pChunk->nBytes);
    }
}

CCapHElement* CTreeArena::NewElement()
{
    if (m_pSlabs == nullptr || m_pSlabs->nUsed == m_pSlabs->nCapacity) {
        AddSlab();
    }
    CCapHElement* const pElement = new (m_pSlabs->Elements() + m_pSlabs->nUsed) CCapHElement();
    ++m_pSlabs->nUsed;
    return pElement;
}

void CTreeArena::AddSlab()
{
    const std::size_t nBytes = m_nNextSlabBytes;
    auto* const pSlab = static_cast<Slab*>(AllocateLarge(nBytes));
    pSlab->pPrevious = m_pSlabs;
    pSlab->nBytes = nBytes;
    pSlab->nCapacity = (nBytes - Slab::HeaderBytes()) / sizeof(CCapHElement);
    pSlab->nUsed = 0;
    m_pSlabs = pSlab;
    m_nNextSlabBytes = std::min(2 * nBytes, kMaxChunkBytes);
}

void CTreeArena::AddChunk(std::size_t nAtLeast)
{
    const std::size_t nHeader = RoundUp(sizeof(Chunk), kBlockAlignment);
    std::size_t nBytes = m_nNextChunkBytes;
    while (nBytes < nHeader + nAtLeast) {
        nBytes *= 2;
    }
    auto* const pChunk = static_cast<Chunk*>(AllocateLarge(nBytes));
    pChunk->pPrevious = m_pChunks;
    pChunk->nBytes = nBytes;
    m_pChunks = pChunk;
    m_pFree = reinterpret_cast<char*>(pChunk) + nHeader;
    m_pEnd = reinterpret_cast<char*>(pChunk) + nBytes;
    m_pLatest = nullptr;
    m_nNextChunkBytes = std::min(2 * nBytes, kMaxChunkBytes);
}

void* CTreeArena::AllocateBlock(std::size_t nBytes)
{
    const std::size_t nRounded = RoundUp(std::max<std::size_t>(nBytes, 1), kBlockAlignment);
    if (nRounded > static_cast<std::size_t>(m_pEnd - m_pFree)) {
        AddChunk(nRounded);
    }
    m_pLatest = m_pFree;
    m_pFree += nRounded;
    return m_pLatest;
}

void* CTreeArena::ResizeBlock(void* pBlock, std::size_t nOldBytes, std::size_t nNewBytes)
{
    char* const p = static_cast<char*>(pBlock);
    if (p == m_pLatest) {
        const std::size_t nRounded = RoundUp(std::max<std::size_t>(nNewBytes, 1), kBlockAlignment);
        if (nRounded <= static_cast<std::size_t>(m_pEnd - p)) {
            m_pFree = p + nRounded;
            return p;
        }
    } else if (nNewBytes <= nOldBytes) {
        return p;
    }
    void* const pNew = AllocateBlock(nNewBytes);
    std::memcpy(pNew, p, std::min(nOldBytes, nNewBytes));
    return pNew;
}

namespace {

// Links the list newest-first at pOther behind the head of pList: the head
// stays the newest, where allocation goes on.
template <typename T> void LinkBehindHead(T*& pList, T*& pOther)
{
    if (pOther == nullptr) {
        return;
    }
    if (pList == nullptr) {
        pList = pOther;
    } else {
        T* pTail = pOther;
        while (pTail->pPrevious != nullptr) {
            pTail = pTail->pPrevious;
        }
        pTail->pPrevious = pList->pPrevious;
        pList->pPrevious = pOther;
    }
    pOther = nullptr;
}

}  // namespace

void CTreeArena::Adopt(CTreeArena& other)
{
    // An adopted slab may become the newest here: it is then filled further,
    // which its count of elements allows.
    LinkBehindHead(m_pSlabs, other.m_pSlabs);
    // Adopted chunks only hold blocks; new blocks keep coming from this
    // arena's own newest chunk, or a fresh one.
    const bool bHadChunk = m_pChunks != nullptr;
    LinkBehindHead(m_pChunks, other.m_pChunks);
    if (!bHadChunk) {
        m_pFree = m_pEnd = m_pLatest = nullptr;
    }
    other.m_pFree = other.m_pEnd = other.m_pLatest = nullptr;
}

}  // namespace pinweave
