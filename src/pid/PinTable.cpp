#include "pid/PinTable.h"

#include "pid/PidFormat.h"

#include <cstring>

namespace pinweave {

namespace {

// What a free line holds besides the two names: the blank after each of
// them, "(none)" and CR LF.
constexpr std::size_t kFreeLineExtra = 2 + kPidNoWire.size() + kPidNewLine.size();

// Hashes a name eight bytes at a time. Every wire end of a run hashes its
// connector and pin names, mostly a few bytes each, so this stays inline and
// short; PinHash mixes the result well enough for the index.
std::uint64_t NameHash(std::string_view strName)
{
    std::uint64_t h = 0x9E3779B97F4A7C15u ^ strName.size();
    const char* p = strName.data();
    std::size_t n = strName.size();
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t nWord;
        std::memcpy(&nWord, p, 8);
        h = (h ^ nWord) * 0xFF51AFD7ED558CCDu;
        h ^= h >> 32;
    }
    std::uint64_t nTail = 0;
    for (std::size_t i = 0; i < n; ++i) {
        nTail |= std::uint64_t(static_cast<unsigned char>(p[i])) << (8 * i);
    }
    h = (h ^ nTail) * 0xC4CEB9FE1A85EC53u;
    return h ^ (h >> 29);
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

// Byte-for-byte equality without a library call for the few bytes of a
// usual pin name.
bool SameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    if (a.size() > 16) {
        return std::memcmp(a.data(), b.data(), a.size()) == 0;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) {
            return false;
        }
    }
    return true;
}

// A sketched slot tells of its pin: the length (255 for any longer) in the
// low byte and the first three bytes above it, zeros past the end, all in
// the slot's high 32 bits. Pins with different sketches differ; pins of up
// to three bytes with the same sketch are the same.
constexpr std::size_t kSketchBytes = 3;
constexpr std::uint64_t kRecordBits = 0xFFFFFFFFu;

std::uint64_t PinSketch(std::string_view strPin)
{
    std::uint64_t nSketch = strPin.size() < 255 ? strPin.size() : 255;
    for (std::size_t i = 0; i < kSketchBytes && i < strPin.size(); ++i) {
        nSketch |= std::uint64_t(static_cast<unsigned char>(strPin[i])) << (8 * (i + 1));
    }
    return nSketch << 32;
}

template <bool bSketched, typename TSlot> std::size_t RecordOf(TSlot nSlot)
{
    return static_cast<std::size_t>((bSketched ? nSlot & kRecordBits : nSlot) - 1);
}

// The pin text is reserved for names this long on average.
constexpr std::size_t kTypicalPinBytes = 8;

// The power of two slots that index nRecords records at most two thirds full.
std::size_t SlotCountFor(std::size_t nRecords)
{
    std::size_t nSlots = 16;
    while (nSlots / 3 * 2 < nRecords) {
        nSlots *= 2;
    }
    return nSlots;
}

} // namespace

void CPinTable::Reserve(std::size_t nFixtures, std::size_t nPins)
{
    m_arrFixtures.reserve(nFixtures);
    m_arrRecords.reserve(nPins);
    // Room for pin names of a few bytes, as they mostly are: the text then
    // needs no copy on the way, and room left unused is never touched.
    m_strPins.reserve(nPins * kTypicalPinBytes);
}

void CPinTable::AddFixture(std::string_view strConnector)
{
    m_arrFixtures.push_back(CFixture{strConnector, NameHash(strConnector), m_arrRecords.size(), 0});
}

void CPinTable::AddPin(std::string_view strPin)
{
    m_strPins.append(strPin.data(), strPin.size());
    m_arrRecords.push_back(CPinRecord{m_strPins.size()});
}

void CPinTable::Complete()
{
    BuildFixtureBlocks();
    BuildIndex();
    BuildFreeLines();
}

void CPinTable::BuildFreeLines()
{
    std::size_t nTotal = 0;
    for (CFixture& fixture : m_arrFixtures) {
        fixture.m_nFirstLine = nTotal;
        const std::size_t nEnd = RecordEnd(static_cast<std::size_t>(&fixture - m_arrFixtures.data()));
        nTotal += (nEnd - fixture.m_nFirstRecord) * (fixture.m_strConnector.size() + kFreeLineExtra) +
                  (PinStart(nEnd) - PinStart(fixture.m_nFirstRecord));
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
            AppendUnderscored(m_strFreeLines, Pin(nRecord));
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
    switch (m_slotKind) {
    case ESlotKind::Sketched:
        return FindRecord<true>(m_arrWideSlots, strConnector, strPin);
    case ESlotKind::Narrow:
        return FindRecord<false>(m_arrNarrowSlots, strConnector, strPin);
    default:
        return FindRecord<false>(m_arrWideSlots, strConnector, strPin);
    }
}

template <bool bSketched, typename TSlot>
std::size_t CPinTable::FindRecord(const std::vector<TSlot>& arrSlots, std::string_view strConnector,
                                  std::string_view strPin) const
{
    if (arrSlots.empty()) {
        return npos;
    }
    const TSlot nSlot = arrSlots[FindSlot<bSketched>(arrSlots, NameHash(strConnector), strConnector, strPin)];
    return nSlot == 0 ? npos : RecordOf<bSketched>(nSlot);
}

template <bool bSketched, typename TSlot>
std::size_t CPinTable::FindSlot(const std::vector<TSlot>& arrSlots, std::uint64_t nConnectorHash,
                                std::string_view strConnector, std::string_view strPin) const
{
    const std::size_t nMask = arrSlots.size() - 1;
    const std::uint64_t nSketch = bSketched ? PinSketch(strPin) : 0;
    const bool bPinInSketch = bSketched && strPin.size() <= kSketchBytes;
    std::size_t i = static_cast<std::size_t>(PinHash(nConnectorHash, strPin)) & nMask;
    for (; arrSlots[i] != 0; i = (i + 1) & nMask) {
        if (bSketched && (arrSlots[i] & ~kRecordBits) != nSketch) {
            continue;
        }
        const std::size_t nRecord = RecordOf<bSketched>(arrSlots[i]);
        if ((bPinInSketch || SameText(Pin(nRecord), strPin)) &&
            SameConnector(nRecord, nConnectorHash, strConnector)) {
            break;
        }
    }
    return i;
}

void CPinTable::Clear()
{
    std::vector<CFixture>().swap(m_arrFixtures);
    std::vector<CPinRecord>().swap(m_arrRecords);
    std::string().swap(m_strPins);
    std::vector<std::size_t>().swap(m_arrBlockFixtures);
    m_slotKind = ESlotKind::Sketched;
    std::vector<std::uint32_t>().swap(m_arrNarrowSlots);
    std::vector<std::uint64_t>().swap(m_arrWideSlots);
    std::string().swap(m_strFreeLines);
}

std::string_view CPinTable::CLineCursor::Line(std::size_t nRecord)
{
    // Fixtures without pins share their first record with the next one: the
    // last fixture that begins at or before the record holds it.
    const std::vector<CFixture>& arrFixtures = m_table.m_arrFixtures;
    while (m_nFixture + 1 < arrFixtures.size() && arrFixtures[m_nFixture + 1].m_nFirstRecord <= nRecord) {
        ++m_nFixture;
    }
    // The lines of a fixture differ only in their pins' lengths.
    const CFixture& fixture = arrFixtures[m_nFixture];
    const std::size_t nFixedLength = fixture.m_strConnector.size() + kFreeLineExtra;
    const std::size_t nPinStart = m_table.PinStart(nRecord);
    const std::size_t nOffset = fixture.m_nFirstLine + (nRecord - fixture.m_nFirstRecord) * nFixedLength +
                                (nPinStart - m_table.PinStart(fixture.m_nFirstRecord));
    return std::string_view(m_table.m_strFreeLines)
        .substr(nOffset, nFixedLength + m_table.m_arrRecords[nRecord].m_nPinEnd - nPinStart);
}

void CPinTable::BuildFixtureBlocks()
{
    const std::size_t nBlocks = (m_arrRecords.size() + (std::size_t(1) << kBlockShift) - 1) >> kBlockShift;
    std::vector<std::size_t>().swap(m_arrBlockFixtures);
    m_arrBlockFixtures.reserve(nBlocks);
    std::size_t nFixture = 0;
    for (std::size_t nBlock = 0; nBlock < nBlocks; ++nBlock) {
        const std::size_t nRecord = nBlock << kBlockShift;
        while (nFixture + 1 < m_arrFixtures.size() && m_arrFixtures[nFixture + 1].m_nFirstRecord <= nRecord) {
            ++nFixture;
        }
        m_arrBlockFixtures.push_back(nFixture);
    }
}

std::size_t CPinTable::FixtureOf(std::size_t nRecord) const
{
    // The last fixture that begins at or before the record (fixtures without
    // pins share their first record with the next one), searched between the
    // fixtures of the record's block and of the next block: mostly one or
    // two, and without branches on the outcome.
    const std::size_t nBlock = nRecord >> kBlockShift;
    const std::size_t nFirst = m_arrBlockFixtures[nBlock];
    const std::size_t nLast =
        nBlock + 1 < m_arrBlockFixtures.size() ? m_arrBlockFixtures[nBlock + 1] : m_arrFixtures.size() - 1;
    const CFixture* pBase = m_arrFixtures.data() + nFirst;
    for (std::size_t n = nLast - nFirst + 1; n > 1;) {
        const std::size_t nHalf = n / 2;
        pBase = pBase[nHalf].m_nFirstRecord <= nRecord ? pBase + nHalf : pBase;
        n -= nHalf;
    }
    return static_cast<std::size_t>(pBase - m_arrFixtures.data());
}

std::size_t CPinTable::RecordEnd(std::size_t nFixture) const
{
    return nFixture + 1 < m_arrFixtures.size() ? m_arrFixtures[nFixture + 1].m_nFirstRecord
                                               : m_arrRecords.size();
}

bool CPinTable::SameConnector(std::size_t nRecord, std::uint64_t nConnectorHash,
                              std::string_view strConnector) const
{
    const CFixture& fixture = m_arrFixtures[FixtureOf(nRecord)];
    return fixture.m_nHash == nConnectorHash && SameText(fixture.m_strConnector, strConnector);
}

template <bool bSketched, typename TSlot>
void CPinTable::Insert(std::vector<TSlot>& arrSlots, std::size_t nSlots) const
{
    // A record takes the slot of an earlier record with the same key, so
    // every key has one slot and a search stops at the first match.
    arrSlots.assign(nSlots, 0);
    for (std::size_t nFixture = 0; nFixture < m_arrFixtures.size(); ++nFixture) {
        const CFixture& fixture = m_arrFixtures[nFixture];
        for (std::size_t nRecord = fixture.m_nFirstRecord; nRecord < RecordEnd(nFixture); ++nRecord) {
            const std::string_view strPin = Pin(nRecord);
            const std::size_t i =
                FindSlot<bSketched>(arrSlots, fixture.m_nHash, fixture.m_strConnector, strPin);
            arrSlots[i] = static_cast<TSlot>((bSketched ? PinSketch(strPin) : 0) | (nRecord + 1));
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
    if (nSlots / 3 * 2 > kRecordBits) {
        m_slotKind = ESlotKind::Wide;
        Insert<false>(m_arrWideSlots, nSlots);
    } else if (nSlots > m_nSketchedSlotLimit) {
        m_slotKind = ESlotKind::Narrow;
        Insert<false>(m_arrNarrowSlots, nSlots);
    } else {
        m_slotKind = ESlotKind::Sketched;
        Insert<true>(m_arrWideSlots, nSlots);
    }
}

} // namespace pinweave
