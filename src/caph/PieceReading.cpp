// Reading the long body of a section in pieces, one thread each.
//
// The body of a connection section is a long run of part groups. The text is
// cut where a line opens an element like the root's first child, and each
// piece after the first is read ahead on its own thread into a stand-in root,
// as if the reading had just reached that line in the root's body. The plain
// reading goes on from the start; when it stands in the root's body exactly
// on a piece's first byte, the piece's elements are appended to the root and
// the reading jumps to the piece's end. Every rule is the plain reading's own,
// so where a guess was wrong (the cut line sat inside an attribute's name,
// which may span lines, or in a deeper element, or a piece met a fault or an
// attribute of the root itself) the
// plain reading simply reads that stretch itself, and the tree, the position,
// the result and every message come out exactly as without pieces.
#include "caph/ParseCursor.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string_view>
#include <system_error>
#include <thread>

namespace pinweave {

namespace {

// One piece read ahead: its stand-in root (of the root's type, for the end
// tag) and the storage of what it read.
struct CPiece {
    std::int64_t nStart = 0;
    std::int64_t nEnd = 0;  // the next piece's start; the text's length for the last
    // Before the root, which it outlives: the root's table may live here.
    std::unique_ptr<CTreeArena> pArena = std::make_unique<CTreeArena>();
    CCapHElement root;
    CParseCursor cursor;
    EParseStop stop = EParseStop::Failed;
    std::atomic<bool> bCancel{false};
    std::thread thread;

    // True when the piece read exactly its own stretch, or on to the root's
    // end tag, with nothing that depends on what came before it.
    bool Usable() const
    {
        return (stop == EParseStop::Closed || stop == EParseStop::AtStop) &&
               root.m_mapAttributes.GetCount() == 0;
    }

    // Stops the thread and gives back what it read.
    void Discard()
    {
        bCancel = true;
        if (thread.joinable()) {
            thread.join();
        }
        root.Clear();
        pArena.reset();
    }
};

// The pieces of one reading; whichever way the reading ends, no thread
// outlives it.
class CPieces {
public:
    CPieces() = default;
    CPieces(const CPieces&) = delete;
    CPieces& operator=(const CPieces&) = delete;
    ~CPieces()
    {
        for (const std::unique_ptr<CPiece>& pPiece : m_lstPieces) {
            pPiece->bCancel = true;
        }
        for (const std::unique_ptr<CPiece>& pPiece : m_lstPieces) {
            if (pPiece->thread.joinable()) {
                pPiece->thread.join();
            }
        }
    }

    std::vector<std::unique_ptr<CPiece>> m_lstPieces;
};

void ReadPiece(CPiece& piece)
{
    try {
        piece.stop = ReadBody(piece.cursor);
        if (piece.stop == EParseStop::AtStop &&
            !(piece.cursor.p == piece.nEnd && piece.cursor.lstOpen.empty())) {
            // Went past the next piece's start without standing on it in the
            // root's body: the next piece is of no use, so this one reads on
            // to the end.
            piece.cursor.nStopAt = std::numeric_limits<std::int64_t>::max();
            piece.stop = ReadBody(piece.cursor);
        }
    } catch (...) {
        // Out of memory here is met again, and reported, by the plain reading.
        piece.stop = EParseStop::Failed;
    }
}

// The line that opens the root's first child: its indentation and its tag up
// to the first "=" or "]". Empty when the body holds no such line.
std::string_view FirstChildLine(const char* t, std::int64_t nBody, std::int64_t nTextLength)
{
    const std::string_view strBody(t + nBody, static_cast<std::size_t>(nTextLength - nBody));
    std::size_t nLine = strBody.find('\n');
    while (nLine != std::string_view::npos) {
        const std::size_t nFirst = strBody.find_first_not_of(" \t", nLine + 1);
        if (nFirst == std::string_view::npos) {
            return {};
        }
        if (strBody[nFirst] == '[') {
            const std::size_t nTagEnd = strBody.find_first_of("=]\n", nFirst);
            if (nTagEnd == std::string_view::npos || strBody[nTagEnd] == '\n' ||
                strBody.compare(nFirst, 4, "[END") == 0) {
                return {};
            }
            return strBody.substr(nLine, nTagEnd + 1 - nLine);  // "\n", blanks, "[PN="
        }
        nLine = strBody.find('\n', nFirst);
    }
    return {};
}

// The starts of pieces 2 to nPieces: the "[" of a line like the first
// child's, at or after an even share of the text each.
std::vector<std::int64_t> PieceStarts(const char* t, std::int64_t nBody, std::int64_t nTextLength,
                                      int nPieces)
{
    std::vector<std::int64_t> arrStarts;
    const std::string_view strLine = FirstChildLine(t, nBody, nTextLength);
    if (strLine.empty()) {
        return arrStarts;
    }
    const std::string_view strText(t, static_cast<std::size_t>(nTextLength));
    const std::int64_t nSpan = nTextLength - nBody;
    for (int i = 1; i < nPieces; ++i) {
        std::int64_t nFrom = nBody + nSpan / nPieces * i;
        if (!arrStarts.empty()) {
            nFrom = std::max(nFrom, arrStarts.back() + 1);
        }
        const std::size_t nAt = strText.find(strLine, static_cast<std::size_t>(nFrom));
        if (nAt == std::string_view::npos) {
            break;
        }
        arrStarts.push_back(static_cast<std::int64_t>(nAt + strLine.find('[')));
    }
    return arrStarts;
}

// Appends what the piece read to the root, which takes over its storage.
void AdoptPiece(CParseCursor& c, CPiece& piece)
{
    for (const CChildPtr& child : piece.root.m_lstChildren) {
        c.pRoot->m_lstChildren.push_back_from_arena(child.get());
    }
    piece.root.m_lstChildren.clear();  // its children belong to the arena
    c.pArena->Adopt(*piece.pArena);
    c.p = piece.cursor.p;
}

// A piece of the text [nStart, nEnd) of the reading at c, to be read as if
// the reading stood in its root's body at nStart.
std::unique_ptr<CPiece> NewPiece(const CParseCursor& c, std::int64_t nStart, std::int64_t nEnd, bool bLast)
{
    auto pPiece = std::make_unique<CPiece>();
    pPiece->nStart = nStart;
    pPiece->nEnd = nEnd;
    pPiece->root.m_strType = c.pRoot->m_strType;
    CParseCursor& cursor = pPiece->cursor;
    cursor.t = c.t;
    cursor.p = nStart;
    cursor.pRoot = &pPiece->root;
    cursor.pElement = &pPiece->root;
    cursor.nNameEnd = c.nNameEnd;
    cursor.pArena = pPiece->pArena.get();
    cursor.bReport = false;
    cursor.pbCancel = &pPiece->bCancel;
    if (!bLast) {
        cursor.nStopAt = nEnd;
    }
    return pPiece;
}

// Starts a thread for each piece. False, with every piece given up, when the
// system has no thread to give.
bool StartPieces(std::vector<std::unique_ptr<CPiece>>& lstPieces)
{
    try {
        for (const std::unique_ptr<CPiece>& pPiece : lstPieces) {
            CPiece& piece = *pPiece;
            piece.thread = std::thread([&piece] { ReadPiece(piece); });
        }
    } catch (const std::system_error&) {
        for (const std::unique_ptr<CPiece>& pPiece : lstPieces) {
            pPiece->Discard();
        }
        return false;
    }
    return true;
}

}  // namespace

EParseStop ReadBodyInPieces(CParseCursor& c, std::int64_t nTextLength, int nPieces)
{
    const std::vector<std::int64_t> arrStarts = PieceStarts(c.t, c.p, nTextLength, nPieces);
    CPieces pieces;
    std::vector<std::unique_ptr<CPiece>>& lstPieces = pieces.m_lstPieces;
    for (std::size_t i = 0; i < arrStarts.size(); ++i) {
        const bool bLast = i + 1 == arrStarts.size();
        lstPieces.push_back(NewPiece(c, arrStarts[i], bLast ? nTextLength : arrStarts[i + 1], bLast));
    }
    if (lstPieces.empty() || !StartPieces(lstPieces)) {
        return ReadBody(c);  // the plain reading does all the work
    }

    std::size_t nNext = 0;  // the first piece not yet taken or passed
    c.nStopAt = lstPieces[0]->nStart;
    for (;;) {
        const EParseStop stop = ReadBody(c);
        if (stop != EParseStop::AtStop) {
            return stop;
        }
        // At a piece's start or past it, at some depth: only standing exactly
        // on the start in the root's body hands over to the piece.
        while (nNext < lstPieces.size() && c.p == lstPieces[nNext]->nStart && c.lstOpen.empty()) {
            CPiece& piece = *lstPieces[nNext];
            piece.thread.join();
            ++nNext;
            if (!piece.Usable()) {
                piece.Discard();
                break;  // the plain reading reads this stretch itself
            }
            AdoptPiece(c, piece);
            if (piece.stop == EParseStop::Closed) {
                c.pRoot->m_mapAttributes.Compact(c.pArena);
                return EParseStop::Closed;
            }
        }
        // Pieces passed, or reached deeper than the root's body, are of no
        // use: their memory goes back at once.
        while (nNext < lstPieces.size() && lstPieces[nNext]->nStart <= c.p &&
               !(lstPieces[nNext]->nStart == c.p && c.lstOpen.empty())) {
            lstPieces[nNext]->Discard();
            ++nNext;
        }
        c.nStopAt =
            nNext < lstPieces.size() ? lstPieces[nNext]->nStart : std::numeric_limits<std::int64_t>::max();
    }
}

}  // namespace pinweave
