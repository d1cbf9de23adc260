// Fuzz target: CCapHElement::Parse on the input bytes, NUL-terminated (a NUL
// inside the input ends the text early, as it does in a section).
//
// Checks the parser's promises: exactly one message on failure and none on
// success; the position stays inside the text and lands where the message
// says (the terminating NUL for "Out of data", the offending byte for an
// illegal character, the start for a missing "["); a successful parse leaves
// every element of the tree with a closed, upper-cased opening tag. And the
// tree, the outcome and the position agree with a plain recursive reading of
// the element rules, written for clarity rather than speed, whether the parse
// succeeds or stops on a fault.
#include "FuzzCheck.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using pinweave::CCapHElement;
using pinweave::FuzzCheck;

// Only 0x00-0x1F are control bytes; 0x80-0xFF are text like any letter.
bool IsControl(char c)
{
    return static_cast<unsigned char>(c) < 0x20;
}

void CheckClosedTree(const CCapHElement& root)
{
    std::vector<const CCapHElement*> lstPending = {&root};
    while (!lstPending.empty()) {
        const CCapHElement* pElement = lstPending.back();
        lstPending.pop_back();
        const std::string_view strType = pElement->m_strType;
        FuzzCheck(strType.size() >= 2 && strType.front() == '[' && strType.back() == ']',
                  "a parsed element's type is its bracketed opening tag");
        for (const char c : strType) {
            FuzzCheck(!(c >= 'a' && c <= 'z') && !IsControl(c),
                      "a type is upper-cased and holds no control byte");
        }
        for (const auto& pChild : pElement->m_lstChildren) {
            lstPending.push_back(pChild);
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

// The plain reading: one recursive call per element, attributes in a map.
struct CReferenceElement {
    std::string m_strType;
    std::vector<CReferenceElement> m_lstChildren;
    std::map<std::string, std::string> m_mapAttributes;
};

char UpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsWhitespace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool ReferenceAttribute(const char* t, std::int64_t& p, CReferenceElement& element)
{
    const std::int64_t s = p;
    while (t[p] != '=') {
        if (t[p] == '\0') {
            return false;
        }
        ++p;
    }
    std::string strKey(t + s, t + p);
    std::transform(strKey.begin(), strKey.end(), strKey.begin(), UpperAscii);
    const std::int64_t v = ++p;
    while (!IsControl(t[p])) {
        ++p;
    }
    const std::string strValue(t + v, t + p);
    if (strValue.find_first_not_of(' ') == std::string::npos) {
        return true;
    }
    while (element.m_mapAttributes.count(strKey) != 0) {
        strKey += "||" + std::to_string(element.m_mapAttributes.size());
    }
    element.m_mapAttributes[strKey] = strValue;
    return true;
}

bool ReferenceParse(const char* t, std::int64_t& p, CReferenceElement& element)
{
    const std::int64_t s = p;
    if (t[s] != '[') {
        return false;
    }
    std::string strEndTag;
    for (p = s + 1; t[p] != '\0'; ++p) {
        if (IsControl(t[p]) || t[p] == '[') {
            return false;
        }
        if (t[p] == '=') {
            strEndTag = "[END" + std::string(t + s + 1, t + p) + "]";
        } else if (t[p] == ']') {
            element.m_strType.assign(t + s, t + p + 1);
            std::transform(element.m_strType.begin(), element.m_strType.end(), element.m_strType.begin(),
                           UpperAscii);
            if (strEndTag.empty()) {
                strEndTag = "[END" + element.m_strType.substr(1);
            }
            ++p;
            break;
        }
    }
    for (;;) {
        if (t[p] == '\0') {
            return false;
        }
        std::size_t n = 0;
        while (n < strEndTag.size() &&
               UpperAscii(t[p + static_cast<std::int64_t>(n)]) == UpperAscii(strEndTag[n])) {
            ++n;
        }
        if (!strEndTag.empty() && n == strEndTag.size()) {
            p += static_cast<std::int64_t>(n);
            return true;
        }
        if (t[p] == '[') {
            element.m_lstChildren.emplace_back();
            if (!ReferenceParse(t, p, element.m_lstChildren.back())) {
                return false;
            }
        } else if (!IsWhitespace(t[p]) && !ReferenceAttribute(t, p, element)) {
            return false;
        }
        if (t[p] != '\0') {
            ++p;
        }
    }
}

// The same tree: types, children in order, and the same entries (every key of
// the reference found with its value, and no other entry).
void CheckSameTree(const CCapHElement& root, const CReferenceElement& referenceRoot)
{
    std::vector<std::pair<const CCapHElement*, const CReferenceElement*>> lstPending = {
        {&root, &referenceRoot}};
    while (!lstPending.empty()) {
        const auto [pElement, pReference] = lstPending.back();
        lstPending.pop_back();
        FuzzCheck(pElement->m_strType == pReference->m_strType, "the type of the plain reading");
        FuzzCheck(pElement->m_mapAttributes.GetCount() == pReference->m_mapAttributes.size(),
                  "the entry count of the plain reading");
        std::vector<std::string_view> lstKeys = {"", "NAME"};
        for (const auto& [strKey, strValue] : pReference->m_mapAttributes) {
            FuzzCheck(pElement->m_mapAttributes.Find(strKey) == std::optional<std::string_view>(strValue),
                      "each entry of the plain reading");
            lstKeys.push_back(strKey);
        }
        // All keys at once, as the writers ask, and two that may be absent.
        std::vector<std::string_view> lstValues(lstKeys.size());
        pElement->m_mapAttributes.FindValues(lstKeys.data(), lstValues.data(), lstKeys.size());
        for (std::size_t i = 0; i < lstKeys.size(); ++i) {
            FuzzCheck(lstValues[i] == pElement->m_mapAttributes.Find(lstKeys[i]).value_or(std::string_view()),
                      "the values asked for at once");
        }
        FuzzCheck(pElement->m_lstChildren.size() == pReference->m_lstChildren.size(),
                  "the children of the plain reading");
        for (std::size_t i = 0; i < pReference->m_lstChildren.size(); ++i) {
            lstPending.emplace_back(pElement->m_lstChildren[i], &pReference->m_lstChildren[i]);
        }
    }
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
    const pinweave::CParseResult result = element.Parse(pszText, nPos);
    const bool bParsed = static_cast<bool>(result);
    FuzzCheck(result.m_nPosition == nPos, "the result carries the position");
    FuzzCheck(bParsed ? reports.m_lstMessages.empty() && result.m_strMessage.empty()
                      : reports.m_lstMessages.size() == 1 && reports.m_lstMessages[0] == result.m_strMessage,
              "the result carries the one message the hook received");

    // Deep nesting is the parser's own test; the plain reading recurses.
    if (std::count(strText.begin(), strText.end(), '[') < 2000) {
        CReferenceElement reference;
        std::int64_t nReferencePos = 0;
        const bool bReferenceParsed = ReferenceParse(pszText, nReferencePos, reference);
        FuzzCheck(bParsed == bReferenceParsed, "the outcome of the plain reading");
        FuzzCheck(nPos == nReferencePos, "the position of the plain reading");
        CheckSameTree(element, reference);
    }

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
