// Every byte value 0x00-0xFF in an opening tag (and so its end tag), an
// attribute name and a value. Bytes pass through untouched (no transcoding,
// only ASCII letters folded); a control byte (0x00-0x1F) ends a value and is
// illegal in a tag, while 0x80-0xFF are text like any letter; a NUL ends the
// parser's text. Whatever the byte, the run either completes or stops with
// the parser's message.
#include "InProcessRun.h"

#include "FaultSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace pinweave::test {
namespace {

struct Expected {
    bool bCompletes;
    std::string strPartOrMessage; // the part number written, or the start of the parser's message
};

bool IsControl(unsigned char b)
{
    return b < 0x20;
}

std::string Section(const std::string& strPart)
{
    return "[HEADER]\r\n" + strPart + "\r\n[ENDHEADER]\r\n";
}

struct Placement {
    const char* pszName;
    std::function<std::string(char)> fnCapH;
    std::function<Expected(unsigned char)> fnExpected;
};

const Placement kPlacements[] = {
    {"Value", [](char b) { return Section("[PN]\r\nNAME=A" + std::string(1, b) + "B=C\r\n[ENDPN]"); },
     [](unsigned char b) -> Expected {
         if (b == 0) {
             return {false, "CAP-H Parser error in element '[PN]':  Out of data at position 20 "};
         }
         return {true, IsControl(b) ? "A" : "A" + std::string(1, static_cast<char>(b)) + "B=C"};
     }},
    {"Name", [](char b) { return Section("[PN]\r\n" + std::string(1, b) + "AME=P1\r\n[ENDPN]"); },
     [](unsigned char b) -> Expected {
         if (b == 0) {
             return {false, "CAP-H Parser error in element '[PN]':  Out of data at position 14 "};
         }
         if (b == '[') {
             return {false, "CAP-H Parser error:  Illegal character at position 21 "};
         }
         return {true, b == 'N' || b == 'n' ? "P1" : ""};
     }},
    {"Tag",
     [](char b) {
         const std::string strEndTag = b == '=' ? "[ENDP]" : "[ENDP" + std::string(1, b) + "N]";
         return Section("[P" + std::string(1, b) + "N]\r\nNAME=P1\r\n" + strEndTag);
     },
     [](unsigned char b) -> Expected {
         if (b == 0) {
             return {false, "CAP-H Parser error in element '':  Out of data at position 11 "};
         }
         if (IsControl(b) || b == '[') {
             return {false, "CAP-H Parser error:  Illegal character at position 11 "};
         }
         if (b == ']') { // [P] closes early; the rest has no "=" left to end a name
             return {false, "CAP-H Parser error in element '[HEADER]':  Out of data at position "};
         }
         return {true, "P1"};
     }},
};

TEST(ByteValueTest, EveryByteInTagsNamesAndValues)
{
    CTempFolder temp;
    for (const Placement& placement : kPlacements) {
        for (int n = 0; n < 256; ++n) {
            const auto b = static_cast<unsigned char>(n);
            SCOPED_TRACE(std::string(placement.pszName) + " byte " + std::to_string(n));
            const Expected expected = placement.fnExpected(b);
            const InProcessOutcome outcome =
                ConvertInProcess(temp.Path(), placement.fnCapH(static_cast<char>(b)));
            ASSERT_EQ(expected.bCompletes, outcome.bCompleted) << outcome.arrResults.back();
            if (!expected.bCompletes) {
                EXPECT_EQ(0u, outcome.arrResults.back().rfind(expected.strPartOrMessage, 0))
                    << outcome.arrResults.back();
                EXPECT_TRUE(outcome.arrOutputs.empty());
                continue;
            }
            EXPECT_EQ("1 Part Number(s) detected.", outcome.arrResults[1]);
            ASSERT_EQ(1u, outcome.arrOutputs.size());
            EXPECT_NE(std::string::npos,
                      outcome.arrOutputs[0].find("; Part #" + expected.strPartOrMessage + "\r\n"))
                << outcome.arrOutputs[0];
        }
    }
}

} // namespace
} // namespace pinweave::test
