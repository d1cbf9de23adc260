// The CAP-H element parser: Parse and ParseAttribute of CCapHElement.
//
// Parse walks the text once with an explicit stack of open elements instead of
// recursion, so a section nested a million levels deep reads like a flat one.
// Every rule below mirrors the format as existing CAP-H files use it, quirks
// included (the byte after a nested end tag is passed over unseen, a tab or a
// byte 0x80-0xFF ends a value).
#include "caph/CapHElement.h"

#include "common/MessageTable.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace pinweave {

namespace {

// Bytes are read as signed 8-bit values: below 0x20 is a control byte, and so
// is every byte from 0x80 up, which reads as negative.
inline bool IsControl(char c)
{
    return static_cast<signed char>(c) < 0x20;
}

inline bool IsWhitespace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

inline char UpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// True when the text at pszAt begins with strTag, folding ASCII letters. Stops
// at the text's NUL, which no tag byte matches.
inline bool StartsWithNoCase(const char* pszAt, const std::string& strTag)
{
    for (std::size_t i = 0; i < strTag.size(); ++i) {
        if (UpperAscii(pszAt[i]) != UpperAscii(strTag[i])) {
            return false;
        }
    }
    return true;
}

// The beginning of the whole text as the messages quote it: its first 20 bytes
// and "..." when it holds 20 bytes or more, the whole text otherwise.
std::string QuoteText(const char* pszText)
{
    constexpr std::size_t kQuoteLength = 20;
    const std::size_t nLength = static_cast<std::size_t>(
        std::find(pszText, pszText + kQuoteLength, '\0') - pszText);
    std::string strQuote(pszText, nLength);
    if (nLength == kQuoteLength) {
        strQuote += "...";
    }
    return strQuote;
}

void ReportOutOfData(const char* pszText, const std::string& strType, std::int64_t nPos)
{
    CCapHElement::Report(CCapHElement::kReportCode,
                         FormatTableMessage(IDS_PARSER_OUT_OF_DATA,
                                       {strType, std::to_string(nPos), QuoteText(pszText)}));
}

void ReportIllegalCharacter(const char* pszText, std::int64_t nPos)
{
    CCapHElement::Report(CCapHElement::kReportCode,
                         FormatTableMessage(IDS_PARSER_ILLEGAL_CHARACTER, {std::to_string(nPos), QuoteText(pszText)}));
}

void ReportNoBracket(const char* pszText)
{
    CCapHElement::Report(CCapHElement::kReportCode, FormatTableMessage(IDS_PARSER_NO_BRACKET, {QuoteText(pszText)}));
}

// One element whose body is being read, with the end tag that closes it.
struct OpenElement {
    CCapHElement* pElement;
    std::string strEndTag;
};

}  // namespace

void CCapHElement::Report(int nCode, std::string strMessage)
{
    strMessage.erase(std::remove(strMessage.begin(), strMessage.end(), '\n'), strMessage.end());
    if (s_pfnReport) {
        s_pfnReport(nCode, strMessage.c_str());
    }
}

bool CCapHElement::Parse(const char* pszText, std::int64_t& nPos)
{
    const char* const t = pszText;
    std::int64_t p = nPos;
    std::vector<OpenElement> lstOpen;  // the enclosing elements, outermost first
    CCapHElement* pElement = this;
    std::string strEndTag;

    // Each pass of this loop reads one opening tag and then the body of that
    // element until a nested element opens (continue) or the outermost closes.
    for (;;) {
        const std::int64_t s = p;
        if (t[s] != '[') {
            ReportNoBracket(t);
            nPos = p;
            return false;
        }
        p = s + 1;
        std::int64_t nLastEquals = -1;
        while (t[p] != '\0') {
            const char c = t[p];
            if (IsControl(c) || c == '[') {
                ReportIllegalCharacter(t, p);
                nPos = p;
                return false;
            }
            if (c == '=') {
                nLastEquals = p;
            } else if (c == ']') {
                pElement->m_strType.assign(t + s, static_cast<std::size_t>(p - s + 1));
                MakeUpperAscii(pElement->m_strType);
                if (nLastEquals >= 0) {
                    strEndTag.assign("[END");
                    strEndTag.append(t + s + 1, static_cast<std::size_t>(nLastEquals - s - 1));
                    strEndTag += ']';
                } else {
                    strEndTag.assign("[END");
                    strEndTag.append(pElement->m_strType, 1, std::string::npos);
                }
                ++p;
                break;
            }
            ++p;
        }
        // An opening tag without "]" stops on the NUL, which the body reports.

        // Body of pElement.
        for (;;) {
            const char c = t[p];
            if (c == '\0') {
                ReportOutOfData(t, pElement->m_strType, p);
                nPos = p;
                return false;
            }
            if (c == strEndTag[0] && StartsWithNoCase(t + p, strEndTag)) {
                p += static_cast<std::int64_t>(strEndTag.size());
                pElement->m_mapAttributes.Compact();
                if (lstOpen.empty()) {
                    nPos = p;
                    return true;
                }
                pElement = lstOpen.back().pElement;
                strEndTag = std::move(lstOpen.back().strEndTag);
                lstOpen.pop_back();
                // The byte right after a nested end tag is passed over unseen.
                if (t[p] != '\0') {
                    ++p;
                }
                continue;
            }
            if (c == '[') {
                pElement->m_lstChildren.push_back(std::make_unique<CCapHElement>());
                lstOpen.push_back({pElement, std::move(strEndTag)});
                pElement = pElement->m_lstChildren.back().get();
                strEndTag.clear();
                break;
            }
            if (!IsWhitespace(c) && !pElement->ParseAttribute(t, p)) {
                nPos = p;
                return false;
            }
            if (t[p] != '\0') {
                ++p;
            }
        }
    }
}

bool CCapHElement::ParseAttribute(const char* pszText, std::int64_t& nPos)
{
    const char* const t = pszText;
    const std::int64_t s = nPos;
    std::int64_t p = s;
    while (t[p] != '=') {
        if (t[p] == '\0') {
            ReportOutOfData(t, m_strType, p);
            nPos = p;
            return false;
        }
        ++p;
    }
    const std::int64_t v = p + 1;
    p = v;
    while (!IsControl(t[p])) {
        ++p;
    }
    nPos = p;

    const std::string_view strValue(t + v, static_cast<std::size_t>(p - v));
    if (strValue.find_first_not_of(' ') == std::string_view::npos) {
        return true;  // empty or blank values are not stored
    }

    std::string strKey(t + s, static_cast<std::size_t>(v - 1 - s));
    MakeUpperAscii(strKey);
    while (m_mapAttributes.Find(strKey)) {
        strKey += "||";
        strKey += std::to_string(m_mapAttributes.GetCount());
    }
    m_mapAttributes.SetAtNew(strKey, strValue);
    return true;
}

}  // namespace pinweave
