// A long section read in pieces on several threads must come out exactly as
// the plain reading: the same tree, position, result and message, wherever
// the cuts land and whatever faults the text holds.
#include "caph/CapHElement.h"

#include "CapHTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace pinweave {
namespace {

struct Reading {
    bool bOk = false;
    std::int64_t nPos = 0;
    std::vector<std::string> lstMessages;
    std::string strTree;
};

// The keys the texts below use, with the suffixes repeated names get.
std::vector<std::string> CandidateKeys()
{
    std::vector<std::string> lstKeys;
    for (const char* pszKey : {"NAME", "COLOR", "PN"}) {
        lstKeys.emplace_back(pszKey);
        for (int i = 0; i < 12; ++i) {
            lstKeys.push_back(std::string(pszKey) + "||" + std::to_string(i));
        }
    }
    return lstKeys;
}

// The whole tree as text: each element's depth, type, entry count and the
// values of the candidate keys, in document order.
std::string DumpTree(const CCapHElement& root)
{
    static const std::vector<std::string> kKeys = CandidateKeys();
    std::string strDump;
    std::vector<std::pair<const CCapHElement*, int>> lstPending = {{&root, 0}};
    while (!lstPending.empty()) {
        const auto [pElement, nDepth] = lstPending.back();
        lstPending.pop_back();
        strDump += std::string(static_cast<std::size_t>(nDepth), ' ') + pElement->m_strType + " #" +
                   std::to_string(pElement->m_mapAttributes.GetCount());
        for (const std::string& strKey : kKeys) {
            if (const auto value = pElement->m_mapAttributes.Find(strKey)) {
                strDump += " " + strKey + "=" + std::string(*value);
            }
        }
        strDump += "\n";
        for (std::size_t i = pElement->m_lstChildren.size(); i-- > 0;) {
            lstPending.emplace_back(pElement->m_lstChildren[i].get(), nDepth + 1);
        }
    }
    return strDump;
}

Reading Read(const std::string& strText, int nPieces)
{
    CReportRecorder recorder;
    CCapHElement root;
    Reading reading;
    reading.bOk = nPieces == 0 ? root.Parse(strText.c_str(), reading.nPos)
                               : root.ParseInPieces(strText.c_str(), reading.nPos,
                                                    static_cast<std::int64_t>(strText.size()), nPieces);
    reading.lstMessages = recorder.m_lstMessages;
    reading.strTree = DumpTree(root);
    return reading;
}

// A connection section of nGroups part groups; part(i) may replace group i.
std::string Section(int nGroups, const std::function<std::string(int)>& fnGroup = {},
                    const char* pszLineEnd = "\n")
{
    std::string strText = std::string("[CONNECTION]") + pszLineEnd;
    for (int i = 0; i < nGroups; ++i) {
        const std::string strGroup = fnGroup ? fnGroup(i) : std::string();
        if (!strGroup.empty()) {
            strText += strGroup;
            continue;
        }
        strText += "  [PN=P" + std::to_string(i) + "]" + pszLineEnd;
        for (int w = 0; w < 3; ++w) {
            strText += "    [WIRE]" + std::string(pszLineEnd) + "      NAME=W" + std::to_string(w) +
                       pszLineEnd + "      COLOR=RD" + pszLineEnd + "      NAME=again" + pszLineEnd +
                       "    [ENDWIRE]" + pszLineEnd;
        }
        strText += std::string("  [ENDPN]") + pszLineEnd;
    }
    return strText + "[ENDCONNECTION]" + pszLineEnd;
}

std::string Group(int i, const std::string& strBody)
{
    return "  [PN=P" + std::to_string(i) + "]\n" + strBody + "  [ENDPN]\n";
}

struct PieceCase {
    const char* pszName;
    std::string strText;
};

void PrintTo(const PieceCase& c, std::ostream* pOut)
{
    *pOut << c.pszName;
}

const PieceCase kPieceCases[] = {
    {"PlainGroups", Section(24)},
    {"CrLfLineEnds", Section(24, {}, "\r\n")},
    {"CutsLandInDeeperElementsLikeAGroup",
     Section(24,
             [](int i) {
                 // Lines exactly like a group's opening line, one level down.
                 return Group(i, "    [SUB]\n  [PN=INNER]\n    NAME=n\n  [ENDPN]\n    [ENDSUB]\n");
             })},
    {"UnclosedGroupLineAtTheEnd",
     Section(24, [](int i) { return i == 23 ? std::string("  NAME=x\n  [PN=LOOKS LIKE A GROUP\n") : ""; })},
    {"GroupLinesInsideAttributeNames",
     Section(24,
             [](int i) {
                 // A name runs up to its "=", across line ends: "FOO\n  [PN".
                 return i % 4 == 2 ? Group(i, "    FOO\n  [PN=INSIDE]\n    NAME=n\n") : "";
             })},
    {"RootAttributesBetweenGroups",
     Section(
         24,
         [](int i) { return i % 5 == 0 ? Group(i, "") + "  NAME=root" + std::to_string(i) + "\n" : ""; })},
    {"EndTagAndNextGroupOnOneLine", Section(24,
                                            [](int i) {
                                                return "  [PN=P" + std::to_string(i) +
                                                       "]\n    NAME=n\n  [ENDPN][PN=Q]\n  [ENDPN]\n";
                                            })},
    {"GroupNeverClosedLate", Section(24, [](int i) { return i == 20 ? std::string("  [PN=OPEN]\n") : ""; })},
    {"GroupNeverClosedEarly", Section(24, [](int i) { return i == 1 ? std::string("  [PN=OPEN]\n") : ""; })},
    {"IllegalByteLate", Section(24, [](int i) { return i == 19 ? Group(i, "    [WI\tRE]\n") : ""; })},
    {"IllegalByteEarly", Section(24, [](int i) { return i == 2 ? Group(i, "    [WI[RE]\n") : ""; })},
    {"NameWithoutEqualsLate", Section(24, [](int i) { return i == 22 ? Group(i, "    NAME W1\n") : ""; })},
    {"RootNeverCloses", Section(24).substr(0, Section(24).size() - 16)},
    {"TextEndsInATag", Section(24).substr(0, Section(24).size() - 40) + "  [PN=CUT"},
    {"StrayEndTagsAtTheRoot",
     Section(24, [](int i) { return i % 6 == 3 ? std::string("  [ENDPN]\n") : ""; })},
    {"NoGroupLines", "[CONNECTION]\n  NAME=a\n  NAME=b\n[ENDCONNECTION]\n"},
    {"OneGroup", Section(1)},
    {"TextAfterTheRootEnd", Section(24) + "  [PN=AFTER]\n  [ENDPN]\n"},
    // Bytes 0x80-0xFF are text: in the group lines the cuts look for, in
    // types, names, values and end tags, single-byte letters and UTF-8 alike.
    {"HighBytesEverywhere",
     Section(24,
             [](int i) {
                 return "  [PN\xDC=P\xFC" + std::to_string(i) + "]\n    [W\xC3\x84]\n      NAME=W\xE4\n" +
                        "      COLOR=GR\xC3\x9CN/\xB5\n      N\xC4ME=x\n    [ENDw\xC3\x84]\n  [endpn\xDC]\n";
             })},
    {"HighByteEndTagOfAnotherCaseLate",
     Section(24, [](int i) { return i == 21 ? Group(i, "    [W\xE4]\n    [ENDW\xC4]\n") : ""; })},
    {"HighBytesEndingValues",
     Section(24, [](int i) { return i % 3 == 1 ? Group(i, "    NAME=n\xA0\xFF\n") : ""; })},
};

class PieceReadingTest : public ::testing::TestWithParam<PieceCase> {};

TEST_P(PieceReadingTest, EveryCutReadsLikeThePlainReading)
{
    const Reading plain = Read(GetParam().strText, 0);
    for (const int nPieces : {1, 2, 3, 4, 7, 40}) {
        const Reading pieces = Read(GetParam().strText, nPieces);
        EXPECT_EQ(pieces.bOk, plain.bOk) << nPieces << " pieces";
        EXPECT_EQ(pieces.nPos, plain.nPos) << nPieces << " pieces";
        EXPECT_EQ(pieces.lstMessages, plain.lstMessages) << nPieces << " pieces";
        EXPECT_EQ(pieces.strTree, plain.strTree) << nPieces << " pieces";
    }
}

INSTANTIATE_TEST_SUITE_P(Cuts, PieceReadingTest, ::testing::ValuesIn(kPieceCases),
                         [](const auto& testInfo) { return std::string(testInfo.param.pszName); });

// The reading that picks its own number of pieces (from the cores and the
// length) reads a long section like the plain one, and again into a root
// that already holds a reading.
TEST(PieceReadingTest, LongSectionAndASecondReadingIntoTheSameRoot)
{
    const std::string strText = Section(20000);
    ASSERT_GT(strText.size(), std::size_t(4) << 20);
    CCapHElement plain;
    CCapHElement pieces;
    for (int nRound = 0; nRound < 2; ++nRound) {
        std::int64_t nPlainPos = 0;
        std::int64_t nPiecesPos = 0;
        ASSERT_TRUE(plain.Parse(strText.c_str(), nPlainPos));
        ASSERT_TRUE(pieces.Parse(strText.c_str(), nPiecesPos, static_cast<std::int64_t>(strText.size())));
        EXPECT_EQ(nPiecesPos, nPlainPos);
        ASSERT_EQ(DumpTree(pieces), DumpTree(plain)) << "round " << nRound;
    }
    EXPECT_EQ(pieces.m_lstChildren.size(), 40000u);
}

}  // namespace
}  // namespace pinweave
