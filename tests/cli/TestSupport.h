// Helpers for running the real pinweave program in a fresh temporary folder.
#ifndef PINWEAVE_TESTS_CLI_TESTSUPPORT_H
#define PINWEAVE_TESTS_CLI_TESTSUPPORT_H

#include "FaultSupport.h"
#include "cli/ConsoleFrontEnd.h"

#include <filesystem>
#include <string>
#include <vector>

namespace pinweave::test {

struct ProgramResult {
    int nStatus; // the exit status, or -1 when the program did not exit normally
    std::string strOut;
    std::string strErr;
};

// Where the program's standard output goes.
enum class StdoutTarget {
    Captured,   // a file, read back into ProgramResult::strOut
    FullDevice, // /dev/full: every write fails
    ClosedPipe, // a pipe nobody reads: every write breaks it
    Terminal,   // a pseudo-terminal that passes bytes as they are, for standard error too: both in strOut
};

// Runs the pinweave program with arrArgs in the folder cwd. Its standard
// error, and its standard output unless told otherwise, are captured in files
// under captureDir. A program that hangs is ended after a minute.
ProgramResult RunProgram(const std::vector<std::string>& arrArgs, const std::filesystem::path& cwd,
                         const std::filesystem::path& captureDir,
                         StdoutTarget target = StdoutTarget::Captured);

} // namespace pinweave::test

#endif // PINWEAVE_TESTS_CLI_TESTSUPPORT_H
