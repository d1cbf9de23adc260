#include "caph/AttributeTable.h"

#include "caph/TreeArena.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <vector>

namespace pinweave {

namespace {

// Below this many entries a linear search of the packed entries beats hashing.
constexpr std::size_t kLinearLimit = 32;

// The first capacity of a table's entries: a typical wire fits.
constexpr std::size_t kFirstCapacity = 160;

void PutLength(char*& pOut, std::size_t n)
{
    while (n >= 0x80) {
        *pOut++ = static_cast<char>((n & 0x7F) | 0x80);
        n >>= 7;
    }
    *pOut++ = static_cast<char>(n);
}

constexpr std::size_t kMaxLengthBytes = (sizeof(std::size_t) * 8 + 6) / 7;

// Lengths below 128, the usual case, are one byte.
inline std::size_t ReadLength(const char* pEntries, std::size_t& nOffset)
{
    const auto b0 = static_cast<unsigned char>(pEntries[nOffset++]);
    if ((b0 & 0x80) == 0) {
        return b0;
    }
    std::size_t n = b0 & 0x7F;
    unsigned nShift = 7;
    for (;;) {
        const auto b = static_cast<unsigned char>(pEntries[nOffset++]);
        n |= static_cast<std::size_t>(b & 0x7F) << nShift;
        if ((b & 0x80) == 0) {
            return n;
        }
        nShift += 7;
    }
}

std::size_t HashKey(std::string_view strKey)
{
    return std::hash<std::string_view>{}(strKey);
}

// The key's bit in the table's key filter, from its length and three of its
// bytes: cheap, and enough to tell apart the few keys of a usual element.
inline std::uint64_t KeyBit(std::string_view strKey)
{
    std::uint64_t h = strKey.size();
    if (!strKey.empty()) {
        h = (h << 8) | static_cast<unsigned char>(strKey.front());
        h = (h << 8) | static_cast<unsigned char>(strKey.back());
        h = (h << 8) | static_cast<unsigned char>(strKey[strKey.size() / 2]);
    }
    return std::uint64_t(1) << ((h * 0x9E3779B97F4A7C15u) >> 58);
}

}  // namespace

// The one allocation of a filled table: this header, then nCapacity bytes for
// the entries. Plain data, so the block can be moved by realloc.
struct CAttributeTable::Block {
    std::size_t nCount;
    std::size_t nSize;  // bytes of entries in use
    std::size_t nCapacity;
    // The bits of every key stored (KeyBit); a key whose bit is clear is absent.
    std::uint64_t nKeyBits;
    Index* pIndex;  // null while the table is small

    char* Entries() { return reinterpret_cast<char*>(this + 1); }
    const char* Entries() const { return reinterpret_cast<const char*>(this + 1); }
};

// Slots hold an entry's offset + 1; 0 is a free slot. A large table's index
// outweighs its text, so slots take 32 bits while every offset fits in them
// and 64 bits only for a table whose entries outgrow 4 GiB.
struct CAttributeTable::Index {
    bool bWide = false;
    std::vector<std::uint32_t> arrNarrow;
    std::vector<std::uint64_t> arrWide;

    std::size_t Size() const { return bWide ? arrWide.size() : arrNarrow.size(); }
    std::uint64_t Get(std::size_t i) const { return bWide ? arrWide[i] : arrNarrow[i]; }
    bool Holds(std::uint64_t nSlotValue) const { return bWide || nSlotValue <= UINT32_MAX; }
    void Set(std::size_t i, std::uint64_t nSlotValue)
    {
        if (bWide) {
            arrWide[i] = nSlotValue;
        } else {
            arrNarrow[i] = static_cast<std::uint32_t>(nSlotValue);
        }
    }
};

CAttributeTable& CAttributeTable::operator=(CAttributeTable&& other) noexcept
{
    if (this != &other) {
        RemoveAll();
        m_pBlock = other.m_pBlock;
        other.m_pBlock = nullptr;
    }
    return *this;
}

std::size_t CAttributeTable::GetCount() const
{
    return m_pBlock != nullptr ? GetBlock()->nCount : 0;
}

CAttributeTable::Entry CAttributeTable::DecodeAt(std::size_t nOffset) const
{
    const char* const pEntries = GetBlock()->Entries();
    Entry entry;
    entry.nOffset = nOffset;
    const std::size_t nKeyLength = ReadLength(pEntries, nOffset);
    entry.strKey = std::string_view(pEntries + nOffset, nKeyLength);
    nOffset += nKeyLength;
    const std::size_t nValueLength = ReadLength(pEntries, nOffset);
    entry.strValue = std::string_view(pEntries + nOffset, nValueLength);
    return entry;
}

bool CAttributeTable::FindEntry(std::string_view strKey, Entry& entry) const
{
    if (m_pBlock == nullptr || (GetBlock()->nKeyBits & KeyBit(strKey)) == 0) {
        return false;
    }
    if (GetBlock()->pIndex != nullptr) {
        const Index& index = *GetBlock()->pIndex;
        const std::size_t nMask = index.Size() - 1;
        for (std::size_t i = HashKey(strKey) & nMask; index.Get(i) != 0; i = (i + 1) & nMask) {
            entry = DecodeAt(static_cast<std::size_t>(index.Get(i) - 1));
            if (entry.strKey == strKey) {
                return true;
            }
        }
        return false;
    }
    // Only the lengths are read until a key matches: the parser's key check
    // comes here for every attribute it stores (measured: DecodeAt per entry
    // costs a twentieth of the whole parse).
    const char* const pEntries = GetBlock()->Entries();
    std::size_t nOffset = 0;
    const std::size_t nEnd = GetBlock()->nSize;
    while (nOffset < nEnd) {
        const std::size_t nEntry = nOffset;
        const std::size_t nKeyLength = ReadLength(pEntries, nOffset);
        const char* const pKey = pEntries + nOffset;
        const bool bMatch = nKeyLength == strKey.size() && std::memcmp(pKey, strKey.data(), nKeyLength) == 0;
        nOffset += nKeyLength;
        const std::size_t nValueLength = ReadLength(pEntries, nOffset);
        if (bMatch) {
            entry = DecodeAt(nEntry);
            return true;
        }
        nOffset += nValueLength;
    }
    return false;
}

bool CAttributeTable::Lookup(std::string_view strKey, std::string& strValue) const
{
    Entry entry;
    if (!FindEntry(strKey, entry)) {
        return false;
    }
    strValue.assign(entry.strValue.data(), entry.strValue.size());
    return true;
}

std::optional<std::string_view> CAttributeTable::Find(std::string_view strKey) const
{
    Entry entry;
    if (!FindEntry(strKey, entry)) {
        return std::nullopt;
    }
    return entry.strValue;
}

void CAttributeTable::FindValues(const std::string_view* arrKeys, std::string_view* arrValues,
                                 std::size_t nKeys) const
{
    std::fill(arrValues, arrValues + nKeys, std::string_view());
    if (m_pBlock == nullptr) {
        return;
    }
    if (GetBlock()->pIndex != nullptr) {
        for (std::size_t i = 0; i < nKeys; ++i) {
            arrValues[i] = Find(arrKeys[i]).value_or(std::string_view());
        }
        return;
    }
    // One walk over the entries; each entry is held against the keys of its
    // length. Keys are unique, so the first match of a key is its only one.
    const char* const pEntries = GetBlock()->Entries();
    std::size_t nOffset = 0;
    const std::size_t nEnd = GetBlock()->nSize;
    while (nOffset < nEnd) {
        const std::size_t nKeyLength = ReadLength(pEntries, nOffset);
        const char* const pKey = pEntries + nOffset;
        nOffset += nKeyLength;
        const std::size_t nValueLength = ReadLength(pEntries, nOffset);
        for (std::size_t i = 0; i < nKeys; ++i) {
            if (arrKeys[i].size() == nKeyLength && std::memcmp(arrKeys[i].data(), pKey, nKeyLength) == 0) {
                arrValues[i] = std::string_view(pEntries + nOffset, nValueLength);
            }
        }
        nOffset += nValueLength;
    }
}

void CAttributeTable::SetBlock(Block* pBlock, bool bInArena)
{
    m_pBlock =
        reinterpret_cast<Block*>(reinterpret_cast<std::uintptr_t>(pBlock) | (bInArena ? kArenaTag : 0));
}

void* CAttributeTable::MoveBlock(std::size_t nBytes, CTreeArena* pArena)
{
    Block* const pOld = GetBlock();
    const std::size_t nOldBytes = pOld != nullptr ? sizeof(Block) + pOld->nCapacity : 0;
    // A small table takes its block from the arena while one is at hand; a
    // large one, or one grown without the arena, lives on the heap.
    if (pArena != nullptr && nBytes <= CTreeArena::kMaxBlock && (pOld == nullptr || InArena())) {
        void* const pNew =
            pOld == nullptr ? pArena->AllocateBlock(nBytes) : pArena->ResizeBlock(pOld, nOldBytes, nBytes);
        SetBlock(static_cast<Block*>(pNew), true);
        return pNew;
    }
    if (InArena()) {
        void* const pNew = std::malloc(nBytes);
        if (pNew == nullptr) {
            throw std::bad_alloc();
        }
        std::memcpy(pNew, pOld, std::min(nOldBytes, nBytes));
        SetBlock(static_cast<Block*>(pNew), false);
        return pNew;
    }
    void* const pNew = std::realloc(pOld, nBytes);
    if (pNew == nullptr) {
        throw std::bad_alloc();
    }
    SetBlock(static_cast<Block*>(pNew), false);
    return pNew;
}

void CAttributeTable::Reserve(std::size_t nBytes, CTreeArena* pArena)
{
    Block* const pOld = GetBlock();
    if (pOld != nullptr && nBytes <= pOld->nCapacity) {
        return;
    }
    // Grow by at least half at a time, from a first size that holds a typical
    // wire, so filling an element costs one or two allocations.
    const std::size_t nCapacity = pOld == nullptr ? std::max(nBytes, kFirstCapacity)
                                                  : std::max(nBytes, pOld->nCapacity + pOld->nCapacity / 2);
    auto* const pBlock = static_cast<Block*>(MoveBlock(sizeof(Block) + nCapacity, pArena));
    if (pOld == nullptr) {
        *pBlock = Block{0, 0, nCapacity, 0, nullptr};
        return;
    }
    pBlock->nCapacity = nCapacity;
}

void CAttributeTable::Append(std::string_view strKey, std::string_view strValue, CTreeArena* pArena)
{
    const std::size_t nOffset = m_pBlock != nullptr ? GetBlock()->nSize : 0;
    Reserve(nOffset + strKey.size() + strValue.size() + 2 * kMaxLengthBytes, pArena);
    Block& block = *GetBlock();
    char* pOut = block.Entries() + nOffset;
    PutLength(pOut, strKey.size());
    std::memcpy(pOut, strKey.data(), strKey.size());
    pOut += strKey.size();
    PutLength(pOut, strValue.size());
    std::memcpy(pOut, strValue.data(), strValue.size());
    pOut += strValue.size();
    block.nSize = static_cast<std::size_t>(pOut - block.Entries());
    block.nKeyBits |= KeyBit(strKey);
    ++block.nCount;
    if (block.pIndex != nullptr) {
        if (2 * block.nCount > block.pIndex->Size() || !block.pIndex->Holds(nOffset + 1)) {
            RebuildIndex();
        } else {
            IndexInsert(nOffset, strKey);
        }
    } else if (block.nCount > kLinearLimit) {
        RebuildIndex();
    }
}

void CAttributeTable::IndexInsert(std::size_t nOffset, std::string_view strKey)
{
    Index& index = *GetBlock()->pIndex;
    const std::size_t nMask = index.Size() - 1;
    std::size_t i = HashKey(strKey) & nMask;
    while (index.Get(i) != 0) {
        i = (i + 1) & nMask;
    }
    index.Set(i, nOffset + 1);
}

void CAttributeTable::RebuildIndex()
{
    Block& block = *GetBlock();
    std::size_t nSlots = 16;
    while (nSlots < 2 * block.nCount) {
        nSlots *= 2;
    }
    // The old index goes before the new one is made: it is rebuilt from the
    // entries alone, and both at once would double the peak.
    delete block.pIndex;
    block.pIndex = nullptr;
    auto pIndex = std::make_unique<Index>();
    pIndex->bWide = block.nSize > UINT32_MAX;
    if (pIndex->bWide) {
        pIndex->arrWide.assign(nSlots, 0);
    } else {
        pIndex->arrNarrow.assign(nSlots, 0);
    }
    block.pIndex = pIndex.release();
    std::size_t nOffset = 0;
    while (nOffset < block.nSize) {
        const Entry entry = DecodeAt(nOffset);
        IndexInsert(nOffset, entry.strKey);
        nOffset = static_cast<std::size_t>(entry.strValue.data() + entry.strValue.size() - block.Entries());
    }
}

void CAttributeTable::SetAt(std::string_view strKey, std::string_view strValue)
{
    Entry entry;
    if (!FindEntry(strKey, entry)) {
        Append(strKey, strValue);
        return;
    }
    // Replacing a value is rare (the parser only stores free keys): cut the old
    // entry out, append the new one and index afresh. The key's filter bit
    // stays set, which only costs a search.
    const std::string strKeyCopy(strKey);
    const std::string strValueCopy(strValue);
    Block& block = *GetBlock();
    const auto nEnd = static_cast<std::size_t>(entry.strValue.data() + entry.strValue.size() - block.Entries());
    std::memmove(block.Entries() + entry.nOffset, block.Entries() + nEnd, block.nSize - nEnd);
    block.nSize -= nEnd - entry.nOffset;
    --block.nCount;
    const bool bIndexed = block.pIndex != nullptr;
    delete block.pIndex;
    block.pIndex = nullptr;
    Append(strKeyCopy, strValueCopy);
    if (bIndexed && GetBlock()->pIndex == nullptr) {
        RebuildIndex();
    }
}

void CAttributeTable::RemoveAll()
{
    if (m_pBlock != nullptr) {
        Block* const pBlock = GetBlock();
        delete pBlock->pIndex;
        if (!InArena()) {
            std::free(pBlock);
        }
        m_pBlock = nullptr;
    }
}

void CAttributeTable::Compact(CTreeArena* pArena)
{
    // Slack matters where elements are many, and those are small. A large
    // table keeps its slack (under a third of it): shrinking could copy it
    // once more and hold both copies at the peak of the parse.
    constexpr std::size_t kLargeTable = std::size_t(1) << 20;
    if (m_pBlock == nullptr) {
        return;
    }
    Block* const pBlock = GetBlock();
    const std::size_t nSize = pBlock->nSize;
    if (pBlock->nCapacity <= nSize + nSize / 8 + 16 || pBlock->nCapacity >= kLargeTable) {
        return;
    }
    if (InArena()) {
        // The arena takes back the slack of its latest block; elsewhere a
        // smaller capacity only stops the table from using it.
        if (pArena != nullptr) {
            pArena->ResizeBlock(pBlock, sizeof(Block) + pBlock->nCapacity, sizeof(Block) + nSize);
            pBlock->nCapacity = nSize;
        }
        return;
    }
    // Shrinking mostly keeps the block where it is; a failed shrink leaves the
    // table as it was.
    if (void* const pNew = std::realloc(pBlock, sizeof(Block) + nSize)) {
        SetBlock(static_cast<Block*>(pNew), false);
        GetBlock()->nCapacity = nSize;
    }
}

}  // namespace pinweave
