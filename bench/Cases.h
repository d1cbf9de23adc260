// The measured work of one benchmark case, run inside a fresh child process.
// Each case prints one line of "key=value" fields on standard output: its
// times in seconds, the process's resident memory just before the work
// (base_kb) and its high-water mark after it (peak_kb), and counts the parent
// checks the run against. The exit code is 0 when the work succeeded.
#ifndef PINWEAVE_BENCH_CASES_H
#define PINWEAVE_BENCH_CASES_H

#include <string>

namespace pinweave {

// Reads the whole file into memory: the input side of the I/O floor.
int RunReadCase(const std::string& strPath);

// Reads the file and scans its three sections into the roots.
int RunScanCase(const std::string& strPath);

// One quiet conversion of the file into strOutDir (which must be empty), as
// the Linux program runs it: the log beside the file, every line echoed (to
// /dev/null). With nOpenFileLimit above 0, under that limit of open files.
int RunConvertCase(const std::string& strPath, const std::string& strOutDir, int nOpenFileLimit = 0);

// The writer steps of a quiet conversion into strOutDir (which must be
// empty), timed apart from the reading and scanning before them.
int RunWriteCase(const std::string& strPath, const std::string& strOutDir);

// The I/O floor of a conversion: reads the file, then writes files of the
// same names and sizes as those in strLikeDir into strOutDir, and as many
// bytes as the conversion's log holds (the log beside the file), with plain
// buffered writes.
int RunFloorCase(const std::string& strPath, const std::string& strLikeDir, const std::string& strOutDir);

} // namespace pinweave

#endif // PINWEAVE_BENCH_CASES_H
