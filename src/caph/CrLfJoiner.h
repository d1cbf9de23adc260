// Joins each CR LF pair of a text into a single LF, in place: the text moves
// towards the start of its buffer as it is read. A CR without an LF right
// after it stays as it is.
//
// The bytes may arrive in pieces (a file read chunk by chunk): a CR that is
// the last byte so far waits until the byte after it is known.
#ifndef PINWEAVE_CAPH_CRLFJOINER_H
#define PINWEAVE_CAPH_CRLFJOINER_H

#include <cstddef>

namespace pinweave {

class CCrLfJoiner {
public:
    // Joins the text that starts at nBegin in pBuffer; the joined text
    // starts there as well.
    CCrLfJoiner(char* pBuffer, std::size_t nBegin) : m_pBuffer(pBuffer), m_nIn(nBegin), m_nOut(nBegin) {}

    // The text now runs at least up to nEnd: joins what can be joined.
    void Take(std::size_t nEnd);

    // The text ends at nEnd: joins the rest and returns where the joined text ends.
    std::size_t Finish(std::size_t nEnd);

    // Moves what is taken but not joined yet (a CR waiting for its next
    // byte) right behind the joined text, and returns where it now ends: the
    // text goes on from there. Then the buffer may move (Rebase).
    std::size_t Settle(std::size_t nEnd);
    void Rebase(char* pBuffer) { m_pBuffer = pBuffer; }

private:
    void Join(std::size_t nEnd, bool bFinal);

    char* m_pBuffer;
    std::size_t m_nIn;   // first byte not yet taken
    std::size_t m_nOut;  // where the next byte goes
};

}  // namespace pinweave

#endif  // PINWEAVE_CAPH_CRLFJOINER_H
