// The CAP-H element parser: Parse and ParseAttribute of CCapHElement.
//
// Parse walks the text once with an explicit stack of open elements instead of
// recursion, so a section nested a million levels deep reads like a flat one.
// The tree keeps pointers into the text (see CAttributeTable).
// Every rule below mirrors the format as existing CAP-H files use it, quirks
// included (the byte after a nested end tag is passed over unseen, a tab ends
// a value).
#include "caph/CapHElement.h"

#include "common/MessageTable.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace pinweave {

namespace {

// Bytes are read as unsigned: only 0x00-0x1F are control bytes. Bytes 0x80-0xFF
// are letters of the export's code page (or pieces of UTF-8 sequences) and are
// text like any other, whatever the sign of char on this platform.
inline bool IsControl(char c)
{
    return static_cast<unsigned char>(c) < 0x20;
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
    const std::size_t nLength =
        static_cast<std::size_t>(std::find(pszText, pszText + kQuoteLength, '\0') - pszText);
    std::string strQuote(pszText, nLength);
    if (nLength == kQuoteLength) {
        strQuote += "...";
    }
    return strQuote;
}

CParseResult ReportOutOfData(const char* pszText, const std::string& strType, std::int64_t nPos)
{
    return CCapHElement::Report(
        EParseStatus::OutOfData, nPos,
        FormatTableMessage(IDS_PARSER_OUT_OF_DATA, {strType, std::to_string(nPos), QuoteText(pszText)}));
}

CParseResult ReportIllegalCharacter(const char* pszText, std::int64_t nPos)
{
    return CCapHElement::Report(
        EParseStatus::IllegalCharacter, nPos,
        FormatTableMessage(IDS_PARSER_ILLEGAL_CHARACTER, {std::to_string(nPos), QuoteText(pszText)}));
}

CParseResult ReportNoBracket(const char* pszText, std::int64_t nPos)
{
    return CCapHElement::Report(EParseStatus::NoBracket, nPos,
                                FormatTableMessage(IDS_PARSER_NO_BRACKET, {QuoteText(pszText)}));
}

} // namespace

CParseResult CCapHElement::Report(EParseStatus status, std::int64_t nPos, std::string strMessage)
{
    strMessage.erase(std::remove(strMessage.begin(), strMessage.end(), '\n'), strMessage.end());
    if (s_pfnReport) {
        s_pfnReport(kReportCode, strMessage.c_str());
    }
    return CParseResult{status, nPos, std::move(strMessage)};
}

namespace {

// Reads one attribute line at nPos into element's table. nPos is left on the
// control byte that ended the value. strKey is scratch, kept from line to line.
bool ReadAttribute(CCapHElement& element, const char* t, std::int64_t& nPos, std::string& strKey,
                   CParseResult& result)
{
    const std::int64_t s = nPos;
    std::int64_t p = s;
    // Names are nearly always upper-case already: they then stay in the text.
    bool bLowerCase = false;
    while (t[p] != '=') {
        if (t[p] == '\0') {
            result = ReportOutOfData(t, element.m_strType, p);
            nPos = p;
            return false;
        }
        bLowerCase |= static_cast<unsigned char>(t[p] - 'a') < 26;
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
        return true; // empty or blank values are not stored
    }

    const std::string_view strName(t + s, static_cast<std::size_t>(v - 1 - s));
    CAttributeTable& table = element.m_mapAttributes;
    strKey.clear();
    if (bLowerCase) {
        strKey.assign(strName);
        MakeUpperAscii(strKey);
    }
    if (!table.Find(bLowerCase ? std::string_view(strKey) : strName)) {
        table.SetAtNew(t + s, strKey);
        return true;
    }
    // A repeated name: "||" and the entry count, until the key is free.
    if (!bLowerCase) {
        strKey.assign(strName);
    }
    do {
        strKey += "||";
        strKey += std::to_string(table.GetCount());
    } while (table.Find(strKey));
    table.SetAtNew(t + s, strKey);
    return true;
}

// Reads the opening tag at nPos (a "[") into element: its type, and where the
// name of its end tag ends within the type. False on an illegal byte (404). A
// tag the text ends in is left to the body, which then reports the element as
// out of data.
bool ReadOpeningTag(const char* t, std::int64_t& nPos, CCapHElement& element, std::size_t& nNameEnd,
                    CParseResult& result)
{
    const std::int64_t s = nPos;
    std::int64_t p = s + 1;
    std::int64_t nLastEquals = -1;
    while (t[p] != '\0') {
        const char ch = t[p];
        if (IsControl(ch) || ch == '[') {
            result = ReportIllegalCharacter(t, p);
            nPos = p;
            return false;
        }
        if (ch == '=') {
            nLastEquals = p;
        } else if (ch == ']') {
            element.m_strType.assign(t + s, static_cast<std::size_t>(p - s + 1));
            MakeUpperAscii(element.m_strType);
            nNameEnd = static_cast<std::size_t>((nLastEquals >= 0 ? nLastEquals : p) - s);
            ++p;
            break;
        }
        ++p;
    }
    nPos = p;
    return true;
}

} // namespace

CParseResult CCapHElement::Parse(const char* pszText, std::int64_t& nPos)
{
    const char* const t = pszText;
    if (t[nPos] != '[') {
        return ReportNoBracket(t, nPos);
    }
    std::size_t nNameEnd = 0;
    CParseResult result;
    if (!ReadOpeningTag(t, nPos, *this, nNameEnd, result)) {
        return result;
    }
    if (m_pMade == nullptr) {
        m_pMade = std::make_unique<std::vector<std::unique_ptr<CCapHElement>>>();
    }
    std::vector<std::unique_ptr<CCapHElement>>& lstMade = *m_pMade;
    // The elements that enclose the one being read, outermost first.
    std::vector<CCapHElement*> lstOpen;
    CCapHElement* pElement = this;
    std::string strKey;
    std::int64_t p = nPos;
    for (;;) {
        const char ch = t[p];
        if (ch == '\0') {
            result = ReportOutOfData(t, pElement->m_strType, p);
            break;
        }
        if (ch == '[') {
            if (!pElement->m_strType.empty() && AtEndTag(t + p, pElement->m_strType, nNameEnd)) {
                p += static_cast<std::int64_t>(nNameEnd) + 4;
                pElement->m_mapAttributes.Compact();
                if (lstOpen.empty()) {
                    break;
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
            CCapHElement* const pChild = lstMade.emplace_back(std::make_unique<CCapHElement>()).get();
            pElement = pElement->m_lstChildren.emplace_back(pChild);
            if (!ReadOpeningTag(t, p, *pElement, nNameEnd, result)) {
                break;
            }
            continue;
        }
        if (IsWhitespace(ch)) {
            ++p;
            continue;
        }
        if (!ReadAttribute(*pElement, t, p, strKey, result)) {
            break;
        }
        if (t[p] != '\0') {
            ++p;
        }
    }
    nPos = p;
    result.m_nPosition = p;
    return result;
}

CParseResult CCapHElement::ParseAttribute(const char* pszText, std::int64_t& nPos)
{
    std::string strKey;
    CParseResult result;
    ReadAttribute(*this, pszText, nPos, strKey, result);
    result.m_nPosition = nPos;
    return result;
}

} // namespace pinweave
