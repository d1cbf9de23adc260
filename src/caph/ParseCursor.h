// The parser's reading state, shared by the plain reading of an element and
// the reading of a long section in pieces on several threads.
#ifndef PINWEAVE_CAPH_PARSECURSOR_H
#define PINWEAVE_CAPH_PARSECURSOR_H

#include "caph/CapHElement.h"

#include <atomic>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace pinweave {

// Where a reading stands: the text, the position, the element being read and
// the elements that enclose it up to the root of the reading. A reading can
// stop where it stands in the root's body and go on from there later.
struct CParseCursor {
    const char* t = nullptr;
    std::int64_t p = 0;
    CCapHElement* pRoot = nullptr;
    CCapHElement* pElement = nullptr;
    std::vector<CCapHElement*> lstOpen;  // outermost first; empty in the root's body
    std::size_t nNameEnd = 0;            // of pElement's end tag within its type
    CTreeArena* pArena = nullptr;        // where new elements and small tables go
    // A reading ahead on another thread may be thrown away, so it tells no one
    // of a fault and stops when asked to.
    bool bReport = true;
    const std::atomic<bool>* pbCancel = nullptr;
    // Stop on reaching this position or the first after it, at any depth.
    std::int64_t nStopAt = std::numeric_limits<std::int64_t>::max();
    std::string strKey;  // scratch for the key of an attribute line
};

enum class EParseStop {
    Closed,  // the root's end tag was read; p is right after it
    Failed,  // a fault (reported unless bReport is off) or a cancelled reading
    AtStop,  // at nStopAt or the first position after it; lstOpen tells the depth
};

// Reads the opening tag at c.p (a "[") into pElement: its type and end-tag
// name. False on an illegal byte (404). A tag the text ends in is left to the
// body, which then reports the element as out of data.
bool ReadOpeningTag(CParseCursor& c, CCapHElement* pElement);

// Reads bodies and nested elements from c.p until the root closes, a fault,
// or the stop position. A reading that stopped goes on where it stopped when
// called again.
EParseStop ReadBody(CParseCursor& c);

// Reads the long body of c.pRoot (c.p in it, text of nTextLength bytes) in up
// to nPieces pieces, each on its own thread, and stitches them together. The
// tree, position, outcome and messages are exactly those of ReadBody.
EParseStop ReadBodyInPieces(CParseCursor& c, std::int64_t nTextLength, int nPieces);

}  // namespace pinweave

#endif  // PINWEAVE_CAPH_PARSECURSOR_H
