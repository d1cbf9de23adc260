// A part's wire ends in pin-table order: ends on one pin keep the order they
// were attached in, whatever the record numbers' size.
#include "pid/PinEnds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace pinweave {
namespace {

// (record, wire name) pairs in attach order, as std::stable_sort orders them.
using Attached = std::vector<std::pair<std::size_t, std::string>>;

Attached Sorted(Attached arrEnds)
{
    std::stable_sort(arrEnds.begin(), arrEnds.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return arrEnds;
}

Attached Spread(std::size_t nEnds, std::size_t nRecords)
{
    Attached arrEnds;
    std::uint64_t nState = 12345;
    for (std::size_t i = 0; i < nEnds; ++i) {
        nState = nState * 6364136223846793005u + 1442695040888963407u;
        arrEnds.emplace_back(static_cast<std::size_t>(nState >> 33) % nRecords, "W" + std::to_string(i));
    }
    return arrEnds;
}

TEST(PinEndsTest, SortedByRecordInAttachOrder)
{
    const std::size_t kHuge = std::size_t(1) << 40;
    const Attached cases[] = {
        {},
        {{7, "A"}},
        {{0, "A"}, {0, "B"}, {0, "C"}},       // every record 0: nothing to sort
        {{300, "A"}, {300, "B"}, {300, "C"}}, // the same low byte everywhere
        {{2, "A"}, {1, "B"}, {2, "C"}, {0, "D"}, {1, "E"}, {2, "F"}},
        {{256, "A"}, {255, "B"}, {0, "C"}, {65536, "D"}, {65535, "E"}, {256, "F"}, {1, "G"}},
        {{kHuge + 1, "A"}, {kHuge, "B"}, {1, "C"}, {kHuge + 1, "D"}, {kHuge - 1, "E"}},
        Spread(3000, 20),      // crowded pins
        Spread(5000, 70000),   // two bytes of record number
        Spread(2000, 1 << 25), // four
    };
    CPinEnds ends;
    for (const Attached& arrCase : cases) {
        for (const auto& [nRecord, strName] : arrCase) {
            ends.Add(nRecord, strName);
        }
        ends.SortByRecord();
        Attached arrGot;
        for (const CPinEnds::CEnd& end : ends.Ends()) {
            arrGot.emplace_back(end.m_nRecord, std::string(ends.WireName(end)));
        }
        EXPECT_EQ(arrGot, Sorted(arrCase)) << arrCase.size() << " ends";
        ends.Clear(); // the next case starts empty, with the memory kept
    }
}

} // namespace
} // namespace pinweave
