#include "caph/SectionScan.h"

#include "caph/CrLfJoiner.h"

#include "CapHTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pinweave {
namespace {

using namespace std::string_literals;

struct Roots {
    std::string strFile; // the trees point into it
    CCapHElement header;
    CCapHElement connection;
    CCapHElement connector;
};

struct ScanOutcome {
    bool bOk;
    std::vector<std::string> lstMessages;
    std::string strFindings; // "marker" or "no marker", and the section left open
};

ScanOutcome Scan(Roots& roots, std::string strFile, ELineEnds lineEnds = ELineEnds::AsInFile)
{
    CReportRecorder recorder;
    CScanFindings findings;
    findings.bStartMarkerSeen = true; // what an earlier scan left must not count
    findings.strUnclosedSection = "EARLIER";
    roots.strFile = std::move(strFile);
    const CParseResult result =
        ScanSections(roots.strFile, roots.header, roots.connection, roots.connector, &findings, lineEnds);
    EXPECT_EQ(result.m_strMessage, recorder.OnlyMessage()) << "the result carries the hook's message";
    const bool bOk = static_cast<bool>(result);
    std::string strFindings = findings.bStartMarkerSeen ? "marker" : "no marker";
    if (!findings.strUnclosedSection.empty()) {
        strFindings += ", " + findings.strUnclosedSection + " open";
    }
    return {bOk, recorder.m_lstMessages, strFindings};
}

// One line per root: its type and the number of children, "-" for an empty root.
std::string Describe(const Roots& roots)
{
    std::string strResult;
    for (const CCapHElement* pRoot : {&roots.header, &roots.connection, &roots.connector}) {
        if (!strResult.empty()) {
            strResult += ' ';
        }
        strResult += pRoot->m_strType.empty()
                         ? std::string("-")
                         : std::string(pRoot->m_strType) + std::to_string(pRoot->m_lstChildren.size());
    }
    return strResult;
}

struct ScanCase {
    const char* pszName;
    std::string strFile;
    std::string strRoots;    // Describe() of the roots afterwards
    std::string strFindings; // ScanOutcome::strFindings
};

void PrintTo(const ScanCase& c, std::ostream* pOut)
{
    *pOut << c.pszName;
}

const ScanCase kScanCases[] = {
    {"ThreeSectionsCrLf",
     "junk\r\n[HEADER]\r\n[P]\r\n[ENDP]\r\n[ENDHEADER]\r\n[CONNECTION]\r\n[ENDCONNECTION]\r\n"
     "[CONNECTOR]\r\n[F]\r\n[ENDF]\r\n[G]\r\n[ENDG]\r\n[ENDCONNECTOR]\r\n",
     "[HEADER]1 [CONNECTION]0 [CONNECTOR]2", "marker"},
    {"LfOnly", "[HEADER]\n[P]\n[ENDP]\n[ENDHEADER]\n", "[HEADER]1 - -", "marker"},
    {"MarkersInAnyCase", "[header]\n[p]\n[endp]\n[EndHeader]\n[Connector]\n[endconnector]",
     "[HEADER]1 - [CONNECTOR]0", "marker"},
    {"NoSectionsAtAll", "nothing here\r\n[ENDHEADER]\r\n", "- - -", "no marker"},
    {"EmptyFile", "", "- - -", "no marker"},
    {"OnlyAnEndMarker", "[ENDCONNECTOR]", "- - -", "no marker"},
    {"StartMarkerSplitByALineEnd", "[HEAD\r\nER]\r\n[ENDHEADER]\r\n", "- - -", "no marker"},
    {"EndMarkerOnTheStartLineIsNotSeen", "[HEADER] NAME=X [ENDHEADER]\n[P]\n[ENDP]\n[ENDHEADER]\n",
     "[HEADER]1 - -", "marker"},
    {"EndMarkerThenStartMarkerOnOneLine", "[HEADER]\n[ENDHEADER][CONNECTION]\n[W]\n[ENDW]\n[ENDCONNECTION]\n",
     "[HEADER]0 [CONNECTION]1 -", "marker"},
    {"HeaderWinsOverConnectorOnOneLine", "[CONNECTOR] [HEADER]\n[P]\n[ENDP]\n[ENDHEADER]\n", "[HEADER]1 - -",
     "marker"},
    {"TextBeforeTheMarkerIsNotPartOfTheSection", "xyz[HEADER]\n[ENDHEADER]\n", "[HEADER]0 - -", "marker"},
    {"ConnectorMarkerInsideHeaderIsHeaderText", "[HEADER]\n[CONNECTOR]\n[ENDCONNECTOR]\n[ENDHEADER]\n",
     "[HEADER]1 - -", "marker"},
    {"StartWithoutEndDropsTheRestSilently",
     "[HEADER]\n[P]\n[ENDP]\n[CONNECTION]\n[W]\n[ENDW]\n[ENDCONNECTION]\n", "- - -", "marker, HEADER open"},
    {"TwoHeadersThenConnectionThenConnectorNeverRead",
     "[HEADER]\n[A]\n[ENDA]\n[ENDHEADER]\n[HEADER]\n[B]\n[ENDB]\n[ENDHEADER]\n"
     "[CONNECTION]\n[ENDCONNECTION]\n[CONNECTOR]\n[F]\n[ENDF]\n[ENDCONNECTOR]\n",
     "[HEADER]2 [CONNECTION]0 -", "marker"},
    {"LastLineWithoutLineEnd", "[HEADER]\r\n[ENDHEADER]", "[HEADER]0 - -", "marker"},
    {"ConnectorLeftOpen", "[CONNECTOR]\r\n[F]\r\n[ENDF]\r\n", "- - -", "marker, CONNECTOR open"},
    // A UTF-8 byte-order mark, and letters beyond ASCII beside the markers,
    // are text outside the sections.
    {"Utf8ByteOrderMark", "\xEF\xBB\xBF[HEADER]\r\n[P\xC3\x9C]\r\n[ENDP\xC3\x9C]\r\n[ENDHEADER]\r\n",
     "[HEADER]1 - -", "marker"},
    {"HighBytesAroundTheMarkers", "\xFF\n\xE4[CONNECTION]\n[ENDCONNECTION]\xB5\n", "- [CONNECTION]0 -",
     "marker"},
    {"Utf16Text", "\xFF\xFE[\0H\0E\0A\0D\0E\0R\0]\0\r\0\n\0"s, "- - -", "no marker"},
};

class SectionScanTest : public ::testing::TestWithParam<ScanCase> {};

TEST_P(SectionScanTest, FillsTheRoots)
{
    const ScanCase& c = GetParam();
    Roots roots;
    const ScanOutcome outcome = Scan(roots, c.strFile);
    EXPECT_TRUE(outcome.bOk);
    EXPECT_TRUE(outcome.lstMessages.empty()) << outcome.lstMessages.front();
    EXPECT_EQ(Describe(roots), c.strRoots);
    EXPECT_EQ(outcome.strFindings, c.strFindings);
}

// The conversion reads files with their CR LF pairs joined already: the
// scan must find the same sections in them.
TEST_P(SectionScanTest, FillsTheSameRootsFromTheJoinedFile)
{
    const ScanCase& c = GetParam();
    std::string strJoined = c.strFile;
    strJoined.resize(JoinCrLf(strJoined.data(), 0, strJoined.size()));
    Roots roots;
    const ScanOutcome outcome = Scan(roots, strJoined, ELineEnds::Joined);
    EXPECT_TRUE(outcome.bOk);
    EXPECT_EQ(Describe(roots), c.strRoots);
    EXPECT_EQ(outcome.strFindings, c.strFindings);
}

INSTANTIATE_TEST_SUITE_P(Markers, SectionScanTest, ::testing::ValuesIn(kScanCases),
                         [](const auto& testInfo) { return std::string(testInfo.param.pszName); });

TEST(SectionScanTextTest, CrLfBecomesLfButLoneCrStays)
{
    // Once only: a CR before a joined pair stays, whether the scan joins the
    // pairs itself or the file was joined beforehand.
    const std::string strFile = "[HEADER]\r\nFOO\r\nBAR=1\r\nX\rY=2\r\nZ\r\r\n=3\r\n[ENDHEADER]\r\n";
    std::string strJoined = strFile;
    strJoined.resize(JoinCrLf(strJoined.data(), 0, strJoined.size()));
    for (const ELineEnds lineEnds : {ELineEnds::AsInFile, ELineEnds::Joined}) {
        Roots roots;
        ASSERT_TRUE(Scan(roots, lineEnds == ELineEnds::Joined ? strJoined : strFile, lineEnds).bOk);
        EXPECT_EQ(roots.header.Value("FOO\nBAR"), "1");
        EXPECT_EQ(roots.header.Value("X\rY"), "2");
        EXPECT_EQ(roots.header.Value("Z\r\n"), "3");
    }
}

TEST(SectionScanTextTest, SectionTextKeepsTheFileCaseAndEndsAfterTheEndMarker)
{
    Roots roots;
    // The section's end tag for the parser is "[ENDHEADER]" whatever the case in
    // the file; the byte after the end marker on its line is not part of it.
    ASSERT_TRUE(Scan(roots, "[Header]\nname=v\n[endheader]trailing\n").bOk);
    EXPECT_EQ(roots.header.m_strType, "[HEADER]");
    EXPECT_EQ(roots.header.Value("NAME"), "v");
}

TEST(SectionScanTextTest, RejectedSectionStopsTheScanWithTheParserMessage)
{
    Roots roots;
    const ScanOutcome outcome =
        Scan(roots, "[HEADER]\r\nNAME\r\n[ENDHEADER]\r\n[CONNECTION]\r\n[ENDCONNECTION]\r\n");
    EXPECT_FALSE(outcome.bOk);
    ASSERT_EQ(outcome.lstMessages.size(), 1u);
    // The section text is "[HEADER]\nNAME\n[ENDHEADER]", 25 bytes: the name runs into the end tag;
    // the quote takes its first 20 bytes, line feeds included, and then drops the line feeds.
    EXPECT_EQ(outcome.lstMessages[0], "CAP-H Parser error in element '[HEADER]':  Out of data at position 25 "
                                      "of string [HEADER]NAME[ENDHE...");
    EXPECT_EQ(roots.connection.m_strType, "");
}

TEST(SectionScanTextTest, NulInsideASectionEndsItsTextForTheParser)
{
    Roots roots;
    std::string strFile = "[HEADER]\nA=1\n";
    strFile += '\0';
    strFile += "B=2\n[ENDHEADER]\n";
    const ScanOutcome outcome = Scan(roots, strFile);
    EXPECT_FALSE(outcome.bOk);
    ASSERT_EQ(outcome.lstMessages.size(), 1u);
    EXPECT_EQ(outcome.lstMessages[0],
              "CAP-H Parser error in element '[HEADER]':  Out of data at position 13 of string [HEADER]A=1");
    EXPECT_EQ(roots.header.Value("A"), "1");
}

TEST(SectionScanTextTest, PositionsAreCountedInTheTranslatedText)
{
    Roots roots;
    const ScanOutcome outcome = Scan(roots, "[HEADER]\r\n[P\r\n]\r\n[ENDHEADER]\r\n");
    ASSERT_EQ(outcome.lstMessages.size(), 1u);
    EXPECT_EQ(outcome.lstMessages[0],
              "CAP-H Parser error:  Illegal character at position 11 ('[HEADER][P][ENDHE...')");
}

TEST(SectionScanTextTest, Utf16ByteOrderMarks)
{
    struct MarkCase {
        std::string strBytes;
        bool bUtf16;
    };
    // The two-byte marks, also before UTF-16's NUL bytes and UTF-32's mark;
    // UTF-8's mark and the mark anywhere but at the start are no UTF-16.
    const MarkCase kCases[] = {
        {"\xFF\xFE", true},
        {"\xFE\xFF\0["s, true},
        {"\xFF\xFE\0\0"s, true},
        {"\xEF\xBB\xBF[", false},
        {"\xFF", false},
        {"\xFE\xFE", false},
        {"", false},
        {"x\xFF\xFE", false},
    };
    for (const MarkCase& c : kCases) {
        EXPECT_EQ(BeginsWithUtf16Mark(c.strBytes), c.bUtf16) << testing::PrintToString(c.strBytes);
    }
}

} // namespace
} // namespace pinweave
