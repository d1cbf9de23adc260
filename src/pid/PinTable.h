// The pin table of a run: every fixture pin in creation order (fixtures in
// document order, pins in pin-list order), the pin index that finds a pin by
// its connector and pin name, and the [pins] block of a part whose wire ends
// touch no pin.
//
// A fixture may list millions of pins, and every wire end of a run is looked
// up here, so a pin costs little and is found with few memory accesses: the
// pin names are copied one after the other into one text, in record order, a
// record is where its name ends there, the connector name is held once per
// fixture, and the index is an open-addressing table of record numbers,
// hashed from connector and pin without joining them into a key. The index
// holds one record per key, the latest, so a search ends at the first match.
// Up to a few million pins a slot also carries the pin's length and first
// bytes, so a search reads a record and its name only for a pin that looks
// like the one sought, and not even then when the pin is that short; larger
// tables save those bytes, with 32 bits per slot while every record number
// fits (64 bits beyond). Measured against a std::unordered_map of (connector,
// pin) views: the same time on the usual files (100 MB, 400 part numbers:
// 0.63-0.68 s either way), while a 20 MB file of 980,000 pins converts in
// 0.42 s and 105 MB with this table, 1.01 s and 156 MB with the map.
//
// Lifetime: the connector names are views, not copies. They point into the
// attribute storage of the connector root the table was built from, which
// nothing changes between BuildConnectorsSection and the end of the run; the
// table must be emptied (Clear) before that root is cleared or destroyed, as
// ResetRunState does.
#ifndef PINWEAVE_PID_PINTABLE_H
#define PINWEAVE_PID_PINTABLE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pinweave {

// One fixture pin of the run; its connector is its fixture's (CPinTable::Connector).
struct CPinRecord {
    // One past the last byte of the pin's NAME (as stored, blanks kept) in the
    // table's pin text; the name begins where the previous record's ends.
    std::size_t m_nPinEnd;
};

class CPinTable {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // Sketched slots take twice the memory of plain ones: an index of more
    // slots than this (a few million pins) does without sketches.
    static constexpr std::size_t kSketchedSlotLimit = std::size_t(1) << 22;

    CPinTable() = default;
    // A table whose index carries sketches up to nSketchedSlotLimit slots.
    explicit CPinTable(std::size_t nSketchedSlotLimit) : m_nSketchedSlotLimit(nSketchedSlotLimit) {}

    // Building: Reserve (optional), then AddFixture and its AddPin calls for
    // every fixture, then Complete. Connector, Find and FreeLines answer for
    // the pins added before the latest Complete.

    // Makes room for nPins records in nFixtures fixtures and for their names
    // at a few bytes each, so that filling the table allocates nothing more
    // unless the names are longer.
    void Reserve(std::size_t nFixtures, std::size_t nPins);

    // Starts the next fixture; the pins added after it belong to it.
    void AddFixture(std::string_view strConnector);

    // Adds a pin of the latest fixture as the next record. An earlier record
    // with the same connector and pin stays in the table but is found no
    // more. Requires a fixture.
    void AddPin(std::string_view strPin);

    // Builds the index, FreeLines() and the fixture blocks from the records,
    // each sized once.
    void Complete();

    std::size_t GetCount() const { return m_arrRecords.size(); }
    std::string_view Pin(std::size_t nRecord) const
    {
        const std::size_t nStart = PinStart(nRecord);
        return std::string_view(m_strPins).substr(nStart, m_arrRecords[nRecord].m_nPinEnd - nStart);
    }
    std::string_view Connector(std::size_t nRecord) const;

    // The record number for the connector and pin, each compared exactly, byte
    // for byte; the latest such record where several share them; npos when
    // there is none.
    std::size_t Find(std::string_view strConnector, std::string_view strPin) const;

    // The [pins] lines of a part without wire ends on fixture pins: for every
    // record in order, "connector pin (none)" with blanks in the names turned
    // into "_", each line ended by CR LF.
    const std::string& FreeLines() const { return m_strFreeLines; }

    // Empties the table and gives its memory back.
    void Clear();

    // Finds the lines of records in FreeLines(), for record numbers asked for
    // in ascending order: the fixture of each is found by walking on from the
    // fixture of the one before, so the lines of one part cost a single pass
    // over the fixtures, and each line is then computed, not searched.
    class CLineCursor {
    public:
        explicit CLineCursor(const CPinTable& table) : m_table(table) {}

        // The record's free line, "(none)" and CR LF included, as a view into
        // FreeLines(). nRecord is at least the record of the previous call.
        std::string_view Line(std::size_t nRecord);

    private:
        const CPinTable& m_table;
        std::size_t m_nFixture = 0; // a fixture at or before the previous record's
    };

private:
    struct CFixture {
        std::string_view m_strConnector; // NAME as stored, blanks kept
        std::uint64_t m_nHash;           // of the connector name, shared by its pins' keys
        std::size_t m_nFirstRecord;      // where its pins begin in the table
        std::size_t m_nFirstLine;        // where its pins' lines begin in FreeLines()
    };

    // Records are grouped in blocks of 2^kBlockShift: a block's first fixture
    // bounds the search for the fixture of any of its records.
    static constexpr unsigned kBlockShift = 6;

    std::size_t FixtureOf(std::size_t nRecord) const;
    void BuildFixtureBlocks();
    std::size_t RecordEnd(std::size_t nFixture) const; // one past its last record
    std::size_t PinStart(std::size_t nRecord) const
    {
        return nRecord == 0 ? 0 : m_arrRecords[nRecord - 1].m_nPinEnd;
    }
    // The index's slot of the key, or the free slot that ends its probe
    // sequence; with bSketched, the slots carry sketches (PinTable.cpp).
    template <bool bSketched, typename TSlot>
    std::size_t FindSlot(const std::vector<TSlot>& arrSlots, std::uint64_t nConnectorHash,
                         std::string_view strConnector, std::string_view strPin) const;
    template <bool bSketched, typename TSlot>
    std::size_t FindRecord(const std::vector<TSlot>& arrSlots, std::string_view strConnector,
                           std::string_view strPin) const;
    template <bool bSketched, typename TSlot>
    void Insert(std::vector<TSlot>& arrSlots, std::size_t nSlots) const;
    bool SameConnector(std::size_t nRecord, std::uint64_t nConnectorHash,
                       std::string_view strConnector) const;
    void BuildIndex();
    void BuildFreeLines();

    std::vector<CFixture> m_arrFixtures;
    std::vector<CPinRecord> m_arrRecords;
    std::string m_strPins;                       // every pin's NAME, in record order, nothing between them
    std::vector<std::size_t> m_arrBlockFixtures; // per block, the fixture of its first record
    // The index: a power of two slots, at most two thirds used, probed
    // linearly, 0 in a free one. A used slot holds the record number + 1;
    // a sketched one holds it in its low 32 bits and the pin's sketch in its
    // high 32 bits. Exactly one of the two vectors holds the slots.
    enum class ESlotKind { Sketched, Narrow, Wide };
    ESlotKind m_slotKind = ESlotKind::Sketched;
    std::size_t m_nSketchedSlotLimit = kSketchedSlotLimit;
    std::vector<std::uint32_t> m_arrNarrowSlots; // Narrow
    std::vector<std::uint64_t> m_arrWideSlots;   // Sketched and Wide
    std::string m_strFreeLines;
};

} // namespace pinweave

#endif // PINWEAVE_PID_PINTABLE_H
