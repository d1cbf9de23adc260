#include "caph/CrLfJoiner.h"

#include <cstring>

namespace pinweave {

void CCrLfJoiner::Take(std::size_t nEnd)
{
    Join(nEnd, false);
}

std::size_t CCrLfJoiner::Finish(std::size_t nEnd)
{
    Join(nEnd, true);
    return m_nOut;
}

std::size_t CCrLfJoiner::Settle(std::size_t nEnd)
{
    Join(nEnd, false);
    const std::size_t nHeld = nEnd - m_nIn;
    std::memmove(m_pBuffer + m_nOut, m_pBuffer + m_nIn, nHeld);
    m_nIn = m_nOut;
    return m_nOut + nHeld;
}

void CCrLfJoiner::Join(std::size_t nEnd, bool bFinal)
{
    char* const p = m_pBuffer;
    std::size_t nIn = m_nIn;
    std::size_t nOut = m_nOut;
    // Move whole runs between CRs at once: most texts hold one CR per line.
    while (nIn < nEnd) {
        const void* pCr = std::memchr(p + nIn, '\r', nEnd - nIn);
        const std::size_t nRunEnd = pCr ? static_cast<std::size_t>(static_cast<const char*>(pCr) - p) : nEnd;
        if (nOut != nIn) {
            std::memmove(p + nOut, p + nIn, nRunEnd - nIn);
        }
        nOut += nRunEnd - nIn;
        nIn = nRunEnd;
        if (nIn == nEnd) {
            break;
        }
        // A CR: dropped when an LF follows it, kept otherwise; a CR that is
        // the last byte so far waits for the next.
        if (nIn + 1 == nEnd && !bFinal) {
            break;
        }
        if (!(nIn + 1 < nEnd && p[nIn + 1] == '\n')) {
            p[nOut++] = '\r';
        }
        ++nIn;
    }
    m_nIn = nIn;
    m_nOut = nOut;
}

}  // namespace pinweave
