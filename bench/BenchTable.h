// The rows of the benchmark table and the checks against the targets.
#ifndef PINWEAVE_BENCH_BENCHTABLE_H
#define PINWEAVE_BENCH_BENCHTABLE_H

#include <cstdint>
#include <string>
#include <vector>

namespace pinweave {

struct CBenchRow {
    std::string m_strCase; // "scan", "convert", "warnings", "parts" or "parts/N" (N open files at most)
    std::uint64_t m_nInputBytes = 0;
    int m_nParts = 0;
    std::uint64_t m_nOutputBytes = 0; // 0 for the scan
    std::size_t m_nOutputFiles = 0;
    double m_dFloorSeconds = 0;    // the I/O floor: reading (and for a conversion writing) the bytes
    double m_dSeconds = 0;         // the measured work (the scan excludes reading the file)
    double m_dCpuSeconds = 0;      // the processor time of that work (user and system)
    std::int64_t m_nPeakKb = 0;    // peak resident memory above the process's baseline
    std::uint64_t m_nLogBytes = 0; // what the conversion logged
    double m_dCatSeconds = 0; // the physical floor: cat reading the input and writing the outputs; 0: none
};

// The table as text, one line per row under a header line. MB are 10^6 bytes.
std::string FormatBenchTable(const std::vector<CBenchRow>& lstRows);

// The measured time of the row of that case, input size and part count;
// 0 when there is none.
double RowSeconds(const std::vector<CBenchRow>& lstRows, const std::string& strCase,
                  std::uint64_t nInputBytes, int nParts = 0);

// Growth is at most linear when time grows with the work by a factor at
// most 20 % above the work's own (time(b)/time(a) against work(b)/work(a)).
// Growing by less is no fault: fixed costs and idle cores put to work
// weigh less in a larger run.
bool GrowsAtMostLinearly(double dTimeA, double dTimeB, double dWorkA, double dWorkB);

} // namespace pinweave

#endif // PINWEAVE_BENCH_BENCHTABLE_H
