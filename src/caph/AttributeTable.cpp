#include "caph/AttributeTable.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

namespace pinweave {

namespace {

// Below this many entries a linear search of the packed entries beats hashing.
constexpr std::size_t kLinearLimit = 32;

void AppendLength(std::string& str, std::size_t n)
{
    while (n >= 0x80) {
        str += static_cast<char>((n & 0x7F) | 0x80);
        n >>= 7;
    }
    str += static_cast<char>(n);
}

// Lengths below 128, the usual case, are one byte.
inline std::size_t ReadLength(const std::string& str, std::size_t& nOffset)
{
    const auto b0 = static_cast<unsigned char>(str[nOffset++]);
    if ((b0 & 0x80) == 0) {
        return b0;
    }
    std::size_t n = b0 & 0x7F;
    unsigned nShift = 7;
    for (;;) {
        const auto b = static_cast<unsigned char>(str[nOffset++]);
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

}  // namespace

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

CAttributeTable::CAttributeTable() = default;
CAttributeTable::CAttributeTable(CAttributeTable&&) noexcept = default;
CAttributeTable& CAttributeTable::operator=(CAttributeTable&&) noexcept = default;
CAttributeTable::~CAttributeTable() = default;

CAttributeTable::Entry CAttributeTable::DecodeAt(std::size_t nOffset) const
{
    Entry entry;
    entry.nOffset = nOffset;
    const std::size_t nKeyLength = ReadLength(m_strData, nOffset);
    entry.strKey = std::string_view(m_strData).substr(nOffset, nKeyLength);
    nOffset += nKeyLength;
    const std::size_t nValueLength = ReadLength(m_strData, nOffset);
    entry.strValue = std::string_view(m_strData).substr(nOffset, nValueLength);
    return entry;
}

bool CAttributeTable::FindEntry(std::string_view strKey, Entry& entry) const
{
    if (m_pIndex) {
        const Index& index = *m_pIndex;
        const std::size_t nMask = index.Size() - 1;
        for (std::size_t i = HashKey(strKey) & nMask; index.Get(i) != 0; i = (i + 1) & nMask) {
            entry = DecodeAt(static_cast<std::size_t>(index.Get(i) - 1));
            if (entry.strKey == strKey) {
                return true;
            }
        }
        return false;
    }
    std::size_t nOffset = 0;
    const std::size_t nEnd = m_strData.size();
    while (nOffset < nEnd) {
        const std::size_t nEntry = nOffset;
        const std::size_t nKeyLength = ReadLength(m_strData, nOffset);
        // Keys of one element mostly differ in their first byte: test it
        // before calling memcmp.
        const char* const pKey = m_strData.data() + nOffset;
        const bool bMatch = nKeyLength == strKey.size()
                            && (nKeyLength == 0
                                || (pKey[0] == strKey[0] && std::memcmp(pKey, strKey.data(), nKeyLength) == 0));
        nOffset += nKeyLength;
        const std::size_t nValueLength = ReadLength(m_strData, nOffset);
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

void CAttributeTable::Append(std::string_view strKey, std::string_view strValue)
{
    const std::size_t nOffset = m_strData.size();
    // Grow by at least half at a time, from a first size that holds a typical
    // wire, so filling an element costs one or two allocations.
    const std::size_t nNeeded = nOffset + strKey.size() + strValue.size() + 2 * sizeof(std::size_t) + 2;
    if (nNeeded > m_strData.capacity()) {
        m_strData.reserve(std::max<std::size_t>({nNeeded, m_strData.capacity() + m_strData.capacity() / 2, 96}));
    }
    AppendLength(m_strData, strKey.size());
    m_strData.append(strKey.data(), strKey.size());
    AppendLength(m_strData, strValue.size());
    m_strData.append(strValue.data(), strValue.size());
    ++m_nCount;
    if (m_pIndex) {
        if (2 * m_nCount > m_pIndex->Size() || !m_pIndex->Holds(nOffset + 1)) {
            RebuildIndex();
        } else {
            IndexInsert(nOffset, strKey);
        }
    } else if (m_nCount > kLinearLimit) {
        RebuildIndex();
    }
}

void CAttributeTable::IndexInsert(std::size_t nOffset, std::string_view strKey)
{
    Index& index = *m_pIndex;
    const std::size_t nMask = index.Size() - 1;
    std::size_t i = HashKey(strKey) & nMask;
    while (index.Get(i) != 0) {
        i = (i + 1) & nMask;
    }
    index.Set(i, nOffset + 1);
}

void CAttributeTable::RebuildIndex()
{
    std::size_t nSlots = 16;
    while (nSlots < 2 * m_nCount) {
        nSlots *= 2;
    }
    // The old index goes before the new one is made: it is rebuilt from the
    // entries alone, and both at once would double the peak.
    m_pIndex.reset();
    m_pIndex = std::make_unique<Index>();
    m_pIndex->bWide = m_strData.size() > UINT32_MAX;
    if (m_pIndex->bWide) {
        m_pIndex->arrWide.assign(nSlots, 0);
    } else {
        m_pIndex->arrNarrow.assign(nSlots, 0);
    }
    std::size_t nOffset = 0;
    while (nOffset < m_strData.size()) {
        const Entry entry = DecodeAt(nOffset);
        IndexInsert(nOffset, entry.strKey);
        nOffset = static_cast<std::size_t>(entry.strValue.data() + entry.strValue.size() - m_strData.data());
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
    // entry out, append the new one and index afresh.
    const std::string strKeyCopy(strKey);
    const std::string strValueCopy(strValue);
    const auto nEnd = static_cast<std::size_t>(entry.strValue.data() + entry.strValue.size() - m_strData.data());
    m_strData.erase(entry.nOffset, nEnd - entry.nOffset);
    --m_nCount;
    const bool bIndexed = m_pIndex != nullptr;
    m_pIndex.reset();
    Append(strKeyCopy, strValueCopy);
    if (bIndexed && !m_pIndex) {
        RebuildIndex();
    }
}

void CAttributeTable::RemoveAll()
{
    std::string().swap(m_strData);
    m_nCount = 0;
    m_pIndex.reset();
}

void CAttributeTable::Compact()
{
    // Slack matters where elements are many, and those are small. A large
    // table keeps its slack (under a third of it): shrinking would copy it
    // once more and hold both copies at the peak of the parse.
    constexpr std::size_t kLargeTable = std::size_t(1) << 20;
    const std::size_t nCapacity = m_strData.capacity();
    if (nCapacity > m_strData.size() + m_strData.size() / 8 + 16 && nCapacity < kLargeTable) {
        m_strData.shrink_to_fit();
    }
}

}  // namespace pinweave
