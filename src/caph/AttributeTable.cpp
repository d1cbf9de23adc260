#include "caph/AttributeTable.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace pinweave {

namespace {

// Below this many entries a linear search of the packed entries beats hashing.
constexpr std::size_t kLinearLimit = 8;

void AppendLength(std::string& str, std::size_t n)
{
    while (n >= 0x80) {
        str += static_cast<char>((n & 0x7F) | 0x80);
        n >>= 7;
    }
    str += static_cast<char>(n);
}

std::size_t ReadLength(const std::string& str, std::size_t& nOffset)
{
    std::size_t n = 0;
    unsigned nShift = 0;
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
        const std::vector<std::size_t>& slots = *m_pIndex;
        const std::size_t nMask = slots.size() - 1;
        for (std::size_t i = HashKey(strKey) & nMask; slots[i] != 0; i = (i + 1) & nMask) {
            entry = DecodeAt(slots[i] - 1);
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
        const bool bMatch = nKeyLength == strKey.size()
                            && std::memcmp(m_strData.data() + nOffset, strKey.data(), nKeyLength) == 0;
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
        if (2 * m_nCount > m_pIndex->size()) {
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
    std::vector<std::size_t>& slots = *m_pIndex;
    const std::size_t nMask = slots.size() - 1;
    std::size_t i = HashKey(strKey) & nMask;
    while (slots[i] != 0) {
        i = (i + 1) & nMask;
    }
    slots[i] = nOffset + 1;
}

void CAttributeTable::RebuildIndex()
{
    std::size_t nSlots = 16;
    while (nSlots < 2 * m_nCount) {
        nSlots *= 2;
    }
    if (!m_pIndex) {
        m_pIndex = std::make_unique<std::vector<std::size_t>>();
    }
    m_pIndex->assign(nSlots, 0);
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
    if (m_strData.capacity() > m_strData.size() + m_strData.size() / 8 + 16) {
        m_strData.shrink_to_fit();
    }
}

}  // namespace pinweave
