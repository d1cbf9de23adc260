#include "caph/AttributeTable.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <stdexcept>

namespace pinweave {

namespace {

std::string_view NameOf(const char* pLine)
{
    const char* p = pLine;
    while (*p != '=') {
        ++p;
    }
    return {pLine, static_cast<std::size_t>(p - pLine)};
}

std::string_view ValueAfter(const char* pValue)
{
    const char* p = pValue;
    while (static_cast<unsigned char>(*p) >= 0x20) {
        ++p;
    }
    return {pValue, static_cast<std::size_t>(p - pValue)};
}

// Whether the line's name is the key. The comparison stops at the first byte
// that differs or at the "=" that ends the name, so it never reads past it,
// and a key that holds "=" matches no line.
bool NameIs(const char* pLine, std::string_view strKey)
{
    for (const char c : strKey) {
        const char b = *pLine++;
        if (b != c || b == '=') {
            return false;
        }
    }
    return *pLine == '=';
}

} // namespace

std::uint32_t& CAttributeTable::SlotOf(std::string_view strKey) const
{
    std::vector<std::uint32_t>& arrSlots = m_pExtra->arrSlots;
    const std::size_t nMask = arrSlots.size() - 1;
    const std::size_t nHash = std::hash<std::string_view>()(strKey);
    const std::uint32_t nTag = TagOf(nHash);
    std::size_t i = nHash & nMask;
    // A slot whose tag differs holds another key: its line is not read.
    while (arrSlots[i] != 0 && ((arrSlots[i] & ~m_pExtra->nEntryMask) != nTag ||
                                !NameIs(m_lstEntries[(arrSlots[i] & m_pExtra->nEntryMask) - 1], strKey))) {
        i = (i + 1) & nMask;
    }
    return arrSlots[i];
}

std::uint32_t CAttributeTable::TagOf(std::size_t nHash) const
{
    // The bits above the entry number hold bits of the hash that the slot's
    // place does not tell.
    return static_cast<std::uint32_t>(nHash >> 32) & ~m_pExtra->nEntryMask;
}

void CAttributeTable::Index(std::size_t nEntry)
{
    const std::string_view strName = NameOf(m_lstEntries[nEntry]);
    SlotOf(strName) = static_cast<std::uint32_t>(nEntry + 1) | TagOf(std::hash<std::string_view>()(strName));
}

const char* const* CAttributeTable::FindEntry(std::string_view strKey) const
{
    if (m_pExtra != nullptr && !m_pExtra->arrSlots.empty()) {
        const std::uint32_t nSlot = SlotOf(strKey) & m_pExtra->nEntryMask;
        return nSlot != 0 ? &m_lstEntries[nSlot - 1] : nullptr;
    }
    for (const char* const& pLine : m_lstEntries) {
        if (NameIs(pLine, strKey)) {
            return &pLine;
        }
    }
    return nullptr;
}

bool CAttributeTable::Lookup(std::string_view strKey, std::string& strValue) const
{
    const char* const* const pEntry = FindEntry(strKey);
    if (pEntry == nullptr) {
        return false;
    }
    strValue.assign(ValueAfter(*pEntry + strKey.size() + 1));
    return true;
}

std::optional<std::string_view> CAttributeTable::Find(std::string_view strKey) const
{
    const char* const* const pEntry = FindEntry(strKey);
    if (pEntry == nullptr) {
        return std::nullopt;
    }
    return ValueAfter(*pEntry + strKey.size() + 1);
}

void CAttributeTable::FindValues(const std::string_view* arrKeys, std::string_view* arrValues,
                                 std::size_t nKeys) const
{
    for (std::size_t i = 0; i < nKeys; ++i) {
        arrValues[i] = Find(arrKeys[i]).value_or(std::string_view());
    }
}

CAttributeTable::Extra& CAttributeTable::GetExtra()
{
    if (m_pExtra == nullptr) {
        m_pExtra = std::make_unique<Extra>();
    }
    return *m_pExtra;
}

void CAttributeTable::Append(const char* pLine)
{
    // Every allocation comes before the entry is added, so that a failed one
    // leaves the table as it was.
    if (m_lstEntries.size() == m_lstEntries.capacity()) {
        m_lstEntries.reserve(std::max<std::size_t>(4, 2 * m_lstEntries.size()));
    }
    const std::size_t nCount = m_lstEntries.size() + 1;
    if (nCount < kIndexFrom) {
        m_lstEntries.push_back(pLine);
        return;
    }
    if (nCount >= UINT32_MAX) {
        throw std::length_error("attribute table"); // beyond what the index numbers
    }
    std::vector<std::uint32_t>& arrSlots = GetExtra().arrSlots;
    if (4 * nCount > 3 * arrSlots.size()) {
        std::vector<std::uint32_t> arrLarger(std::max<std::size_t>(4 * kIndexFrom, 2 * arrSlots.size()));
        m_lstEntries.push_back(pLine);
        arrSlots.swap(arrLarger);
        // Entry numbers + 1 stay below the slot count, a power of two.
        m_pExtra->nEntryMask = static_cast<std::uint32_t>(arrSlots.size() - 1);
        for (std::size_t i = 0; i < m_lstEntries.size(); ++i) {
            Index(i);
        }
        return;
    }
    m_lstEntries.push_back(pLine);
    Index(nCount - 1);
}

const char* CAttributeTable::Copy(std::string_view strKey, std::string_view strValue)
{
    // The value ends at its first control byte, as a value of the text does.
    const auto itEnd = std::find_if(strValue.begin(), strValue.end(),
                                    [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    strValue = strValue.substr(0, static_cast<std::size_t>(itEnd - strValue.begin()));
    const std::size_t nBytes = strKey.size() + 1 + strValue.size() + 1;
    auto* const pCopy = static_cast<char*>(GetExtra().copies.allocate(nBytes, 1));
    std::memcpy(pCopy, strKey.data(), strKey.size());
    pCopy[strKey.size()] = '=';
    std::memcpy(pCopy + strKey.size() + 1, strValue.data(), strValue.size());
    pCopy[nBytes - 1] = '\0';
    return pCopy;
}

void CAttributeTable::SetAtNew(const char* pLine, std::string_view strKey)
{
    Append(strKey.empty() ? pLine : Copy(strKey, ValueAfter(pLine + NameOf(pLine).size() + 1)));
}

void CAttributeTable::SetAt(std::string_view strKey, std::string_view strValue)
{
    if (strKey.find('=') != std::string_view::npos) {
        throw std::invalid_argument("an attribute key holds no '='");
    }
    const char* const* const pEntry = FindEntry(strKey);
    if (pEntry == nullptr) {
        Append(Copy(strKey, strValue));
        return;
    }
    // Replaced where it stands: the entry keeps its place and its index slot.
    m_lstEntries[static_cast<std::size_t>(pEntry - m_lstEntries.data())] = Copy(strKey, strValue);
}

void CAttributeTable::RemoveAll()
{
    std::vector<const char*>().swap(m_lstEntries);
    m_pExtra.reset();
}

} // namespace pinweave
