#include "caph/CrLfJoiner.h"

#include <cstring>

namespace pinweave {

std::size_t JoinCrLf(char* const p, std::size_t nBegin, std::size_t nEnd)
{
    std::size_t nIn = nBegin;
    std::size_t nOut = nBegin;
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
        // A CR: dropped when an LF follows it, kept otherwise.
        if (!(nIn + 1 < nEnd && p[nIn + 1] == '\n')) {
            p[nOut++] = '\r';
        }
        ++nIn;
    }
    return nOut;
}

} // namespace pinweave
