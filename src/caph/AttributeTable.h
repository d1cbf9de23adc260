// The attribute table of one CAP-H element: unique keys, compared exactly
// byte for byte, no order exposed.
//
// Elements are the bulk of a parsed CAP-H file, so the table is compact: an
// empty table is one null pointer, and a filled one is a single block holding
// a small header and the entries ([length][key][length][value] each, lengths
// as base-128 varints). While the table is small (the usual wire or fixture
// holds a handful of values) it is searched linearly, after a 64-bit key
// filter has ruled out most absent keys without reading an entry; once it
// grows, an open-addressing index of entry offsets takes over, so a million
// attributes on one element still insert in constant time each. The index
// slots are 32 bits wide while the entries take less than 4 GiB, 64 bits once
// they take more.
//
// A parsed tree keeps the blocks of its small tables in its arena; the table
// then only forgets its block when it is emptied. Whatever grows the table
// without the arena at hand moves it to the heap first.
#ifndef PINWEAVE_CAPH_ATTRIBUTETABLE_H
#define PINWEAVE_CAPH_ATTRIBUTETABLE_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pinweave {

class CTreeArena;

class CAttributeTable {
public:
    CAttributeTable() = default;
    CAttributeTable(CAttributeTable&& other) noexcept : m_pBlock(other.m_pBlock) { other.m_pBlock = nullptr; }
    CAttributeTable& operator=(CAttributeTable&& other) noexcept;
    CAttributeTable(const CAttributeTable&) = delete;
    CAttributeTable& operator=(const CAttributeTable&) = delete;
    ~CAttributeTable() { RemoveAll(); }

    // True and the value copied into strValue when the key is present; false
    // with strValue left exactly as it was when it is not.
    bool Lookup(std::string_view strKey, std::string& strValue) const;

    // The value under the key, or nothing. The view lives until the next change.
    std::optional<std::string_view> Find(std::string_view strKey) const;

    // Looks up nKeys keys at once, walking the entries a single time:
    // arrValues[i] receives the value under arrKeys[i], or the empty text
    // when that key is absent. The views live until the next change.
    void FindValues(const std::string_view* arrKeys, std::string_view* arrValues, std::size_t nKeys) const;

    // The number of entries.
    std::size_t GetCount() const;

    // Stores the value under the key, replacing a value already stored there.
    void SetAt(std::string_view strKey, std::string_view strValue);

    // SetAt for a key known to be absent, as the key rule guarantees: skips
    // the search that SetAt makes first. With an arena, a small table keeps
    // its block there.
    void SetAtNew(std::string_view strKey, std::string_view strValue, CTreeArena* pArena = nullptr)
    {
        Append(strKey, strValue, pArena);
    }

    // Removes every entry and releases the storage.
    void RemoveAll();

    // Gives back the spare capacity of a table below 1 MiB; called once an
    // element is complete, so a parsed tree of many elements holds no growth
    // slack. pArena is the arena the table was filled from, if any.
    void Compact(CTreeArena* pArena = nullptr);

private:
    struct Block;
    struct Index;
    struct Entry {
        std::size_t nOffset;       // of the entry's key length, from the first entry
        std::string_view strKey;   // views into the block
        std::string_view strValue;
    };

    // The lowest bit of m_pBlock marks a block that lives in a tree's arena.
    static constexpr std::uintptr_t kArenaTag = 1;
    Block* GetBlock() const
    {
        return reinterpret_cast<Block*>(reinterpret_cast<std::uintptr_t>(m_pBlock) & ~kArenaTag);
    }
    bool InArena() const { return (reinterpret_cast<std::uintptr_t>(m_pBlock) & kArenaTag) != 0; }
    void SetBlock(Block* pBlock, bool bInArena);

    bool FindEntry(std::string_view strKey, Entry& entry) const;
    Entry DecodeAt(std::size_t nOffset) const;
    void Append(std::string_view strKey, std::string_view strValue, CTreeArena* pArena = nullptr);
    void Reserve(std::size_t nBytes, CTreeArena* pArena);
    void* MoveBlock(std::size_t nBytes, CTreeArena* pArena);
    void IndexInsert(std::size_t nOffset, std::string_view strKey);
    void RebuildIndex();

    Block* m_pBlock = nullptr;  // null while the table is empty; tagged
};

}  // namespace pinweave

#endif  // PINWEAVE_CAPH_ATTRIBUTETABLE_H
