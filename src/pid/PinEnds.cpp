#include "pid/PinEnds.h"

#include <algorithm>

namespace pinweave {

void CPinEnds::SortByRecord()
{
    // Stable: ends with equal records stay in attach order. A radix sort of
    // the record numbers bought 1.07-1.22x on a 100 MB file (0.60-0.70 s
    // against 0.73-0.75 s), short of what would pay for its own code.
    std::stable_sort(m_arrEnds.begin(), m_arrEnds.end(),
                     [](const CEnd& a, const CEnd& b) { return a.m_nRecord < b.m_nRecord; });
}

} // namespace pinweave
