// Section markers split across lines, or with NUL bytes in and around them.
// A marker only counts whole on one line: a split start marker opens nothing
// (a file without any other is no CAP-H export, which stops the run), and a
// split end marker leaves its section open to the end of the file, which
// stops the run and names the section.
#include "InProcessRun.h"

#include "FaultSupport.h"

#include <gtest/gtest.h>

namespace pinweave::test {
namespace {

using namespace std::string_literals;

const std::string kPart = "[PN]\r\nNAME=P1\r\n[ENDPN]\r\n";

struct MarkerCase {
    const char* pszName;
    std::string strCapH;
    bool bCompletes;
    std::string strLast; // the start of the last results line; for a file that ends inside a
                         // section, that section's name; "none" for a file without any section
    std::size_t nLines;  // results lines in all
    std::size_t nParts;  // PID files written
};

// clang-format off
const MarkerCase kMarkerCases[] = {
    {"StartMarkerSplitByALineEnd", "[HEA\r\nDER]\r\n" + kPart + "[ENDHEADER]\r\n", false, "none", 2, 0},
    {"StartMarkerSplitByALoneLf", "[HEAD\nER]\n" + kPart + "[ENDHEADER]\n", false, "none", 2, 0},
    {"EndMarkerSplitByALineEnd", "[HEADER]\r\n" + kPart + "[ENDHEA\r\nDER]\r\n", false, "HEADER", 2, 0},
    {"EndMarkerSplitByALoneCr", "[HEADER]\r\n" + kPart + "[ENDHEA\rDER]\r\n", false, "HEADER", 2, 0},
    {"EndMarkerBracketOnTheNextLine", "[HEADER]\r\n" + kPart + "[ENDHEADER\r\n]\r\n", false, "HEADER", 2, 0},
    {"SecondSectionsEndMarkerSplit",
     "[HEADER]\r\n" + kPart + "[ENDHEADER]\r\n[CONNECTOR]\r\n[ENDCONNEC\r\nTOR]\r\n", false, "CONNECTOR",
     2, 0},
    {"StartMarkerSplitAfterAnEndMarker", "[HEADER]\r\n" + kPart + "[ENDHEADER][CONNEC\r\nTION]\r\n", true,
     "Completed", 3, 1},
    {"NestedEndTagSplit", "[HEADER]\r\n[PN]\r\nNAME=P1\r\n[END\r\nPN]\r\n[ENDHEADER]\r\n", false,
     "CAP-H Parser error:  Illegal character at position 26 ", 2, 0},
    {"NameSplitAcrossLines", "[HEADER]\r\n[PN]\r\nNA\r\nME=P1\r\n[ENDPN]\r\n[ENDHEADER]\r\n", true,
     "Completed", 3, 1},
    {"NulInsideAStartMarker", "[HEA\0DER]\r\n"s + kPart + "[ENDHEADER]\r\n", false, "none", 2, 0},
    {"NulBeforeAStartMarker", "x\0[HEADER]\r\n"s + kPart + "[ENDHEADER]\r\n", true, "Completed", 3, 1},
    {"NulBetweenEndAndStartMarker",
     "[HEADER]\r\n"s + kPart + "[ENDHEADER]\0[CONNECTION]\r\n[PART]\r\n[ENDPART]\r\n[ENDCONNECTION]\r\n"s,
     true, "Completed", 5, 1},
    {"NulInsideAnEndMarker", "[HEADER]\r\n"s + kPart + "[ENDHEA\0DER]\r\n"s, false, "HEADER", 2, 0},
    {"NulInTheSectionsEndMarkerLine", "[HEADER]\r\n"s + kPart + "\0[ENDHEADER]\r\n"s, false,
     "CAP-H Parser error in element '[HEADER]':  Out of data at position 30 ", 2, 0},
    {"NulOutsideEverySection", "\0\0\0\r\n"s + "[HEADER]\r\n" + kPart + "[ENDHEADER]\r\n\0"s, true,
     "Completed", 3, 1},
};
// clang-format on

TEST(MarkerTest, SplitOrBrokenMarkers)
{
    CTempFolder temp;
    for (const MarkerCase& c : kMarkerCases) {
        SCOPED_TRACE(c.pszName);
        const InProcessOutcome outcome = ConvertInProcess(temp.Path(), c.strCapH);
        EXPECT_EQ(c.bCompletes, outcome.bCompleted);
        const std::string& strLast = outcome.arrResults.back();
        const std::string strCapHPath = (temp.Path() / "harness.tst").string();
        if (c.strLast == "HEADER" || c.strLast == "CONNECTOR") {
            EXPECT_EQ(UnclosedSectionLine(strCapHPath, c.strLast), strLast);
        } else if (c.strLast == "none") {
            EXPECT_EQ(NotCapHLine(strCapHPath), strLast);
        } else {
            EXPECT_EQ(0u, strLast.rfind(c.strLast, 0)) << strLast;
        }
        EXPECT_EQ(c.nLines, outcome.arrResults.size());
        EXPECT_EQ(c.nParts, outcome.arrOutputs.size());
    }
}

} // namespace
} // namespace pinweave::test
