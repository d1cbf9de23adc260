#include "BenchTable.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace pinweave {

namespace {

constexpr double kMegabyte = 1e6;

// printf into a string of whatever length the text needs.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
Printf(const char* pszFormat, ...)
{
    std::va_list args;
    va_start(args, pszFormat);
    std::va_list argsCopy;
    va_copy(argsCopy, args);
    const int nLength = std::vsnprintf(nullptr, 0, pszFormat, argsCopy);
    va_end(argsCopy);
    std::string str(nLength > 0 ? static_cast<std::size_t>(nLength) : 0, '\0');
    if (nLength > 0) {
        std::vsnprintf(str.data(), str.size() + 1, pszFormat, args);
    }
    va_end(args);
    return str;
}

} // namespace

std::string FormatBenchTable(const std::vector<CBenchRow>& lstRows)
{
    std::string strTable = Printf("%-8s %9s %6s %10s %6s %9s %7s %9s %7s %7s %7s %9s %9s %9s %8s\n", "case",
                                  "input MB", "parts", "output MB", "files", "floor s", "cat s", "time s",
                                  "cpu s", "t/floor", "t/cat", "in MB/s", "out MB/s", "peak MB", "peak/in");
    for (const CBenchRow& row : lstRows) {
        const double dIn = static_cast<double>(row.m_nInputBytes) / kMegabyte;
        const double dOut = static_cast<double>(row.m_nOutputBytes) / kMegabyte;
        const double dPeak = static_cast<double>(row.m_nPeakKb) * 1024.0 / kMegabyte;
        const bool bOutput = row.m_nOutputFiles > 0;
        const bool bCat = row.m_dCatSeconds > 0;
        strTable +=
            Printf("%-8s %9.1f %6d %10s %6s %9.3f %7s %9.3f %7.3f %7.2f %7s %9.1f %9s %9.1f %8.2f\n",
                   row.m_strCase.c_str(), dIn, row.m_nParts, bOutput ? Printf("%.1f", dOut).c_str() : "-",
                   bOutput ? std::to_string(row.m_nOutputFiles).c_str() : "-", row.m_dFloorSeconds,
                   bCat ? Printf("%.3f", row.m_dCatSeconds).c_str() : "-", row.m_dSeconds, row.m_dCpuSeconds,
                   row.m_dFloorSeconds > 0 ? row.m_dSeconds / row.m_dFloorSeconds : 0.0,
                   bCat ? Printf("%.2f", row.m_dSeconds / row.m_dCatSeconds).c_str() : "-",
                   row.m_dSeconds > 0 ? dIn / row.m_dSeconds : 0.0,
                   bOutput && row.m_dSeconds > 0 ? Printf("%.1f", dOut / row.m_dSeconds).c_str() : "-", dPeak,
                   dIn > 0 ? dPeak / dIn : 0.0);
    }
    return strTable;
}

double RowSeconds(const std::vector<CBenchRow>& lstRows, const std::string& strCase,
                  std::uint64_t nInputBytes, int nParts)
{
    for (const CBenchRow& row : lstRows) {
        if (row.m_strCase == strCase && row.m_nInputBytes / 1000000 == nInputBytes / 1000000 &&
            (nParts == 0 || row.m_nParts == nParts)) {
            return row.m_dSeconds;
        }
    }
    return 0;
}

bool GrowsAtMostLinearly(double dTimeA, double dTimeB, double dWorkA, double dWorkB)
{
    if (dTimeA <= 0 || dTimeB <= 0 || dWorkA <= 0 || dWorkB <= 0) {
        return false;
    }
    const double dRatio = (dTimeB / dTimeA) / (dWorkB / dWorkA);
    return dRatio <= 1.2;
}

} // namespace pinweave
