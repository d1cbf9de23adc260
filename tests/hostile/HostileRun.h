// One hostile CAP-H file converted by the real pinweave program in a folder of
// its own: how long it took, its peak memory, and how the run ended.
#ifndef PINWEAVE_TESTS_HOSTILE_HOSTILERUN_H
#define PINWEAVE_TESTS_HOSTILE_HOSTILERUN_H

#include "HostileInputs.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace pinweave::test {

struct HostileOutcome {
    std::uint64_t nInputBytes = 0;
    double dSeconds = 0;
    std::uint64_t nPeakBytes = 0;
    int nStatus = -1; // exit status, -1 after a signal
    int nSignal = 0;
    std::string strLastLine;  // of the log, the CAP-H path replaced by "@"
    std::string strErr;       // what the program printed on standard error
    bool bAsExpected = false; // status, last line and (where meaningful) memory bound as the case says
};

// False in a sanitizer build: the program's peak memory then holds the
// sanitizer's shadow memory and quarantine, and no bound applies to it.
bool PeakMemoryIsMeaningful();

// Peak memory of the program converting a tiny file: what any run needs.
std::uint64_t IdlePeakBytes(const std::string& strProgram, const std::filesystem::path& pathWork);

// Generates the case's file at nScale under pathWork, converts it with
// strProgram, and removes everything the run left there.
HostileOutcome RunHostileCase(const HostileCase& hostileCase, std::uint64_t nScale,
                              const std::string& strProgram, const std::filesystem::path& pathWork,
                              std::uint64_t nIdlePeakBytes);

} // namespace pinweave::test

#endif // PINWEAVE_TESTS_HOSTILE_HOSTILERUN_H
