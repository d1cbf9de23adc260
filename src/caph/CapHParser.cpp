// The CAP-H element parser: Parse and ParseAttribute of CCapHElement.
//
// Parse walks the text once with an explicit stack of open elements instead of
// recursion, so a section nested a million levels deep reads like a flat one.
// Every rule below mirrors the format as existing CAP-H files use it, quirks
// included (the byte after a nested end tag is passed over unseen, a tab ends
// a value).
#include "caph/CapHElement.h"
#include "caph/ParseCursor.h"

#include "common/MessageTable.h"

#include <algorithm>
#include <cstring>
#include <thread>
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

// Reads one attribute line at nPos into element's table. nPos is left on the
// control byte that ended the value. strKey is scratch, kept from line to line.
static bool ReadAttribute(CCapHElement& element, const char* t, std::int64_t& nPos, CTreeArena* pArena,
                          bool bReport, std::string& strKey)
{
    const std::int64_t s = nPos;
    std::int64_t p = s;
    // Names are nearly always upper-case already: they are then stored
    // straight from the text, without a copy to upper-case first.
    bool bLowerCase = false;
    while (t[p] != '=') {
        if (t[p] == '\0') {
            if (bReport) {
                ReportOutOfData(t, element.m_strType, p);
            }
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
        return true;  // empty or blank values are not stored
    }

    std::string_view strName(t + s, static_cast<std::size_t>(v - 1 - s));
    if (bLowerCase) {
        strKey.assign(strName);
        MakeUpperAscii(strKey);
        strName = strKey;
    }
    CAttributeTable& table = element.m_mapAttributes;
    if (!table.Find(strName)) {
        table.SetAtNew(strName, strValue, pArena);
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
    table.SetAtNew(strKey, strValue, pArena);
    return true;
}

bool ReadOpeningTag(CParseCursor& c, CCapHElement* pElement)
{
    const char* const t = c.t;
    const std::int64_t s = c.p;
    std::int64_t p = s + 1;
    std::int64_t nLastEquals = -1;
    while (t[p] != '\0') {
        const char ch = t[p];
        if (IsControl(ch) || ch == '[') {
            if (c.bReport) {
                ReportIllegalCharacter(t, p);
            }
            c.p = p;
            return false;
        }
        if (ch == '=') {
            nLastEquals = p;
        } else if (ch == ']') {
            pElement->m_strType.assign(t + s, static_cast<std::size_t>(p - s + 1));
            MakeUpperAscii(pElement->m_strType);
            c.nNameEnd = static_cast<std::size_t>((nLastEquals >= 0 ? nLastEquals : p) - s);
            ++p;
            break;
        }
        ++p;
    }
    c.p = p;
    return true;
}

EParseStop ReadBody(CParseCursor& c)
{
    const char* const t = c.t;
    std::int64_t p = c.p;
    CCapHElement* pElement = c.pElement;
    std::size_t nNameEnd = c.nNameEnd;
    EParseStop stop = EParseStop::Failed;
    for (;;) {
        if (p >= c.nStopAt) {
            stop = EParseStop::AtStop;
            break;
        }
        const char ch = t[p];
        if (ch == '\0') {
            if (c.bReport) {
                ReportOutOfData(t, pElement->m_strType, p);
            }
            break;
        }
        if (ch == '[') {
            if (!pElement->m_strType.empty() && AtEndTag(t + p, pElement->m_strType, nNameEnd)) {
                p += static_cast<std::int64_t>(nNameEnd) + 4;
                pElement->m_mapAttributes.Compact(c.pArena);
                if (c.lstOpen.empty()) {
                    stop = EParseStop::Closed;
                    break;
                }
                pElement = c.lstOpen.back();
                c.lstOpen.pop_back();
                nNameEnd = EndTagNameEnd(pElement->m_strType);
                // The byte right after a nested end tag is passed over unseen.
                if (t[p] != '\0') {
                    ++p;
                }
                continue;
            }
            if (c.pbCancel != nullptr && c.pbCancel->load(std::memory_order_relaxed)) {
                break;
            }
            c.lstOpen.push_back(pElement);
            pElement = &pElement->m_lstChildren.push_back_from_arena(c.pArena->NewElement());
            c.p = p;
            c.nNameEnd = nNameEnd;
            if (!ReadOpeningTag(c, pElement)) {
                p = c.p;
                break;
            }
            p = c.p;
            nNameEnd = c.nNameEnd;
            continue;
        }
        if (IsWhitespace(ch)) {
            // A run of blanks (the indentation of every line) in one go, up
            // to the stop position at the most.
            const std::int64_t nLimit = c.nStopAt;
            do {
                ++p;
            } while (p < nLimit && IsWhitespace(t[p]));
            continue;
        }
        if (!ReadAttribute(*pElement, t, p, c.pArena, c.bReport, c.strKey)) {
            break;
        }
        if (t[p] != '\0') {
            ++p;
        }
    }
    c.p = p;
    c.pElement = pElement;
    c.nNameEnd = nNameEnd;
    return stop;
}

namespace {

// Long texts are read in pieces of at least this size, one thread each.
constexpr std::int64_t kMinPieceBytes = std::int64_t(1) << 20;
constexpr int kMaxPieces = 8;

int PiecesFor(std::int64_t nTextLength)
{
    const auto nCores = static_cast<std::int64_t>(std::thread::hardware_concurrency());
    return static_cast<int>(std::max<std::int64_t>(
        1, std::min<std::int64_t>({nCores, kMaxPieces, nTextLength / kMinPieceBytes})));
}

}  // namespace

bool CCapHElement::Parse(const char* pszText, std::int64_t& nPos)
{
    return ParseInPieces(pszText, nPos, -1, 1);
}

bool CCapHElement::Parse(const char* pszText, std::int64_t& nPos, std::int64_t nTextLength)
{
    return ParseInPieces(pszText, nPos, nTextLength, PiecesFor(nTextLength - nPos));
}

bool CCapHElement::ParseInPieces(const char* pszText, std::int64_t& nPos, std::int64_t nTextLength,
                                 int nPieces)
{
    if (pszText[nPos] != '[') {
        ReportNoBracket(pszText);
        return false;
    }
    if (m_pArena == nullptr) {
        m_pArena = std::make_unique<CTreeArena>();
    }
    CParseCursor c;
    c.t = pszText;
    c.p = nPos;
    c.pRoot = this;
    c.pElement = this;
    c.pArena = m_pArena.get();
    if (!ReadOpeningTag(c, this)) {
        nPos = c.p;
        return false;
    }
    const EParseStop stop =
        nPieces > 1 && nTextLength > c.p ? ReadBodyInPieces(c, nTextLength, nPieces) : ReadBody(c);
    nPos = c.p;
    return stop == EParseStop::Closed;
}

bool CCapHElement::ParseAttribute(const char* pszText, std::int64_t& nPos)
{
    std::string strKey;
    return ReadAttribute(*this, pszText, nPos, nullptr, true, strKey);
}

}  // namespace pinweave
