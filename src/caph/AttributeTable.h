// The attribute table of one CAP-H element: unique keys, compared exactly
// byte for byte, no order exposed.
//
// The table copies no text: an entry is one pointer to an attribute line of
// the parsed text, "NAME=value". The name runs up to the first "=", the value
// from there up to the first control byte (0x00-0x1F), as the line runs in the
// text; a key therefore never holds "=". A key the text does not spell as it
// is stored (a name with lower-case letters, a repeated name with its "||n")
// and whatever SetAt stores is copied as "KEY=value" into the table's own
// storage, and the entry points there. So the text must outlive the table.
// One pointer per entry, where a pair of views took 32 bytes: a 10 MB file
// holds some 350,000 entries, and its tree took 2.8 MB less.
//
// A small table (the usual wire or fixture holds a handful of values) is
// searched straight through; from kIndexFrom entries on (a pin list), a hash
// index of the keys takes over, so a million attributes on one element still
// insert in constant time each. The index is a vector of entry numbers with
// linear probing, at most three quarters full: 5-11 bytes per entry, where a
// std::unordered_map took 56 (a 5 MB file of 500,000 attributes on one
// element peaked at 70 MB with it, 36 MB without). A slot keeps bits of its
// key's hash beside the entry number, so a search reads the lines of few
// other keys (10 million repeated names on one element: 7.1 s, 12.1 s
// without).
#ifndef PINWEAVE_CAPH_ATTRIBUTETABLE_H
#define PINWEAVE_CAPH_ATTRIBUTETABLE_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <memory_resource>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pinweave {

class CAttributeTable {
public:
    static constexpr std::size_t kIndexFrom = 32;

    // True and the value copied into strValue when the key is present; false
    // with strValue left exactly as it was when it is not.
    bool Lookup(std::string_view strKey, std::string& strValue) const;

    // The value under the key, or nothing.
    std::optional<std::string_view> Find(std::string_view strKey) const;

    // Looks up nKeys keys at once: arrValues[i] receives the value under
    // arrKeys[i], or the empty text when that key is absent.
    void FindValues(const std::string_view* arrKeys, std::string_view* arrValues, std::size_t nKeys) const;

    std::size_t GetCount() const { return m_lstEntries.size(); }

    // Stores a copy of the value under the key (which holds no "="),
    // replacing a value already stored there. The value ends at its first
    // control byte, as in the text.
    void SetAt(std::string_view strKey, std::string_view strValue);

    // For a key known to be absent, as the key rule guarantees: the attribute
    // line at pLine ("NAME=value") stays in the text when strKey is empty;
    // otherwise strKey is the name as it is stored, and the line is copied
    // with it.
    void SetAtNew(const char* pLine, std::string_view strKey);

    // Removes every entry and releases the storage.
    void RemoveAll();

    // Gives back the spare capacity; called once an element is complete, so
    // a parsed tree of many elements holds no growth slack.
    void Compact() { m_lstEntries.shrink_to_fit(); }

private:
    // The copies and the index, which most tables never need.
    struct Extra {
        std::pmr::monotonic_buffer_resource copies;
        // Entry number + 1 in the bits of nEntryMask and a tag from the key's
        // hash above them, or 0 for a free slot.
        std::vector<std::uint32_t> arrSlots;
        std::uint32_t nEntryMask = 0;
    };

    const char* const* FindEntry(std::string_view strKey) const;
    // The slot that holds the key, or the free slot where it would go.
    std::uint32_t& SlotOf(std::string_view strKey) const;
    std::uint32_t TagOf(std::size_t nHash) const;
    // Enters entry nEntry into the index.
    void Index(std::size_t nEntry);
    void Append(const char* pLine);
    // Stores "key=value" and a NUL in the table's own storage.
    const char* Copy(std::string_view strKey, std::string_view strValue);
    Extra& GetExtra();

    std::vector<const char*> m_lstEntries;
    std::unique_ptr<Extra> m_pExtra;
};

} // namespace pinweave

#endif // PINWEAVE_CAPH_ATTRIBUTETABLE_H
