#include "caph/CapHElement.h"

#include "CapHTestSupport.h"
#include "common/MessageTable.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace pinweave {
namespace {

struct ParseOutcome {
    bool bOk;
    std::int64_t nPos;
    std::string strMessage;
};

// The tree points into the text it was read from: every text a test parses
// is kept until the program ends.
const char* KeptText(const std::string& strText)
{
    static std::deque<std::string> s_lstTexts;
    return s_lstTexts.emplace_back(strText).c_str();
}

ParseOutcome ParseInto(CCapHElement& element, const std::string& strText)
{
    CReportRecorder recorder;
    std::int64_t nPos = 0;
    const CParseResult result = element.Parse(KeptText(strText), nPos);
    EXPECT_LE(recorder.m_lstMessages.size(), 1u) << "one fault, one message";
    for (const int nCode : recorder.m_lstCodes) {
        EXPECT_EQ(nCode, 16);
    }
    // The result carries what the hook received, and its status is the message's number.
    EXPECT_EQ(result.m_strMessage, recorder.OnlyMessage());
    EXPECT_EQ(result.m_nPosition, nPos);
    const std::string strTemplate = MessageText(MessageId(static_cast<int>(result.m_status)));
    EXPECT_EQ(result.m_strMessage.rfind(strTemplate.substr(0, strTemplate.find('%')), 0), 0u);
    return {static_cast<bool>(result), nPos, result.m_strMessage};
}

struct OutcomeCase {
    const char* pszName;
    std::string strText;
    ParseOutcome expected;
};

void PrintTo(const OutcomeCase& c, std::ostream* pOut)
{
    *pOut << c.pszName;
}

const std::string kExampleMissingEndPn =
    "[CONNECTION]\n[PN=4711]\n[WIRE]\nNAME=W1\nCOLOR=RD\n[ENDWIRE]\n[ENDCONNECTION]\n";

// Result, final position and the exact message of each rule of the grammar.
const OutcomeCase kOutcomeCases[] = {
    {"EmptyText", "", {false, 0, "CAP-H Parser error:  Element does not begin with a '[' near ''"}},
    {"NoBracketQuote19",
     std::string(19, 'x'),
     {false, 0, "CAP-H Parser error:  Element does not begin with a '[' near 'xxxxxxxxxxxxxxxxxxx'"}},
    {"NoBracketQuote20",
     std::string(20, 'x'),
     {false, 0, "CAP-H Parser error:  Element does not begin with a '[' near 'xxxxxxxxxxxxxxxxxxxx...'"}},
    {"LeadingBlank",
     " [A][ENDA]",
     {false, 0, "CAP-H Parser error:  Element does not begin with a '[' near ' [A][ENDA]'"}},
    {"EmptyBody", "[X][ENDX]", {true, 9, ""}},
    {"EmptyBodyWithEquals", "[PN=1][ENDPN]", {true, 13, ""}},
    {"EndTagAnyCase", "[Wire]\n[endWIRE]", {true, 16, ""}},
    {"LastEqualsDecides", "[A=1=2]\n[ENDA=1]", {true, 16, ""}},
    {"EmptyTag", "[]\n[END]", {true, 8, ""}},
    {"EndTagIsAPrefixTest", "[WIRE][ENDWIRE]S", {true, 15, ""}},
    {"TagBrokenByLineEnd",
     "[WIRE\n]\n[ENDWIRE]",
     {false, 5, "CAP-H Parser error:  Illegal character at position 5 ('[WIRE][ENDWIRE]')"}},
    {"BracketInTag", "[A[B]", {false, 2, "CAP-H Parser error:  Illegal character at position 2 ('[A[B]')"}},
    {"HighByteInTagIsText",
     "[A\xE4]",
     {false, 4, "CAP-H Parser error in element '[A\xE4]':  Out of data at position 4 of string [A\xE4]"}},
    {"TabInTag", "[A\tB]", {false, 2, "CAP-H Parser error:  Illegal character at position 2 ('[A\tB]')"}},
    {"TagNeverClosed",
     "[ABC",
     {false, 4, "CAP-H Parser error in element '':  Out of data at position 4 of string [ABC"}},
    {"ValueRunsToTheEnd",
     "[A]\nN=1",
     {false, 7, "CAP-H Parser error in element '[A]':  Out of data at position 7 of string [A]N=1"}},
    {"NameWithoutEquals",
     "[A]\nFOO\nBAR\n[ENDA]",
     {false, 18,
      "CAP-H Parser error in element '[A]':  Out of data at position 18 of string [A]FOOBAR[ENDA]"}},
    {"StrayEndTag",
     "[WIRE]\n[ENDFOO]\n",
     {false, 16,
      "CAP-H Parser error in element '[ENDFOO]':  Out of data at position 16 of string [WIRE][ENDFOO]"}},
    {"ExampleWithoutEndPn",
     kExampleMissingEndPn,
     {false, 73,
      "CAP-H Parser error in element '[ENDCONNECTION]':  Out of data at position 73 of string "
      "[CONNECTION][PN=471..."}},
    {"CarriageReturnStaysInQuote",
     "[A]\r\nX=1\r\n",
     {false, 10, "CAP-H Parser error in element '[A]':  Out of data at position 10 of string [A]\rX=1\r"}},
};

class ParserOutcomeTest : public ::testing::TestWithParam<OutcomeCase> {};

TEST_P(ParserOutcomeTest, ResultPositionAndMessage)
{
    const OutcomeCase& c = GetParam();
    CCapHElement element;
    const ParseOutcome outcome = ParseInto(element, c.strText);
    EXPECT_EQ(outcome.bOk, c.expected.bOk);
    EXPECT_EQ(outcome.nPos, c.expected.nPos);
    EXPECT_EQ(outcome.strMessage, c.expected.strMessage);
}

INSTANTIATE_TEST_SUITE_P(Rules, ParserOutcomeTest, ::testing::ValuesIn(kOutcomeCases),
                         [](const auto& testInfo) { return std::string(testInfo.param.pszName); });

struct AttributeCase {
    const char* pszName;
    std::string strBody;                                          // lines between [A] and [ENDA]
    std::vector<std::pair<std::string, std::string>> lstExpected; // exactly the stored entries
};

void PrintTo(const AttributeCase& c, std::ostream* pOut)
{
    *pOut << c.pszName;
}

// What one element stores for the body lines, under which keys.
const AttributeCase kAttributeCases[] = {
    {"PlainLines", "NAME=W1\nCOLOR=RD\n", {{"NAME", "W1"}, {"COLOR", "RD"}}},
    {"NameUpperCasedValueNot", "color=red/blk\n", {{"COLOR", "red/blk"}}},
    {"BlankBeforeEqualsStaysInName", "NAME =X\n", {{"NAME ", "X"}}},
    {"ValueKeepsItsBlanks", "N=  X  \n", {{"N", "  X  "}}},
    {"BlankAndEmptyValuesNotStored", "E=   \nZ=\nN=1\n", {{"N", "1"}}},
    {"LeadingEqualsIsEmptyName", "=V\n", {{"", "V"}}},
    {"TabEndsValueAndStartsAnItem", "N=ab\tM=c\n", {{"N", "ab"}, {"M", "c"}}},
    {"HighByteIsPartOfTheValue", "N=ab\xE4M=c\n", {{"N", "ab\xE4M=c"}}},
    {"HighBytesAreNotBlanks", "A=\xA0\nB= \x85 \n", {{"A", "\xA0"}, {"B", " \x85 "}}},
    {"HighByteStartsAName", "\xA0N=1\n", {{"\xA0N", "1"}}},
    {"HighLettersAreNotUpperCased", "gr\xFC\xDFn=\xE4\n", {{"GR\xFC\xDFN", "\xE4"}}},
    {"NameRunsAcrossLines", "FOO\nBAR=1\n", {{"FOO\nBAR", "1"}}},
    {"RepeatedNames", "NAME=a\nNAME=b\nNAME=c\n", {{"NAME", "a"}, {"NAME||1", "b"}, {"NAME||2", "c"}}},
    {"RepeatsAfterOtherName", "COLOR=x\nNAME=a\nNAME=b\n", {{"COLOR", "x"}, {"NAME", "a"}, {"NAME||2", "b"}}},
    {"GeneratedKeyMeetsLiteral",
     "NAME=a\nNAME||3=b\nC=c\nNAME=d\n",
     {{"NAME", "a"}, {"NAME||3", "b"}, {"C", "c"}, {"NAME||3||3", "d"}}},
    {"ByteAfterNestedEndTagUnseen", "[WIRE][ENDWIRE][WIRE]X=1\n", {{"WIRE]X", "1"}}},
    {"ValueEndsAtCarriageReturn", "N=1\r\n", {{"N", "1"}}},
};

class ParserAttributeTest : public ::testing::TestWithParam<AttributeCase> {};

TEST_P(ParserAttributeTest, StoresExactlyTheseEntries)
{
    const AttributeCase& c = GetParam();
    // The element read itself, and the same element read as a child, whose
    // table the parser keeps in its finished form (its body, or its entries).
    CCapHElement element;
    const ParseOutcome outcome = ParseInto(element, "[A]\n" + c.strBody + "[ENDA]");
    ASSERT_TRUE(outcome.bOk) << outcome.strMessage;
    CCapHElement parent;
    ASSERT_TRUE(ParseInto(parent, "[P]\n[A]\n" + c.strBody + "[ENDA]\n[ENDP]").bOk);
    ASSERT_EQ(parent.m_lstChildren.size(), 1u);
    for (const CAttributeTable* pTable :
         {&element.m_mapAttributes, &parent.m_lstChildren[0]->m_mapAttributes}) {
        EXPECT_EQ(pTable->GetCount(), c.lstExpected.size());
        std::vector<std::string_view> lstKeys = {"ABSENT"};
        for (const auto& [strKey, strValue] : c.lstExpected) {
            std::string strFound;
            EXPECT_TRUE(pTable->Lookup(strKey, strFound)) << "key '" << strKey << "'";
            EXPECT_EQ(strFound, strValue) << "key '" << strKey << "'";
            lstKeys.push_back(strKey);
        }
        std::vector<std::string_view> lstValues(lstKeys.size(), "stale");
        pTable->FindValues(lstKeys.data(), lstValues.data(), lstKeys.size());
        EXPECT_EQ(lstValues[0], "");
        for (std::size_t i = 1; i < lstKeys.size(); ++i) {
            EXPECT_EQ(lstValues[i], c.lstExpected[i - 1].second) << "key '" << lstKeys[i] << "'";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(KeyRule, ParserAttributeTest, ::testing::ValuesIn(kAttributeCases),
                         [](const auto& testInfo) { return std::string(testInfo.param.pszName); });

// Bytes 0x80-0xFF (a code page's letters, or the pieces of UTF-8 sequences)
// are text in every place: they end nothing, are kept byte for byte, and only
// the ASCII letters around them change case. In the texts "@" stands for the
// byte and "~" for the byte 0x20 away, which many code pages use for the same
// letter in the other case.
struct HighBytePlacement {
    const char* pszName;
    const char* pszText;
    bool bOk;
    const char* pszType; // the root's type
    const char* pszKey;  // its one entry, when bOk
    const char* pszValue;
};

const HighBytePlacement kHighBytePlacements[] = {
    {"Tag", "[pn@=x@]\nK=v\n[endPN@]", true, "[PN@=X@]", "K", "v"},
    {"Name", "[A]\nn@me=v\n[ENDA]", true, "[A]", "N@ME", "v"},
    {"Value", "[A]\nK=@v@@\n[ENDA]", true, "[A]", "K", "@v@@"},
    {"ValueOfTheByteAlone", "[A]\nK=@\n[ENDA]", true, "[A]", "K", "@"},
    {"EndTag", "[@]\nK=v\n[end@]", true, "[@]", "K", "v"},
    {"EndTagWithTheOtherCase", "[A@]\nK=v\n[ENDA~]", false, "[A@]", "", ""},
};

std::string WithByte(std::string str, unsigned char b)
{
    for (char& c : str) {
        if (c == '@' || c == '~') {
            c = static_cast<char>(c == '@' ? b : b ^ 0x20);
        }
    }
    return str;
}

TEST(ParserTest, HighBytesAreTextInEveryPlace)
{
    for (const HighBytePlacement& placement : kHighBytePlacements) {
        for (int n = 0x80; n <= 0xFF; ++n) {
            const auto b = static_cast<unsigned char>(n);
            SCOPED_TRACE(std::string(placement.pszName) + " byte " + std::to_string(n));
            const std::string strText = WithByte(placement.pszText, b);
            CCapHElement element;
            const ParseOutcome outcome = ParseInto(element, strText);
            ASSERT_EQ(outcome.bOk, placement.bOk) << outcome.strMessage;
            EXPECT_EQ(outcome.nPos, static_cast<std::int64_t>(strText.size()));
            EXPECT_EQ(element.m_strType, WithByte(placement.pszType, b));
            if (!placement.bOk) {
                // The other letter case opens a nested element whose end never comes.
                EXPECT_EQ(outcome.strMessage.rfind("CAP-H Parser error in element '[ENDA", 0), 0u);
                continue;
            }
            ASSERT_EQ(element.m_mapAttributes.GetCount(), 1u);
            EXPECT_EQ(element.Value(WithByte(placement.pszKey, b)), WithByte(placement.pszValue, b));
        }
    }
}

TEST(ParserTest, ExampleSectionBuildsTheTree)
{
    CCapHElement root;
    const std::string strText =
        "[CONNECTION]\n[PN=4711]\n[WIRE]\nNAME=W1\nCOLOR=RD\n[ENDWIRE]\n[ENDPN]\n[ENDCONNECTION]\n";
    const ParseOutcome outcome = ParseInto(root, strText);
    ASSERT_TRUE(outcome.bOk);
    EXPECT_EQ(outcome.nPos, static_cast<std::int64_t>(strText.size()) - 1);
    EXPECT_EQ(root.m_strType, "[CONNECTION]");
    ASSERT_EQ(root.m_lstChildren.size(), 1u);
    const CCapHElement& part = *root.m_lstChildren[0];
    EXPECT_EQ(part.m_strType, "[PN=4711]");
    ASSERT_EQ(part.m_lstChildren.size(), 1u);
    const CCapHElement& wire = *part.m_lstChildren[0];
    EXPECT_EQ(wire.m_strType, "[WIRE]");
    EXPECT_EQ(wire.Value("NAME"), "W1");
    EXPECT_EQ(wire.Value("COLOR"), "RD");
    EXPECT_EQ(wire.Value("name"), "");
}

TEST(ParserTest, TypeIsUpperCasedAndEndTagComesFromBeforeTheEquals)
{
    CCapHElement element;
    ASSERT_TRUE(ParseInto(element, "[pn=4711-b]\nNAME=x\n[endpn]").bOk);
    EXPECT_EQ(element.m_strType, "[PN=4711-B]");
}

TEST(ParserTest, FailureKeepsEverythingReadSoFar)
{
    CCapHElement root;
    root.m_strType = "[OLD]";
    const ParseOutcome outcome = ParseInto(root, "[A]\nX=1\n[B]\nY=2\n[C");
    EXPECT_FALSE(outcome.bOk);
    EXPECT_EQ(outcome.strMessage.rfind("CAP-H Parser error in element '':", 0), 0u) << outcome.strMessage;
    EXPECT_EQ(root.m_strType, "[A]");
    EXPECT_EQ(root.Value("X"), "1");
    ASSERT_EQ(root.m_lstChildren.size(), 1u);
    const CCapHElement& b = *root.m_lstChildren[0];
    EXPECT_EQ(b.m_strType, "[B]");
    EXPECT_EQ(b.Value("Y"), "2");
    ASSERT_EQ(b.m_lstChildren.size(), 1u); // the failing element was appended before it was read
    EXPECT_EQ(b.m_lstChildren[0]->m_strType, "");
}

TEST(ParserTest, UnclosedTagReportsTheTypeTheElementHeldBefore)
{
    CCapHElement root;
    root.m_strType = "[OLD]";
    const ParseOutcome outcome = ParseInto(root, "[NEW");
    EXPECT_EQ(outcome.strMessage,
              "CAP-H Parser error in element '[OLD]':  Out of data at position 4 of string [NEW");
    EXPECT_EQ(root.m_strType, "[OLD]");
}

TEST(ParserTest, ParsingAgainAddsToWhatTheElementHolds)
{
    CCapHElement root;
    const std::string strText = "[H]\nNAME=a\n[C]\n[ENDC]\n[ENDH]";
    ASSERT_TRUE(ParseInto(root, strText).bOk);
    ASSERT_TRUE(ParseInto(root, strText).bOk);
    EXPECT_EQ(root.m_lstChildren.size(), 2u);
    EXPECT_EQ(root.Value("NAME"), "a");
    EXPECT_EQ(root.Value("NAME||1"), "a");
}

TEST(ParserTest, ClearEmptiesTheWholeTreeAndLeavesAReusableElement)
{
    CCapHElement root;
    ASSERT_TRUE(ParseInto(root, "[R]\nK=v\n[A]\n[B]\nX=1\n[ENDB]\n[ENDA]\n[ENDR]").bOk);
    root.Clear();
    EXPECT_EQ(root.m_strType, "");
    EXPECT_TRUE(root.m_lstChildren.empty());
    EXPECT_EQ(root.m_mapAttributes.GetCount(), 0u);
    ASSERT_TRUE(ParseInto(root, "[S]\nK=w\n[ENDS]").bOk);
    EXPECT_EQ(root.Value("K"), "w");
}

// A million levels of nesting must neither overflow the stack while parsing
// nor while the tree is freed, whether the parse succeeds or fails.
TEST(ParserTest, MillionLevelsDeepParseAndFree)
{
    constexpr int kDepth = 1000000;
    std::string strText;
    strText.reserve(kDepth * 10);
    for (int i = 0; i < kDepth; ++i) {
        strText += "[A]";
    }
    strText += "K=deepest\n";
    for (int i = 0; i < kDepth; ++i) {
        strText += "[ENDA]\n";
    }
    {
        CCapHElement root;
        const ParseOutcome outcome = ParseInto(root, strText);
        ASSERT_TRUE(outcome.bOk) << outcome.strMessage;
        const CCapHElement* pElement = &root;
        int nDepth = 1;
        while (!pElement->m_lstChildren.empty()) {
            pElement = pElement->m_lstChildren.front();
            ++nDepth;
        }
        EXPECT_EQ(nDepth, kDepth);
        EXPECT_EQ(pElement->Value("K"), "deepest");
    }
    strText.resize(strText.size() - 7); // the outermost end tag is missing
    CCapHElement root;
    const ParseOutcome outcome = ParseInto(root, strText);
    EXPECT_FALSE(outcome.bOk);
    EXPECT_EQ(outcome.nPos, static_cast<std::int64_t>(strText.size()));
    EXPECT_EQ(outcome.strMessage.rfind("CAP-H Parser error in element '[A]':  Out of data at position ", 0),
              0u);
}

TEST(ParserTest, WithoutAHookMessagesAreDropped)
{
    CCapHElement::s_pfnReport = nullptr;
    CCapHElement element;
    std::int64_t nPos = 0;
    EXPECT_FALSE(element.Parse("x", nPos));
}

TEST(ParserTest, ManyRepeatedNamesOnOneElementStayFast)
{
    constexpr int kCount = 200000;
    std::string strText = "[A]\n";
    for (int i = 0; i < kCount; ++i) {
        strText += "NAME=p" + std::to_string(i) + "\n";
    }
    strText += "[ENDA]";
    CCapHElement element;
    ASSERT_TRUE(ParseInto(element, strText).bOk);
    ASSERT_EQ(element.m_mapAttributes.GetCount(), static_cast<std::size_t>(kCount));
    EXPECT_EQ(element.Value("NAME"), "p0");
    EXPECT_EQ(element.Value("NAME||1"), "p1");
    EXPECT_EQ(element.Value("NAME||" + std::to_string(kCount - 1)), "p" + std::to_string(kCount - 1));
}

} // namespace
} // namespace pinweave
