// The attribute table of one CAP-H element: unique keys, compared exactly
// byte for byte, no order exposed.
//
// The table copies no text it can point to. An entry is an attribute line of
// the parsed text, "NAME=value": the name runs up to the first "=", the value
// from there up to the first control byte (0x00-0x1F), as the line runs in
// the text; a key therefore never holds "=". A key the text does not spell as
// it is stored (a name with lower-case letters, a repeated name with its
// "||n") and whatever SetAt stores is copied as "KEY=value", and the entry
// points to the copy. So the text must outlive the table.
//
// A table is held in one of two ways, both answering alike:
// - its own: entries, copies and a hash index on the heap; what the parser
//   fills, a root, an element with children or a name twice, a table SetAt
//   changed. From kIndexFrom entries on (a pin list) the index takes over
//   from the straight search, so a million attributes on one element still
//   insert and are found in constant time each.
// - over the text: the body of an element that holds no element and no name
//   twice, as nearly every wire. Nothing but the body's place is kept (16
//   bytes for the whole table, where a pointer per entry took 72 bytes for a
//   usual wire), and a search reads the body's lines the way the parser read
//   them, all the keys of FindValues in one pass.
#ifndef PINWEAVE_CAPH_ATTRIBUTETABLE_H
#define PINWEAVE_CAPH_ATTRIBUTETABLE_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pinweave {

class CAttributeTable {
public:
    static constexpr std::size_t kIndexFrom = 32;

    CAttributeTable() = default;
    CAttributeTable(const CAttributeTable&) = delete;
    CAttributeTable& operator=(const CAttributeTable&) = delete;
    CAttributeTable(CAttributeTable&& other) noexcept;
    CAttributeTable& operator=(CAttributeTable&& other) noexcept;
    ~CAttributeTable() { RemoveAll(); }

    // True and the value copied into strValue when the key is present; false
    // with strValue left exactly as it was when it is not.
    bool Lookup(std::string_view strKey, std::string& strValue) const;

    // The value under the key, or nothing.
    std::optional<std::string_view> Find(std::string_view strKey) const;

    // Looks up nKeys keys at once: arrValues[i] receives the value under
    // arrKeys[i], or the empty text when that key is absent. A table over the
    // text reads its body once for all of them.
    void FindValues(const std::string_view* arrKeys, std::string_view* arrValues, std::size_t nKeys) const;

    std::size_t GetCount() const { return m_nCount; }

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

    // For the parser, which reads each element into one table and reuses it:
    // empties the table but keeps its own storage.
    void Reset();
    // For the parser: the table of an element whose nCount entries are the
    // lines of its body [pBody, pBody + nLength), each under its name
    // upper-cased, no name twice (see the class comment).
    static CAttributeTable OverText(const char* pBody, std::size_t nLength, std::size_t nCount);
    // The longest body OverText takes.
    static constexpr std::size_t kMaxTextBody = UINT32_MAX - 1;

private:
    struct Own;

    bool IsOwn() const { return m_nLength == kOwn; }
    bool IsOverText() const { return m_nLength != kOwn; }
    // The storage of a table of its own; null while it is empty.
    Own* OwnStorage() const { return IsOwn() ? static_cast<Own*>(const_cast<void*>(m_pData)) : nullptr; }
    // The storage of its own, made first, from the body for a table over
    // the text.
    Own& GetOwn();
    // The entry of the key (its line, or for a table over the text the line
    // whose name folds to it), or null.
    const char* FindLine(std::string_view strKey) const;

    static constexpr std::uint32_t kOwn = UINT32_MAX;

    // Own: the Own storage, or null while empty. Over the text: the body.
    const void* m_pData = nullptr;
    // Own: kOwn; over the text: the body's length.
    std::uint32_t m_nLength = kOwn;
    std::uint32_t m_nCount = 0;
};

} // namespace pinweave

#endif // PINWEAVE_CAPH_ATTRIBUTETABLE_H
