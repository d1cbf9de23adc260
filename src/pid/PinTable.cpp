#include "pid/PinTable.h"

#include "pid/PidFormat.h"

#include <algorithm>
#include <functional>

namespace pinweave {

namespace {

// What a free line holds besides the two names: the blank after each of
// them, "(none)" and CR LF.
constexpr std::size_t kFreeLineExtra = 2 + kPidNoWire.size() + kPidNewLine.size();

std::uint64_t NameHash(std::string_view strName)
{
    return std::hash<std::string_view>{}(strName);
}

// The index hash of a pin: its connector's hash and its own, mixed so that
// every bit of both reaches the low bits that pick the slot.
std::uint64_t PinHash(std::uint64_t nConnectorHash, std::string_view strPin)
{
    std::uint64_t h = (nConnectorHash * 0x9E3779B97F4A7C15u) ^ NameHash(strPin);
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDu;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53u;
    h ^= h >> 33;
    return h;
}

// The power of two slots that index nRecords records at most two thirds full.
std::size_t SlotCountFor(std::size_t nRecords)
{
    std::size_t nSlots = 16;
    while (nSlots / 3 * 2 < nRecords) {
        nSlots *= 2;
    }
    return nSlots;
}

}  // namespace

void CPinTable::Reserve(std::size_t nFixtures, std::size_t nPins)
{
    m_arrFixtures.reserve(nFixtures);
    m_arrRecords.reserve(nPins);
}

void CPinTable::AddFixture(std::string_view strConnector)
{
    m_arrFixtures.push_back(CFixture{strConnector, NameHash(strConnector), m_arrRecords.size()});
}

void CPinTable::AddPin(std::string_view strPin)
{
    m_arrRecords.push_back(CPinRecord{strPin});
}

void CPinTable::Complete()
{
    BuildIndex();
    BuildFreeLines();
}

void CPinTable::BuildFreeLines()
{
    std::size_t nTotal = 0;
    for (std::size_t nFixture = 0; nFixture < m_arrFixtures.size(); ++nFixture) {
        for (std::size_t nRecord = m_arrFixtures[nFixture].m_nFirstRecord; nRecord < RecordEnd(nFixture);
             ++nRecord) {
            nTotal += LineLength(m_arrFixtures[nFixture], nRecord);
        }
    }
    // Sized once: for a fixture of millions of pins this is the largest
    // block of the run besides the element tree.
    std::string().swap(m_strFreeLines);
    m_strFreeLines.reserve(nTotal);
    std::string strPrefix;
    for (std::size_t nFixture = 0; nFixture < m_arrFixtures.size(); ++nFixture) {
        strPrefix.clear();
        AppendUnderscored(strPrefix, m_arrFixtures[nFixture].m_strConnector);
        strPrefix += ' ';
        for (std::size_t nRecord = m_arrFixtures[nFixture].m_nFirstRecord; nRecord < RecordEnd(nFixture);
             ++nRecord) {
            m_strFreeLines += strPrefix;
            AppendUnderscored(m_strFreeLines, m_arrRecords[nRecord].m_strPin);
            m_strFreeLines.append(" ").append(kPidNoWire).append(kPidNewLine);
        }
    }
}

std::string_view CPinTable::Connector(std::size_t nRecord) const
{
    return m_arrFixtures[FixtureOf(nRecord)].m_strConnector;
}

std::size_t CPinTable::Find(std::string_view strConnector, std::string_view strPin) const
{
    // Records that share a key all sit in the probe sequence of that key,
    // which ends at the first free slot, in the order they were entered (each
    // went to the first slot free at the time): the last match is the latest.
    const std::uint64_t nHash = PinHash(NameHash(strConnector), strPin);
    const auto find = [&](const auto& arrSlots) {
        std::size_t nFound = npos;
        if (arrSlots.empty()) {
            return nFound;
        }
        const std::size_t nMask = arrSlots.size() - 1;
        for (std::size_t i = static_cast<std::size_t>(nHash) & nMask; arrSlots[i] != 0; i = (i + 1) & nMask) {
            const auto nRecord = static_cast<std::size_t>(arrSlots[i] - 1);
            if (Matches(nRecord, strConnector, strPin)) {
                nFound = nRecord;
            }
        }
        return nFound;
    };
    return m_bWideSlots ? find(m_arrWideSlots) : find(m_arrNarrowSlots);
}

void CPinTable::Clear()
{
    std::vector<CFixture>().swap(m_arrFixtures);
    std::vector<CPinRecord>().swap(m_arrRecords);
    m_bWideSlots = false;
    std::vector<std::uint32_t>().swap(m_arrNarrowSlots);
    std::vector<std::uint64_t>().swap(m_arrWideSlots);
    std::string().swap(m_strFreeLines);
}

std::string_view CPinTable::CLineCursor::Line(std::size_t nRecord)
{
    const std::vector<CFixture>& arrFixtures = m_table.m_arrFixtures;
    for (;;) {
        // Fixtures without pins share their first record with the next one:
        // the last fixture that begins at or before the record holds it.
        while (m_nFixture + 1 < arrFixtures.size() &&
               arrFixtures[m_nFixture + 1].m_nFirstRecord <= m_nRecord) {
            ++m_nFixture;
        }
        const std::size_t nLength = m_table.LineLength(arrFixtures[m_nFixture], m_nRecord);
        if (m_nRecord == nRecord) {
            return std::string_view(m_table.m_strFreeLines).substr(m_nOffset, nLength);
        }
        m_nOffset += nLength;
        ++m_nRecord;
    }
}

std::size_t CPinTable::FixtureOf(std::size_t nRecord) const
{
    const auto it =
        std::upper_bound(m_arrFixtures.begin(), m_arrFixtures.end(), nRecord,
                         [](std::size_t n, const CFixture& fixture) { return n < fixture.m_nFirstRecord; });
    return static_cast<std::size_t>(it - m_arrFixtures.begin()) - 1;
}

std::size_t CPinTable::RecordEnd(std::size_t nFixture) const
{
    return nFixture + 1 < m_arrFixtures.size() ? m_arrFixtures[nFixture + 1].m_nFirstRecord
                                               : m_arrRecords.size();
}

std::size_t CPinTable::LineLength(const CFixture& fixture, std::size_t nRecord) const
{
    return fixture.m_strConnector.size() + m_arrRecords[nRecord].m_strPin.size() + kFreeLineExtra;
}

bool CPinTable::Matches(std::size_t nRecord, std::string_view strConnector, std::string_view strPin) const
{
    // The pin decides almost always; the connector is looked up only then.
    return m_arrRecords[nRecord].m_strPin == strPin && Connector(nRecord) == strConnector;
}

template <typename TSlot> void CPinTable::Insert(std::vector<TSlot>& arrSlots, std::size_t nSlots) const
{
    // Every record gets a slot of its own, also one whose key an earlier
    // record has: Find tells them apart. Entering a pin thus reads nothing but
    // slots, which keeps indexing a fixture of millions of pins fast.
    arrSlots.assign(nSlots, 0);
    const std::size_t nMask = nSlots - 1;
    for (std::size_t nFixture = 0; nFixture < m_arrFixtures.size(); ++nFixture) {
        const CFixture& fixture = m_arrFixtures[nFixture];
        for (std::size_t nRecord = fixture.m_nFirstRecord; nRecord < RecordEnd(nFixture); ++nRecord) {
            std::size_t i =
                static_cast<std::size_t>(PinHash(fixture.m_nHash, m_arrRecords[nRecord].m_strPin)) & nMask;
            while (arrSlots[i] != 0) {
                i = (i + 1) & nMask;
            }
            arrSlots[i] = static_cast<TSlot>(nRecord + 1);
        }
    }
}

void CPinTable::BuildIndex()
{
    const std::size_t nSlots = SlotCountFor(m_arrRecords.size());
    // The old slots go before the new ones are made: both at once would
    // double the index's share of the peak.
    std::vector<std::uint32_t>().swap(m_arrNarrowSlots);
    std::vector<std::uint64_t>().swap(m_arrWideSlots);
    // Record numbers + 1 fit in 32 bits up to two thirds of 2^32 slots.
    m_bWideSlots = nSlots / 3 * 2 > UINT32_MAX;
    if (m_bWideSlots) {
        Insert(m_arrWideSlots, nSlots);
    } else {
        Insert(m_arrNarrowSlots, nSlots);
    }
}

}  // namespace pinweave
