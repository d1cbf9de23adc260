// The attribute table of one CAP-H element: unique keys, compared exactly
// byte for byte, no order exposed.
//
// Elements are the bulk of a parsed CAP-H file, so the table is compact: the
// entries live in one byte string ([length][key][length][value] each, lengths
// as base-128 varints), searched linearly while the table is small (the usual
// wire or fixture holds a handful of values) and through an open-addressing
// index of entry offsets once it grows, so a million attributes on one element
// still insert in constant time each. The index slots are 32 bits wide while
// the entries take less than 4 GiB, 64 bits once they take more.
#ifndef PINWEAVE_CAPH_ATTRIBUTETABLE_H
#define PINWEAVE_CAPH_ATTRIBUTETABLE_H

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace pinweave {

class CAttributeTable {
public:
    CAttributeTable();
    CAttributeTable(CAttributeTable&&) noexcept;
    CAttributeTable& operator=(CAttributeTable&&) noexcept;
    CAttributeTable(const CAttributeTable&) = delete;
    CAttributeTable& operator=(const CAttributeTable&) = delete;
    ~CAttributeTable();

    // True and the value copied into strValue when the key is present; false
    // with strValue left exactly as it was when it is not.
    bool Lookup(std::string_view strKey, std::string& strValue) const;

    // The value under the key, or nothing. The view lives until the next change.
    std::optional<std::string_view> Find(std::string_view strKey) const;

    // The number of entries.
    std::size_t GetCount() const { return m_nCount; }

    // Stores the value under the key, replacing a value already stored there.
    void SetAt(std::string_view strKey, std::string_view strValue);

    // SetAt for a key known to be absent, as the key rule guarantees: skips
    // the search that SetAt makes first.
    void SetAtNew(std::string_view strKey, std::string_view strValue) { Append(strKey, strValue); }

    // Removes every entry and releases the storage.
    void RemoveAll();

    // Gives back the spare capacity of the entry storage of a table below
    // 1 MiB; called once an element is complete, so a parsed tree of many
    // elements holds no growth slack.
    void Compact();

private:
    struct Entry {
        std::size_t nOffset;       // offset of the entry's key length in m_strData
        std::string_view strKey;   // views into m_strData
        std::string_view strValue;
    };

    bool FindEntry(std::string_view strKey, Entry& entry) const;
    Entry DecodeAt(std::size_t nOffset) const;
    void Append(std::string_view strKey, std::string_view strValue);
    void IndexInsert(std::size_t nOffset, std::string_view strKey);
    void RebuildIndex();

    struct Index;

    std::string m_strData;
    std::size_t m_nCount = 0;
    // Null while the table is small.
    std::unique_ptr<Index> m_pIndex;
};

}  // namespace pinweave

#endif  // PINWEAVE_CAPH_ATTRIBUTETABLE_H
