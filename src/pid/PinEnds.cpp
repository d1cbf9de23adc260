#include "pid/PinEnds.h"

#include <array>
#include <climits>

namespace pinweave {

void CPinEnds::SortByRecord()
{
    // A radix sort, one byte of the record number per pass from the lowest
    // up: each pass is a stable counting sort, so ends with equal records
    // stay in attach order, and a part's few thousand ends cost a few linear
    // passes rather than a comparison sort. Passes stop at the highest byte
    // any record uses; a byte that is the same in every end is passed over.
    std::size_t nAllBits = 0;
    for (const CEnd& end : m_arrEnds) {
        nAllBits |= end.m_nRecord;
    }
    m_arrSorted.resize(m_arrEnds.size());
    constexpr unsigned kDigitBits = 8;
    constexpr std::size_t kDigits = std::size_t(1) << kDigitBits;
    for (unsigned nShift = 0; nShift < sizeof(std::size_t) * CHAR_BIT && (nAllBits >> nShift) != 0;
         nShift += kDigitBits) {
        std::array<std::size_t, kDigits> arrStart{};
        for (const CEnd& end : m_arrEnds) {
            ++arrStart[(end.m_nRecord >> nShift) & (kDigits - 1)];
        }
        if (arrStart[(m_arrEnds.front().m_nRecord >> nShift) & (kDigits - 1)] == m_arrEnds.size()) {
            continue;
        }
        std::size_t nStart = 0;
        for (std::size_t& nCount : arrStart) {
            const std::size_t nThis = nCount;
            nCount = nStart;
            nStart += nThis;
        }
        for (const CEnd& end : m_arrEnds) {
            m_arrSorted[arrStart[(end.m_nRecord >> nShift) & (kDigits - 1)]++] = end;
        }
        m_arrEnds.swap(m_arrSorted);
    }
}

}  // namespace pinweave
