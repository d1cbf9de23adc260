// The pin table of a run: every fixture pin in creation order (fixtures in
// document order, pins in pin-list order), the pin index that finds a pin by
// its connector and pin name, and the [pins] block of a part whose wire ends
// touch no pin.
//
// A fixture may list millions of pins, so a pin costs little beyond the bytes
// of its line: its record is a view of the pin's NAME value, the connector
// name is held once per fixture, and the index is an open-addressing table of
// record numbers, 32 bits per slot while every record number fits (64 bits
// beyond), hashed from connector and pin without joining them into a key.
//
// Lifetime: the names are views, not copies. They point into the attribute
// storage of the connector root the table was built from, which nothing
// changes between BuildConnectorsSection and the end of the run; the table
// must be emptied (Clear) before that root is cleared or destroyed, as
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
    std::string_view m_strPin;  // the pin's NAME as stored, blanks kept
};

class CPinTable {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // Building: Reserve (optional), then AddFixture and its AddPin calls for
    // every fixture, then Complete. Find and FreeLines answer for the pins
    // added before the latest Complete.

    // Makes room for nPins records in nFixtures fixtures, so that filling the
    // table allocates nothing more.
    void Reserve(std::size_t nFixtures, std::size_t nPins);

    // Starts the next fixture; the pins added after it belong to it.
    void AddFixture(std::string_view strConnector);

    // Adds a pin of the latest fixture as the next record. An earlier record
    // with the same connector and pin stays in the table but is found no
    // more. Requires a fixture.
    void AddPin(std::string_view strPin);

    // Builds the index and FreeLines() from the records, each sized once.
    void Complete();

    std::size_t GetCount() const { return m_arrRecords.size(); }
    std::string_view Pin(std::size_t nRecord) const { return m_arrRecords[nRecord].m_strPin; }
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
    // in ascending order: each call walks on from where the one before ended,
    // so the lines of one part cost a single pass over the table.
    class CLineCursor {
    public:
        explicit CLineCursor(const CPinTable& table) : m_table(table) {}

        // The record's free line, "(none)" and CR LF included, as a view into
        // FreeLines(). nRecord is at least the record of the previous call.
        std::string_view Line(std::size_t nRecord);

    private:
        const CPinTable& m_table;
        std::size_t m_nRecord = 0;  // the record whose line begins at m_nOffset
        std::size_t m_nOffset = 0;
        std::size_t m_nFixture = 0;  // a fixture at or before m_nRecord's
    };

private:
    struct CFixture {
        std::string_view m_strConnector;  // NAME as stored, blanks kept
        std::uint64_t m_nHash;            // of the connector name, shared by its pins' keys
        std::size_t m_nFirstRecord;       // where its pins begin in the table
    };

    std::size_t FixtureOf(std::size_t nRecord) const;
    std::size_t RecordEnd(std::size_t nFixture) const;  // one past its last record
    std::size_t LineLength(const CFixture& fixture, std::size_t nRecord) const;
    bool Matches(std::size_t nRecord, std::string_view strConnector, std::string_view strPin) const;
    void BuildIndex();
    template <typename TSlot> void Insert(std::vector<TSlot>& arrSlots, std::size_t nSlots) const;
    void BuildFreeLines();

    std::vector<CFixture> m_arrFixtures;
    std::vector<CPinRecord> m_arrRecords;
    // The index: a record number + 1 per used slot, 0 in a free one; a power
    // of two slots, at most two thirds used, probed linearly. Exactly one of
    // the two vectors holds the slots.
    bool m_bWideSlots = false;
    std::vector<std::uint32_t> m_arrNarrowSlots;
    std::vector<std::uint64_t> m_arrWideSlots;
    std::string m_strFreeLines;
};

}  // namespace pinweave

#endif  // PINWEAVE_PID_PINTABLE_H
