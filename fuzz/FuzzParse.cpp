// Fuzz target: CCapHElement::Parse on the input bytes, NUL-terminated (a NUL
// inside the input ends the text early, as it does in a section).
//
// Checks the parser's promises: exactly one message on failure and none on
// success; the position stays inside the text and lands where the message
// says (the terminating NUL for "Out of data", the offending byte for an
// illegal character, the start for a missing "["); a successful parse leaves
// every element of the tree with a closed, upper-cased opening tag.
#include "FuzzCheck.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using pinweave::CCapHElement;
using pinweave::FuzzCheck;

bool IsControl(char c)
{
    return static_cast<signed char>(c) < 0x20;
}

void CheckClosedTree(const CCapHElement& root)
{
    std::vector<const CCapHElement*> lstPending = {&root};
    while (!lstPending.empty()) {
        const CCapHElement* pElement = lstPending.back();
        lstPending.pop_back();
        const std::string& strType = pElement->m_strType;
        FuzzCheck(strType.size() >= 2 && strType.front() == '[' && strType.back() == ']',
                  "a parsed element's type is its bracketed opening tag");
        for (const char c : strType) {
            FuzzCheck(!(c >= 'a' && c <= 'z') && !IsControl(c),
                      "a type is upper-cased and holds no control byte");
        }
        for (const auto& pChild : pElement->m_lstChildren) {
            lstPending.push_back(pChild.get());
        }
    }
}

// The start of the text as the messages quote it, with the line feeds that
// the report step removes from every message already removed.
std::string Quote(const char* pszText)
{
    std::string strQuote(pszText, std::find(pszText, pszText + 20, '\0'));
    if (strQuote.size() == 20) {
        strQuote += "...";
    }
    strQuote.erase(std::remove(strQuote.begin(), strQuote.end(), '\n'), strQuote.end());
    return strQuote;
}

bool EndsWith(const std::string& str, const std::string& strEnd)
{
    return str.size() >= strEnd.size() && str.compare(str.size() - strEnd.size(), strEnd.size(), strEnd) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    const std::string strText(reinterpret_cast<const char*>(pData), nSize);
    const char* const pszText = strText.c_str();
    const auto nLength = static_cast<std::int64_t>(std::strlen(pszText));

    pinweave::CReportCollector reports;
    CCapHElement element;
    std::int64_t nPos = 0;
    const bool bParsed = element.Parse(pszText, nPos);

    FuzzCheck(nPos >= 0 && nPos <= nLength, "the position stays inside the text");
    if (bParsed) {
        FuzzCheck(reports.m_lstMessages.empty(), "a successful parse reports nothing");
        FuzzCheck(nPos > 0, "a successful parse moves past the end tag");
        CheckClosedTree(element);
        return 0;
    }
    FuzzCheck(reports.m_lstMessages.size() == 1, "a failed parse reports exactly one message");
    const std::string& strMessage = reports.m_lstMessages.front();
    const std::string strQuote = Quote(pszText);
    if (strMessage.rfind("CAP-H Parser error in element '", 0) == 0) {
        FuzzCheck(nPos == nLength, "out of data leaves the position on the terminating NUL");
        FuzzCheck(EndsWith(strMessage, "':  Out of data at position " + std::to_string(nLength) +
                                           " of string " + strQuote),
                  "out of data names the text's length and quotes its start");
    } else if (strMessage.rfind("CAP-H Parser error:  Illegal character", 0) == 0) {
        FuzzCheck(nPos < nLength && (IsControl(pszText[nPos]) || pszText[nPos] == '['),
                  "an illegal character is a control byte or a '[' at the position");
        FuzzCheck(strMessage == "CAP-H Parser error:  Illegal character at position " + std::to_string(nPos) +
                                    " ('" + strQuote + "')",
                  "the message names the position and quotes the start");
    } else {
        FuzzCheck(strMessage ==
                      "CAP-H Parser error:  Element does not begin with a '[' near '" + strQuote + "'",
                  "a known parser message");
        FuzzCheck(nPos == 0 && pszText[0] != '[', "a missing '[' is reported at the start");
    }
    return 0;
}
