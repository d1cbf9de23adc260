// One element of a parsed CAP-H section, and the parser that fills it.
//
// Grammar accepted by Parse (a single forward pass over a NUL-terminated text;
// bytes are read as unsigned, so only 0x00-0x1F are control bytes, and bytes
// 0x80-0xFF are text wherever they stand, copied byte for byte):
//
//   element   := "[" tag-byte* "]" body end-tag
//   tag-byte  := any byte 0x20-0xFF except "["        ("]" closes the tag)
//   body      := { whitespace | element | attribute }  up to the first item
//                start where the end tag begins (ASCII case folded, prefix test)
//   end-tag   := "[END" + the tag up to its last "=" (or its "]") + "]"
//   attribute := name "=" value     name: every byte up to the first "=",
//                                   line breaks included, upper-cased, untrimmed
//                                   value: the run of non-control bytes after "="
//   whitespace := 0x20 and 0x09-0x0D; upper-casing folds only a-z
//
// The byte after a value (the control byte that ended it) and the byte right
// after a nested element's end tag are passed over unseen. A value that is
// empty or all blanks is not stored. Repeated names are stored under the key
// "%s||%i" with the current entry count, repeated until the key is free.
//
// Bad input: Parse returns the failure as a value (CParseResult: 403 out of
// data, 404 illegal character in an opening tag, 405 no "[" at the start, with
// the position and the finished message), and hands that one message to the
// report hook with code 16 when one is installed. Everything stored before the
// fault stays in the tree.
// Nesting depth is limited only by memory: neither Parse nor destruction recurses.
//
// The tree copies no text: types, names and values are views into the text
// it was read from (see CAttributeTable), so the text must outlive the tree.
// The elements a Parse makes, their child lists and the few copies live in
// one arena of the element Parse was called on, about 70 bytes an element
// (a usual wire reads 220 bytes of text); that element's Clear gives it back.
#ifndef PINWEAVE_CAPH_CAPHELEMENT_H
#define PINWEAVE_CAPH_CAPHELEMENT_H

#include "caph/AttributeTable.h"
#include "common/AsciiCase.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <memory_resource>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace pinweave {

class CCapHElement;

// How a parse ended; a failure's number is its message's.
enum class EParseStatus : int { Ok = 0, OutOfData = 403, IllegalCharacter = 404, NoBracket = 405 };

// The outcome of a parse: its status, the 64-bit position where it stopped
// (for a failure, where the fault lies) and, for a failure, the finished
// message text, line feeds removed. True exactly on success.
struct CParseResult {
    EParseStatus m_status = EParseStatus::Ok;
    std::int64_t m_nPosition = 0;
    std::string m_strMessage;

    explicit operator bool() const { return m_status == EParseStatus::Ok; }
};

// The children of an element, in document order: a run of pointers in the
// arena of the element whose Parse made them (see CCapHElement::Clear).
class CChildList {
public:
    using const_iterator = CCapHElement* const*;

    CChildList() = default;
    CChildList(CCapHElement* const* pFirst, std::size_t nCount) : m_pFirst(pFirst), m_nCount(nCount) {}

    const_iterator begin() const { return m_pFirst; }
    const_iterator end() const { return m_pFirst + m_nCount; }
    std::size_t size() const { return m_nCount; }
    bool empty() const { return m_nCount == 0; }
    CCapHElement* front() const { return m_pFirst[0]; }
    CCapHElement* back() const { return m_pFirst[m_nCount - 1]; }
    CCapHElement* operator[](std::size_t i) const { return m_pFirst[i]; }
    CCapHElement* at(std::size_t i) const
    {
        if (i >= m_nCount) {
            throw std::out_of_range("child list");
        }
        return m_pFirst[i];
    }

private:
    CCapHElement* const* m_pFirst = nullptr;
    std::size_t m_nCount = 0;
};

class CCapHElement {
public:
    // Receives every parser message: the code (always 16) and the finished text.
    using ReportHook = std::function<void(int nCode, const char* pszText)>;

    // The process-wide report hook; empty unless a caller installs one. It is
    // the one piece of global state of the program.
    static ReportHook s_pfnReport;

    // The code that accompanies every parser message.
    static constexpr int kReportCode = 16;

    CCapHElement() = default;
    CCapHElement(const CCapHElement&) = delete;
    CCapHElement& operator=(const CCapHElement&) = delete;
    virtual ~CCapHElement();

    // The opening tag, brackets included, ASCII upper-cased, e.g. "[PN=4711]":
    // a view into the text, or into the arena where the text spells it with
    // lower-case letters.
    std::string_view m_strType;
    // The elements nested directly in this one.
    CChildList m_lstChildren;
    // The attribute lines of this element under their keys.
    CAttributeTable m_mapAttributes;

    // Empties the children, the table and the type, and destroys every
    // element that this element's Parse made, in one flat pass: neither the
    // depth of the tree nor memory can make it fail. The element stays usable.
    void Clear();

    // The value under the key, or the empty text when it is absent: what every
    // PID writer reads.
    std::string_view Value(std::string_view strKey) const;

    // Reads one element from pszText at nPos (the "[" of its opening tag)
    // through its end tag into this element, adding to what it holds. On
    // success nPos stands on the first byte after the end tag; on failure it
    // stands on the offending byte (404), the terminating NUL (403) or where
    // it started (405). Positions are 64-bit. The text must outlive the tree.
    CParseResult Parse(const char* pszText, std::int64_t& nPos);

    // Reads one attribute line at nPos into this element's table. nPos is left
    // on the control byte that ended the value.
    CParseResult ParseAttribute(const char* pszText, std::int64_t& nPos);

    // Makes the failure of a parse: removes the message's line feeds and
    // hands it to the hook, when one is installed.
    static CParseResult Report(EParseStatus status, std::int64_t nPos, std::string strMessage);

private:
    // What this element's Parse made: the arena of the elements, their child
    // lists and copies, and the elements made that hold children, each after
    // its own children, so that every element is destroyed in one flat pass.
    struct Made {
        std::pmr::monotonic_buffer_resource arena;
        std::vector<CCapHElement*> lstParents;
        // The elements made that hold a table of their own.
        std::vector<CCapHElement*> lstOwners;
    };
    struct OpenElement;

    // Ends the element open at level nLevel: its table and its child list
    // take their final form in the arena.
    void CloseLevel(std::deque<OpenElement>& lstOpen, std::vector<CCapHElement*>& lstChildStack,
                    std::size_t nLevel, const char* pszText, std::int64_t nEnd, bool bComplete);
    CCapHElement* MakeChild();
    std::string_view TypeOf(const char* pTag, std::size_t nLength, bool bLowerCase);

    // Null until this element's Parse made something.
    std::unique_ptr<Made> m_pMade;
};

} // namespace pinweave

#endif // PINWEAVE_CAPH_CAPHELEMENT_H
