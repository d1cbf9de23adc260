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

// Where the name in an element's end tag ends within its type: at the type's
// last "=", or at its "]" when it holds none. The end tag is "[END", the
// type's bytes from 1 up to there, and "]".
inline std::size_t EndTagNameEnd(const std::string& strType)
{
    const std::size_t nEquals = strType.rfind('=');
    return nEquals != std::string::npos ? nEquals : strType.size() - 1;
}

// True when the text at pszAt (a "[") begins with the end tag of the element
// of type strType, folding ASCII letters; the type is upper-cased already.
// Stops at the text's NUL, which no tag byte matches.
inline bool AtEndTag(const char* pszAt, const std::string& strType, std::size_t nNameEnd)
{
    if (UpperAscii(pszAt[1]) != 'E' || UpperAscii(pszAt[2]) != 'N' || UpperAscii(pszAt[3]) != 'D') {
        return false;
    }
    const char* const pszName = pszAt + 3;
    for (std::size_t i = 1; i < nNameEnd; ++i) {
        if (UpperAscii(pszName[i]) != strType[i]) {
            return false;
        }
    }
    return pszName[nNameEnd] == ']';
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
    // The enclosing elements, outermost first. Their end tags are read off
    // their types when they are current again, so a level costs one pointer.
    std::vector<CCapHElement*> lstOpen;
    CCapHElement* pElement = this;
    std::size_t nNameEnd = 0;  // of pElement's end tag within its type

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
                nNameEnd = static_cast<std::size_t>((nLastEquals >= 0 ? nLastEquals : p) - s);
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
            if (c == '[') {
                if (!pElement->m_strType.empty() && AtEndTag(t + p, pElement->m_strType, nNameEnd)) {
                    p += static_cast<std::int64_t>(nNameEnd) + 4;
                    pElement->m_mapAttributes.Compact();
                    if (lstOpen.empty()) {
                        nPos = p;
                        return true;
                    }
                    pElement = lstOpen.back();
                    lstOpen.pop_back();
                    nNameEnd = EndTagNameEnd(pElement->m_strType);
                    // The byte right after a nested end tag is passed over unseen.
                    if (t[p] != '\0') {
                        ++p;
                    }
                    continue;
                }
                lstOpen.push_back(pElement);
                pElement = &pElement->m_lstChildren.push_back(std::make_unique<CCapHElement>());
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
