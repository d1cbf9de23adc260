// The pin table on its own: which record a connector and pin find, where
// each record's free line lies, and the index at sizes where probes collide.
#include "pid/PinTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pinweave {
namespace {

using Fixtures = std::vector<std::pair<std::string, std::vector<std::string>>>;

// The names live in the caller's fixtures, as they live in the element tree
// for a run.
void Build(CPinTable& table, const Fixtures& arrFixtures)
{
    table.Clear();
    for (const auto& [strConnector, arrPins] : arrFixtures) {
        table.AddFixture(strConnector);
        for (const std::string& strPin : arrPins) {
            table.AddPin(strPin);
        }
    }
    table.Complete();
}

// Fixtures without pins at the start, in the middle and at the end; a pin
// listed twice; a connector name used by two fixtures; blanks; names that
// join to the same text around "||".
const Fixtures kFixtures = {
    {"E0", {}},
    {"J1", {"1", "2", "10", "2"}}, // records 0-3
    {"P 2", {"A", "a", "B C"}},    // records 4-6
    {"E1", {}},
    {"A||B", {"C"}},         // record 7
    {"A", {"B||C"}},         // record 8
    {"J1", {"1"}},           // record 9
    {"K", {"1", "12", "2"}}, // records 10-12
    {"E2", {}},
};

TEST(PinTableTest, FindsTheLatestRecordWithExactlyThatConnectorAndPin)
{
    CPinTable table;
    Build(table, kFixtures);
    ASSERT_EQ(table.GetCount(), 13u);

    const std::size_t npos = CPinTable::npos;
    const struct {
        std::string_view strConnector, strPin;
        std::size_t nRecord;
    } cases[] = {
        {"J1", "1", 9}, // a later fixture of the same name takes the pin over
        {"J1", "2", 3}, // the pin's second listing takes it over
        {"J1", "10", 2},
        {"J1", "12", npos},
        {"K", "12", 11},
        {"K", "1", 10},
        {"K", "2", 12},
        {"P 2", "A", 4},
        {"P 2", "a", 5}, // letter case counts
        {"p 2", "A", npos},
        {"P_2", "A", npos}, // the underscored form is only for the file
        {"P 2", "B C", 6},
        {"P 2", "B_C", npos},
        {"P 2 ", "A", npos},
        {"A||B", "C", 7}, // connector and pin are compared each on its own
        {"A", "B||C", 8},
        {"A||B||C", "", npos},
        {"A", "C", npos},
        {"E0", "1", npos},
        {"", "1", npos},
        {"J1", "", npos},
        {std::string_view("J1\0", 3), "1", npos},
        {"J1", std::string_view("1\0", 2), npos},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(table.Find(c.strConnector, c.strPin), c.nRecord) << c.strConnector << " / " << c.strPin;
    }

    const std::pair<const char*, const char*> records[] = {
        {"J1", "1"},   {"J1", "2"},   {"J1", "10"}, {"J1", "2"}, {"P 2", "A"}, {"P 2", "a"}, {"P 2", "B C"},
        {"A||B", "C"}, {"A", "B||C"}, {"J1", "1"},  {"K", "1"},  {"K", "12"},  {"K", "2"},
    };
    for (std::size_t i = 0; i < table.GetCount(); ++i) {
        EXPECT_EQ(table.Connector(i), records[i].first) << i;
        EXPECT_EQ(table.Pin(i), records[i].second) << i;
    }
}

TEST(PinTableTest, FreeLinesAndTheCursorAgreeRecordByRecord)
{
    CPinTable table;
    Build(table, kFixtures);
    const std::vector<std::string> arrLines = {
        "J1 1 (none)\r\n",   "J1 2 (none)\r\n",  "J1 10 (none)\r\n",   "J1 2 (none)\r\n",
        "P_2 A (none)\r\n",  "P_2 a (none)\r\n", "P_2 B_C (none)\r\n", "A||B C (none)\r\n",
        "A B||C (none)\r\n", "J1 1 (none)\r\n",  "K 1 (none)\r\n",     "K 12 (none)\r\n",
        "K 2 (none)\r\n",
    };
    std::string strAll;
    for (const std::string& strLine : arrLines) {
        strAll += strLine;
    }
    EXPECT_EQ(table.FreeLines(), strAll);

    // Ascending walks with repeats and gaps, across the fixtures without pins.
    const std::vector<std::vector<std::size_t>> walks = {
        {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, {12}, {3, 3, 4, 9, 9, 12}, {0, 0, 6, 7, 8, 10}, {}};
    for (const std::vector<std::size_t>& walk : walks) {
        CPinTable::CLineCursor cursor(table);
        for (const std::size_t nRecord : walk) {
            const std::string_view strLine = cursor.Line(nRecord);
            EXPECT_EQ(strLine, arrLines[nRecord]) << nRecord;
            EXPECT_GE(strLine.data(), table.FreeLines().data());
            EXPECT_LE(strLine.data() + strLine.size(), table.FreeLines().data() + table.FreeLines().size());
        }
    }
}

TEST(PinTableTest, EmptyTablesFindNothing)
{
    CPinTable table;
    EXPECT_EQ(table.Find("J1", "1"), CPinTable::npos) << "never built";
    for (const Fixtures& arrFixtures : {Fixtures{}, Fixtures{{"J1", {}}, {"J2", {}}}}) {
        Build(table, arrFixtures);
        EXPECT_EQ(table.GetCount(), 0u);
        EXPECT_EQ(table.Find("J1", "1"), CPinTable::npos);
        EXPECT_EQ(table.FreeLines(), "");
    }
    Build(table, kFixtures);
    table.Clear();
    EXPECT_EQ(table.GetCount(), 0u);
    EXPECT_EQ(table.Find("J1", "1"), CPinTable::npos);
    EXPECT_EQ(table.FreeLines(), "");
}

TEST(PinTableTest, EveryPinIsFoundAtEverySizeOfTheIndex)
{
    // Counts around the points where the index grows; every table must keep
    // free slots, or a search for an absent pin would never end.
    for (const std::size_t nPins : {1, 2, 10, 11, 16, 21, 22, 32, 43, 64, 85, 86, 128, 1000, 1024}) {
        Fixtures arrFixtures = {{"J", {}}};
        for (std::size_t p = 0; p < nPins; ++p) {
            arrFixtures[0].second.push_back(std::to_string(p));
        }
        CPinTable table;
        Build(table, arrFixtures);
        for (std::size_t p = 0; p < nPins; ++p) {
            ASSERT_EQ(table.Find("J", std::to_string(p)), p) << nPins;
        }
        for (std::size_t p = nPins; p < 2 * nPins + 10; ++p) {
            ASSERT_EQ(table.Find("J", std::to_string(p)), CPinTable::npos) << nPins;
        }
    }
}

TEST(PinTableTest, EveryPinOfLargeFixturesIsFound)
{
    // Pin names repeat from fixture to fixture, and the last fixture lists
    // the first one's pins again under the same connector name.
    constexpr int kFixtureCount = 40, kPinsEach = 5000;
    Fixtures arrFixtures;
    for (int f = 0; f < kFixtureCount; ++f) {
        arrFixtures.push_back({"F" + std::to_string(f % (kFixtureCount - 1)), {}});
        for (int p = 0; p < kPinsEach; ++p) {
            arrFixtures.back().second.push_back(std::to_string(p));
        }
    }
    CPinTable table;
    Build(table, arrFixtures);
    ASSERT_EQ(table.GetCount(), std::size_t(kFixtureCount) * kPinsEach);
    const std::size_t nLastFixture = std::size_t(kFixtureCount - 1) * kPinsEach;
    for (int f = 0; f < kFixtureCount - 1; ++f) {
        for (int p = 0; p < kPinsEach; p += 7) {
            const std::size_t nExpected =
                (f == 0 ? nLastFixture : std::size_t(f) * kPinsEach) + std::size_t(p);
            ASSERT_EQ(table.Find("F" + std::to_string(f), std::to_string(p)), nExpected) << f << "/" << p;
        }
        EXPECT_EQ(table.Find("F" + std::to_string(f), std::to_string(kPinsEach)), CPinTable::npos);
    }
    EXPECT_EQ(table.Find("F" + std::to_string(kFixtureCount - 1), "0"), CPinTable::npos);
}

// Pins that a sketch (length and first bytes, kept in the index) cannot tell
// apart, or can only just: both kinds of index must find exactly the record a
// plain search of the table finds. The fixtures' sizes put their bounds on
// both sides of the table's 64-record blocks.
TEST(PinTableTest, SketchedAndPlainIndexesFindWhatASearchFinds)
{
    const std::string strLong(255, 'P');
    const std::vector<std::string> arrTricky = {
        "",
        "A",
        std::string("A\0", 2),
        std::string(1, '\0'),
        "AB",
        "ABC",
        "ABCD",
        "ABCE",
        "ABC ",
        "abc",
        strLong + "Q",
        strLong + "R",
        strLong,
        std::string(254, 'P'),
        std::string(300, 'P'),
        "A",
    };
    std::vector<std::string> arrNumbered;
    for (int i = 0; i < 200; ++i) {
        arrNumbered.push_back(std::to_string(i));
    }
    const auto first = [&](std::ptrdiff_t n) {
        return std::vector<std::string>(arrNumbered.begin(), arrNumbered.begin() + n);
    };
    // Ninety pins with one sketch, so that searches pass slots of others.
    std::vector<std::string> arrAlike;
    for (int i = 10; i < 100; ++i) {
        arrAlike.push_back("PIN" + std::to_string(i));
    }
    const Fixtures arrFixtures = {
        {"E", {}},          {"J1", arrTricky},   {"J1", first(1)},          {"K", first(63)},
        {"J 2", first(64)}, {"E", {}},           {"", arrTricky},           {"K", first(65)},
        {"E", {}},          {"J 2", first(128)}, {"J1", {"ABCD", strLong}}, {"K", first(3)},
        {"L", first(200)},  {"E", {}},           {"S", arrAlike},
    };
    std::vector<std::pair<std::string, std::string>> arrRecords; // connector, pin
    for (const auto& [strConnector, arrPins] : arrFixtures) {
        for (const std::string& strPin : arrPins) {
            arrRecords.emplace_back(strConnector, strPin);
        }
    }
    std::vector<std::string> arrPins = arrTricky;
    arrPins.insert(arrPins.end(), {"62", "63", "64", "127", "128", "199", "200", "ABCF", strLong + "S"});
    arrPins.insert(arrPins.end(), arrAlike.begin(), arrAlike.end());
    for (int i = 0; i < 10; ++i) {
        arrPins.push_back("PIN0" + std::to_string(i)); // absent, the same sketch
    }

    for (const std::size_t nSketchedSlotLimit : {CPinTable::kSketchedSlotLimit, std::size_t(0)}) {
        SCOPED_TRACE(nSketchedSlotLimit == 0 ? "plain slots" : "sketched slots");
        CPinTable table(nSketchedSlotLimit);
        Build(table, arrFixtures);
        ASSERT_EQ(table.GetCount(), arrRecords.size());
        CPinTable::CLineCursor cursor(table);
        for (std::size_t i = 0; i < arrRecords.size(); ++i) {
            EXPECT_EQ(table.Connector(i), arrRecords[i].first) << i;
            EXPECT_EQ(table.Pin(i), arrRecords[i].second) << i;
            std::string strConnector = arrRecords[i].first, strPin = arrRecords[i].second;
            std::replace(strConnector.begin(), strConnector.end(), ' ', '_');
            std::replace(strPin.begin(), strPin.end(), ' ', '_');
            EXPECT_EQ(cursor.Line(i), strConnector + " " + strPin + " (none)\r\n") << i;
        }
        for (const char* pszConnector : {"J1", "J 2", "K", "L", "", "E", "J2", "S"}) {
            for (const std::string& strPin : arrPins) {
                std::size_t nLatest = CPinTable::npos;
                for (std::size_t i = 0; i < arrRecords.size(); ++i) {
                    if (arrRecords[i] == std::make_pair(std::string(pszConnector), strPin)) {
                        nLatest = i;
                    }
                }
                EXPECT_EQ(table.Find(pszConnector, strPin), nLatest)
                    << pszConnector << " / " << strPin.size() << " bytes";
            }
        }
    }
}

} // namespace
} // namespace pinweave
