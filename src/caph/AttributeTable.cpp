#include "caph/AttributeTable.h"

#include "caph/ByteClasses.h"
#include "common/AsciiCase.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <memory_resource>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

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
    while (!IsCapHControl(*p)) {
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

// Whether the name, its ASCII letters upper-cased, is the key.
bool NameFoldsTo(std::string_view strName, std::string_view strKey)
{
    if (strName.size() != strKey.size()) {
        return false;
    }
    for (std::size_t i = 0; i < strName.size(); ++i) {
        if (UpperAscii(strName[i]) != strKey[i]) {
            return false;
        }
    }
    return true;
}

// Calls f(strName, strValue) for every stored line of the body [p, pEnd),
// read as the parser read it, until f returns true: blanks between lines, a
// line up to its first "=" and on to the control byte that ends its value,
// which is passed over; a value that is empty or all blanks was not stored.
template <typename F> void ForEachBodyLine(const char* p, const char* const pEnd, F f)
{
    while (p < pEnd) {
        const char c = *p;
        if (IsCapHWhitespace(c)) {
            ++p;
            continue;
        }
        const char* const pLine = p;
        while (*p != '=') {
            ++p;
        }
        const std::string_view strName(pLine, static_cast<std::size_t>(p - pLine));
        const char* const pValue = ++p;
        bool bBlank = true;
        while (p < pEnd && !IsCapHControl(*p)) {
            bBlank = bBlank && *p == ' ';
            ++p;
        }
        if (!bBlank && f(strName, std::string_view(pValue, static_cast<std::size_t>(p - pValue)))) {
            return;
        }
        ++p;
    }
}

} // namespace

// The hash index, from kIndexFrom entries on: slots of entry number + 1 in
// the bits of nEntryMask and a tag from the key's hash above them, or 0 for a
// free slot, at most three quarters full, probed linearly. The tag spares a
// search the lines of most other keys (10 million repeated names on one
// element: 7.1 s, 12.1 s without). 5-11 bytes per entry, where a
// std::unordered_map took 56.
struct CAttributeTable::Own {
    std::vector<const char*> lstEntries;
    std::pmr::monotonic_buffer_resource copies;
    std::vector<std::uint32_t> arrSlots; // a power of two of them, or none
    std::uint32_t nEntryMask = 0;

    static std::size_t SlotCountFor(std::size_t nEntries)
    {
        std::size_t nSlots = 4 * kIndexFrom;
        while (4 * nEntries > 3 * nSlots) {
            nSlots *= 2;
        }
        return nSlots;
    }

    std::uint32_t TagOf(std::size_t nHash) const
    {
        return static_cast<std::uint32_t>(nHash >> 32) & ~nEntryMask;
    }

    // The slot that holds the key, or the free slot where it would go.
    std::uint32_t& SlotOf(std::string_view strKey)
    {
        const std::size_t nHash = std::hash<std::string_view>()(strKey);
        const std::uint32_t nTag = TagOf(nHash);
        const std::size_t nMask = arrSlots.size() - 1;
        std::size_t i = nHash & nMask;
        while (arrSlots[i] != 0 && ((arrSlots[i] & ~nEntryMask) != nTag ||
                                    !NameIs(lstEntries[(arrSlots[i] & nEntryMask) - 1], strKey))) {
            i = (i + 1) & nMask;
        }
        return arrSlots[i];
    }

    void Enter(std::size_t nEntry)
    {
        const std::string_view strName = NameOf(lstEntries[nEntry]);
        SlotOf(strName) =
            static_cast<std::uint32_t>(nEntry + 1) | TagOf(std::hash<std::string_view>()(strName));
    }

    const char* FindIndexed(std::string_view strKey)
    {
        const std::uint32_t nSlot = SlotOf(strKey) & nEntryMask;
        return nSlot != 0 ? lstEntries[nSlot - 1] : nullptr;
    }

    // Stores "key=value" and a NUL.
    const char* Copy(std::string_view strKey, std::string_view strValue)
    {
        // The value ends at its first control byte, as a value of the text does.
        strValue = strValue.substr(
            0, static_cast<std::size_t>(std::find_if(strValue.begin(), strValue.end(), IsCapHControl) -
                                        strValue.begin()));
        const std::size_t nBytes = strKey.size() + 1 + strValue.size() + 1;
        auto* const pCopy = static_cast<char*>(copies.allocate(nBytes, 1));
        std::memcpy(pCopy, strKey.data(), strKey.size());
        pCopy[strKey.size()] = '=';
        std::memcpy(pCopy + strKey.size() + 1, strValue.data(), strValue.size());
        pCopy[nBytes - 1] = '\0';
        return pCopy;
    }

    void Append(const char* pLine)
    {
        // Every allocation comes before the entry is added, so that a failed
        // one leaves the table as it was.
        const std::size_t nCount = lstEntries.size() + 1;
        if (nCount >= UINT32_MAX) {
            throw std::length_error("attribute table"); // beyond what the index numbers
        }
        if (lstEntries.size() == lstEntries.capacity()) {
            lstEntries.reserve(std::max<std::size_t>(4, 2 * lstEntries.size()));
        }
        if (nCount < kIndexFrom) {
            lstEntries.push_back(pLine);
            return;
        }
        if (4 * nCount > 3 * arrSlots.size()) {
            std::vector<std::uint32_t> arrLarger(SlotCountFor(std::max(nCount, 2 * arrSlots.size())));
            lstEntries.push_back(pLine);
            arrSlots.swap(arrLarger);
            // Entry numbers + 1 stay below the slot count, a power of two.
            nEntryMask = static_cast<std::uint32_t>(arrSlots.size() - 1);
            for (std::size_t i = 0; i < lstEntries.size(); ++i) {
                Enter(i);
            }
            return;
        }
        lstEntries.push_back(pLine);
        Enter(nCount - 1);
    }
};

CAttributeTable::CAttributeTable(CAttributeTable&& other) noexcept
    : m_pData(std::exchange(other.m_pData, nullptr)), m_nLength(std::exchange(other.m_nLength, kOwn)),
      m_nCount(std::exchange(other.m_nCount, 0))
{
}

CAttributeTable& CAttributeTable::operator=(CAttributeTable&& other) noexcept
{
    if (this != &other) {
        RemoveAll();
        m_pData = std::exchange(other.m_pData, nullptr);
        m_nLength = std::exchange(other.m_nLength, kOwn);
        m_nCount = std::exchange(other.m_nCount, 0);
    }
    return *this;
}

const char* CAttributeTable::FindLine(std::string_view strKey) const
{
    if (IsOverText()) {
        // A name stands in the text as the file spells it: its key is it
        // upper-cased.
        const char* pFound = nullptr;
        const char* const pBody = static_cast<const char*>(m_pData);
        ForEachBodyLine(pBody, pBody + m_nLength,
                        [&](std::string_view strName, std::string_view /*strValue*/) {
                            pFound = NameFoldsTo(strName, strKey) ? strName.data() : nullptr;
                            return pFound != nullptr;
                        });
        return pFound;
    }
    Own* const pOwn = OwnStorage();
    if (pOwn == nullptr) {
        return nullptr;
    }
    if (!pOwn->arrSlots.empty()) {
        return pOwn->FindIndexed(strKey);
    }
    const auto it = std::find_if(pOwn->lstEntries.begin(), pOwn->lstEntries.end(),
                                 [&](const char* pLine) { return NameIs(pLine, strKey); });
    return it != pOwn->lstEntries.end() ? *it : nullptr;
}

bool CAttributeTable::Lookup(std::string_view strKey, std::string& strValue) const
{
    const std::optional<std::string_view> strFound = Find(strKey);
    if (!strFound) {
        return false;
    }
    strValue.assign(*strFound);
    return true;
}

std::optional<std::string_view> CAttributeTable::Find(std::string_view strKey) const
{
    const char* const pLine = FindLine(strKey);
    if (pLine == nullptr) {
        return std::nullopt;
    }
    return ValueAfter(pLine + strKey.size() + 1);
}

void CAttributeTable::FindValues(const std::string_view* arrKeys, std::string_view* arrValues,
                                 std::size_t nKeys) const
{
    if (!IsOverText()) {
        for (std::size_t i = 0; i < nKeys; ++i) {
            arrValues[i] = Find(arrKeys[i]).value_or(std::string_view());
        }
        return;
    }
    // One reading of the body for every key. Its lines are keys once each and
    // their values are never empty, so an empty answer is one still open.
    std::fill(arrValues, arrValues + nKeys, std::string_view());
    std::size_t nOpen = nKeys;
    const char* const pBody = static_cast<const char*>(m_pData);
    ForEachBodyLine(pBody, pBody + m_nLength, [&](std::string_view strName, std::string_view strValue) {
        for (std::size_t i = 0; i < nKeys; ++i) {
            if (arrValues[i].empty() && NameFoldsTo(strName, arrKeys[i])) {
                arrValues[i] = strValue;
                --nOpen;
            }
        }
        return nOpen == 0;
    });
}

CAttributeTable::Own& CAttributeTable::GetOwn()
{
    if (IsOverText()) {
        // The lines become entries; a name with lower-case letters is copied
        // under its key.
        auto pOwn = std::make_unique<Own>();
        pOwn->lstEntries.reserve(m_nCount);
        const char* const pBody = static_cast<const char*>(m_pData);
        std::string strKey;
        ForEachBodyLine(pBody, pBody + m_nLength, [&](std::string_view strName, std::string_view strValue) {
            strKey.assign(strName);
            MakeUpperAscii(strKey);
            pOwn->Append(strKey == strName ? strName.data() : pOwn->Copy(strKey, strValue));
            return false;
        });
        m_pData = pOwn.release();
        m_nLength = kOwn;
    }
    if (m_pData == nullptr) {
        m_pData = new Own();
    }
    return *OwnStorage();
}

void CAttributeTable::SetAtNew(const char* pLine, std::string_view strKey)
{
    Own& own = GetOwn();
    own.Append(strKey.empty() ? pLine : own.Copy(strKey, ValueAfter(pLine + NameOf(pLine).size() + 1)));
    m_nCount = static_cast<std::uint32_t>(own.lstEntries.size());
}

void CAttributeTable::SetAt(std::string_view strKey, std::string_view strValue)
{
    if (strKey.find('=') != std::string_view::npos) {
        throw std::invalid_argument("an attribute key holds no '='");
    }
    Own& own = GetOwn();
    const char* const pLine = FindLine(strKey);
    if (pLine == nullptr) {
        own.Append(own.Copy(strKey, strValue));
        m_nCount = static_cast<std::uint32_t>(own.lstEntries.size());
        return;
    }
    // Replaced where it stands: the entry keeps its place and its index slot.
    *std::find(own.lstEntries.begin(), own.lstEntries.end(), pLine) = own.Copy(strKey, strValue);
}

void CAttributeTable::RemoveAll()
{
    delete OwnStorage();
    m_pData = nullptr;
    m_nLength = kOwn;
    m_nCount = 0;
}

void CAttributeTable::Reset()
{
    Own* const pOwn = OwnStorage();
    if (pOwn == nullptr) {
        RemoveAll();
        return;
    }
    pOwn->lstEntries.clear();
    pOwn->copies.release();
    pOwn->arrSlots.clear();
    pOwn->nEntryMask = 0;
    m_nCount = 0;
}

CAttributeTable CAttributeTable::OverText(const char* pBody, std::size_t nLength, std::size_t nCount)
{
    CAttributeTable table;
    if (nCount > 0) {
        table.m_pData = pBody;
        table.m_nLength = static_cast<std::uint32_t>(nLength);
        table.m_nCount = static_cast<std::uint32_t>(nCount);
    }
    return table;
}

} // namespace pinweave
