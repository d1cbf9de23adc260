// The CAP-H element parser: Parse and ParseAttribute of CCapHElement.
//
// Parse walks the text once with an explicit stack of open elements instead of
// recursion, so a section nested a million levels deep reads like a flat one.
// The tree keeps pointers into the text (see CAttributeTable).
// Every rule below mirrors the format as existing CAP-H files use it, quirks
// included (the byte after a nested end tag is passed over unseen, a tab ends
// a value).
#include "caph/CapHElement.h"

#include "caph/ByteClasses.h"
#include "common/MessageTable.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <new>
#include <utility>

namespace pinweave {

namespace {

// True when the text at pszAt (a "[") begins with the end tag of the element
// of type strType, folding ASCII letters; the type is upper-cased already.
// Stops at the text's NUL, which no tag byte matches.
inline bool AtEndTag(const char* pszAt, std::string_view strType, std::size_t nNameEnd)
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

CParseResult ReportOutOfData(const char* pszText, std::string_view strType, std::int64_t nPos)
{
    return CCapHElement::Report(
        EParseStatus::OutOfData, nPos,
        FormatTableMessage(IDS_PARSER_OUT_OF_DATA,
                           {std::string(strType), std::to_string(nPos), QuoteText(pszText)}));
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

// Reads one attribute line at nPos into the table of the element of type
// strType; bRepeated is set when its name was there already. nPos is left on
// the control byte that ended the value. strKey is scratch, kept from line
// to line.
CParseResult ReadAttribute(CAttributeTable& table, std::string_view strType, const char* t,
                           std::int64_t& nPos, std::string& strKey, bool& bRepeated)
{
    const std::int64_t s = nPos;
    std::int64_t p = s;
    // Names are nearly always upper-case already: they then stay in the text.
    bool bLowerCase = false;
    while (t[p] != '=') {
        if (t[p] == '\0') {
            nPos = p;
            return ReportOutOfData(t, strType, p);
        }
        bLowerCase |= static_cast<unsigned char>(t[p] - 'a') < 26;
        ++p;
    }
    const std::int64_t v = p + 1;
    p = v;
    while (!IsCapHControl(t[p])) {
        ++p;
    }
    nPos = p;

    const std::string_view strValue(t + v, static_cast<std::size_t>(p - v));
    if (strValue.find_first_not_of(' ') == std::string_view::npos) {
        return CParseResult(); // empty or blank values are not stored
    }

    const std::string_view strName(t + s, static_cast<std::size_t>(v - 1 - s));
    strKey.clear();
    if (bLowerCase) {
        strKey.assign(strName);
        MakeUpperAscii(strKey);
    }
    if (!table.Find(bLowerCase ? std::string_view(strKey) : strName)) {
        table.SetAtNew(t + s, strKey);
        return CParseResult();
    }
    // A repeated name: "||" and the entry count, until the key is free.
    bRepeated = true;
    if (!bLowerCase) {
        strKey.assign(strName);
    }
    do {
        strKey += "||";
        strKey += std::to_string(table.GetCount());
    } while (table.Find(strKey));
    table.SetAtNew(t + s, strKey);
    return CParseResult();
}

} // namespace

// An element being read: where its body starts, where the name of its end
// tag ends within its type, where its children start on the stack of
// children, and, for an element this Parse made, its attributes until it is
// complete. The children of every open element lie on one stack: those of
// an element's open child lie above its own and leave when that child ends.
struct CCapHElement::OpenElement {
    CCapHElement* pElement = nullptr;
    std::size_t nNameEnd = 0;
    std::int64_t nBody = 0;
    std::size_t nFirstChild = 0;
    bool bRepeated = false;
    CAttributeTable attributes;

    CAttributeTable& Table(std::size_t nLevel)
    {
        return nLevel == 0 ? pElement->m_mapAttributes : attributes;
    }
};

std::string_view CCapHElement::TypeOf(const char* pTag, std::size_t nLength, bool bLowerCase)
{
    if (!bLowerCase) {
        return {pTag, nLength};
    }
    auto* const pCopy = static_cast<char*>(m_pMade->arena.allocate(nLength, 1));
    for (std::size_t i = 0; i < nLength; ++i) {
        pCopy[i] = UpperAscii(pTag[i]);
    }
    return {pCopy, nLength};
}

CCapHElement* CCapHElement::MakeChild()
{
    return new (m_pMade->arena.allocate(sizeof(CCapHElement), alignof(CCapHElement))) CCapHElement();
}

void CCapHElement::CloseLevel(std::deque<OpenElement>& lstOpen, std::vector<CCapHElement*>& lstChildStack,
                              std::size_t nLevel, const char* pszText, std::int64_t nEnd, bool bComplete)
{
    OpenElement& open = lstOpen[nLevel];
    CCapHElement& element = *open.pElement;
    std::pmr::memory_resource& arena = m_pMade->arena;
    const std::size_t nChildren = lstChildStack.size() - open.nFirstChild;
    if (nLevel > 0) {
        // A complete element without children and without a name twice is
        // read from its body when asked; every other keeps its table.
        const auto nBody = static_cast<std::size_t>(nEnd - open.nBody);
        if (bComplete && nChildren == 0 && !open.bRepeated && nBody <= CAttributeTable::kMaxTextBody) {
            element.m_mapAttributes =
                CAttributeTable::OverText(pszText + open.nBody, nBody, open.attributes.GetCount());
        } else if (open.attributes.GetCount() > 0) {
            // Listed before it holds the table, so that Clear frees it even
            // when a fault (out of memory) leaves the element in no list.
            std::vector<CCapHElement*>& lstOwners = m_pMade->lstOwners;
            if (lstOwners.size() == lstOwners.capacity()) {
                lstOwners.reserve(std::max<std::size_t>(16, 2 * lstOwners.size()));
            }
            lstOwners.push_back(&element);
            element.m_mapAttributes = std::move(open.attributes);
        }
    }
    if (nChildren == 0) {
        return;
    }
    // The children of the root follow those it held before this Parse.
    const std::size_t nBefore = nLevel == 0 ? element.m_lstChildren.size() : 0;
    const std::size_t nCount = nBefore + nChildren;
    std::vector<CCapHElement*>& lstParents = m_pMade->lstParents;
    if (nLevel > 0 && lstParents.size() == lstParents.capacity()) {
        lstParents.reserve(std::max<std::size_t>(16, 2 * lstParents.size()));
    }
    auto* const pList =
        static_cast<CCapHElement**>(arena.allocate(nCount * sizeof(CCapHElement*), alignof(CCapHElement*)));
    std::copy(element.m_lstChildren.begin(), element.m_lstChildren.begin() + nBefore, pList);
    std::copy(lstChildStack.begin() + open.nFirstChild, lstChildStack.end(), pList + nBefore);
    lstChildStack.resize(open.nFirstChild);
    element.m_lstChildren = CChildList(pList, nCount);
    if (nLevel > 0) {
        lstParents.push_back(&element);
    }
}

namespace {

// Reads the opening tag at nPos (a "[") into strType through pfnType (the
// tag, its length, whether it holds lower-case letters), and where the name
// of its end tag ends within the type. False on an illegal byte (404). A tag
// the text ends in is left to the body, which then reports the element as out
// of data.
template <typename FType>
CParseResult ReadOpeningTag(const char* t, std::int64_t& nPos, FType pfnType, std::size_t& nNameEnd)
{
    const std::int64_t s = nPos;
    std::int64_t p = s + 1;
    std::int64_t nLastEquals = -1;
    bool bLowerCase = false;
    while (t[p] != '\0') {
        const char ch = t[p];
        if (IsCapHControl(ch) || ch == '[') {
            nPos = p;
            return ReportIllegalCharacter(t, p);
        }
        bLowerCase |= static_cast<unsigned char>(ch - 'a') < 26;
        if (ch == '=') {
            nLastEquals = p;
        } else if (ch == ']') {
            pfnType(t + s, static_cast<std::size_t>(p - s + 1), bLowerCase);
            nNameEnd = static_cast<std::size_t>((nLastEquals >= 0 ? nLastEquals : p) - s);
            ++p;
            break;
        }
        ++p;
    }
    nPos = p;
    return CParseResult();
}

} // namespace

CParseResult CCapHElement::Parse(const char* pszText, std::int64_t& nPos)
{
    const char* const t = pszText;
    if (t[nPos] != '[') {
        return ReportNoBracket(t, nPos);
    }
    if (m_pMade == nullptr) {
        m_pMade = std::make_unique<Made>();
    }
    // The elements being read, this one first; a level is kept for reuse
    // when its element is complete.
    std::deque<OpenElement> lstOpen(1);
    std::vector<CCapHElement*> lstChildStack;
    std::size_t nLevel = 0;
    const auto TypeInto = [this](CCapHElement& element) {
        return [this, &element](const char* pTag, std::size_t nLength, bool bLowerCase) {
            element.m_strType = TypeOf(pTag, nLength, bLowerCase);
        };
    };
    lstOpen[0].pElement = this;
    if (CParseResult result = ReadOpeningTag(t, nPos, TypeInto(*this), lstOpen[0].nNameEnd); !result) {
        return result;
    }
    std::string strKey;
    std::int64_t p = nPos;
    CParseResult result;
    bool bClosed = false;
    for (;;) {
        OpenElement& open = lstOpen[nLevel];
        const char ch = t[p];
        if (ch == '\0') {
            result = ReportOutOfData(t, open.pElement->m_strType, p);
            break;
        }
        if (ch == '[') {
            if (!open.pElement->m_strType.empty() &&
                AtEndTag(t + p, open.pElement->m_strType, open.nNameEnd)) {
                CloseLevel(lstOpen, lstChildStack, nLevel, t, p, true);
                p += static_cast<std::int64_t>(open.nNameEnd) + 4;
                if (nLevel == 0) {
                    bClosed = true;
                    break;
                }
                --nLevel;
                // The byte right after a nested end tag is passed over unseen.
                if (t[p] != '\0') {
                    ++p;
                }
                continue;
            }
            lstChildStack.push_back(nullptr);
            CCapHElement* const pChild = MakeChild();
            lstChildStack.back() = pChild;
            if (++nLevel == lstOpen.size()) {
                lstOpen.emplace_back();
            }
            OpenElement& child = lstOpen[nLevel];
            child.pElement = pChild;
            child.nFirstChild = lstChildStack.size();
            child.attributes.Reset();
            child.bRepeated = false;
            if (result = ReadOpeningTag(t, p, TypeInto(*pChild), child.nNameEnd); !result) {
                break;
            }
            child.nBody = p;
            continue;
        }
        if (IsCapHWhitespace(ch)) {
            ++p;
            continue;
        }
        if (result =
                ReadAttribute(open.Table(nLevel), open.pElement->m_strType, t, p, strKey, open.bRepeated);
            !result) {
            break;
        }
        if (t[p] != '\0') {
            ++p;
        }
    }
    // A fault leaves every element read so far in the tree, as far as it got.
    if (!bClosed) {
        for (std::size_t i = nLevel + 1; i-- > 0;) {
            CloseLevel(lstOpen, lstChildStack, i, t, p, false);
        }
    }
    nPos = p;
    result.m_nPosition = p;
    return result;
}

CParseResult CCapHElement::ParseAttribute(const char* pszText, std::int64_t& nPos)
{
    std::string strKey;
    bool bRepeated = false;
    return ReadAttribute(m_mapAttributes, m_strType, pszText, nPos, strKey, bRepeated);
}

} // namespace pinweave
