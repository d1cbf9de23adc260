// hostile_stress: converts every hostile CAP-H kind at full size (or at the
// tests' size with --small) with the real program and prints one table row
// per case: input size, time, peak memory, peak as a multiple of the input,
// and how the run ended. Exit status 0 when every case ended as expected
// within its memory bound.
//
//   hostile_stress PINWEAVE WORK_FOLDER [--small] [CASE...]
#include "HostileRun.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace pinweave::test;

std::string Size(std::uint64_t nBytes)
{
    char szText[32];
    if (nBytes >= 1000000000) {
        std::snprintf(szText, sizeof szText, "%.2f GB", static_cast<double>(nBytes) / 1e9);
    } else if (nBytes >= 1000000) {
        std::snprintf(szText, sizeof szText, "%.1f MB", static_cast<double>(nBytes) / 1e6);
    } else {
        std::snprintf(szText, sizeof szText, "%.1f kB", static_cast<double>(nBytes) / 1e3);
    }
    return szText;
}

std::string Outcome(const HostileOutcome& outcome)
{
    std::string strText = outcome.nSignal != 0 ? "killed by signal " + std::to_string(outcome.nSignal)
                                               : "exit " + std::to_string(outcome.nStatus) + ": " +
                                                     outcome.strLastLine.substr(0, 60);
    return (outcome.bAsExpected ? "ok   " : "FAIL ") + strText;
}

int Run(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "Usage: hostile_stress PINWEAVE WORK_FOLDER [--small] [CASE...]\n");
        return 2;
    }
    const std::string strProgram = std::filesystem::absolute(argv[1]).string();
    const std::filesystem::path pathWork = argv[2];
    bool bSmall = false;
    std::vector<std::string> arrOnly;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--small") == 0) {
            bSmall = true;
        } else {
            arrOnly.emplace_back(argv[i]);
        }
    }
    std::filesystem::create_directories(pathWork);
    const std::uint64_t nIdlePeak = IdlePeakBytes(strProgram, pathWork);
    std::printf("Idle peak memory of %s: %s\n\n", strProgram.c_str(), Size(nIdlePeak).c_str());
    std::printf("%-16s %10s %9s %10s %8s  %s\n", "case", "input", "time", "peak RSS", "x input", "outcome");
    int nFailed = 0;
    for (std::size_t i = 0; i < kHostileCaseCount; ++i) {
        const HostileCase& c = kHostileCases[i];
        if (!arrOnly.empty() && std::find(arrOnly.begin(), arrOnly.end(), c.pszName) == arrOnly.end()) {
            continue;
        }
        const HostileOutcome outcome =
            RunHostileCase(c, bSmall ? c.nTestScale : c.nFullScale, strProgram, pathWork, nIdlePeak);
        std::printf("%-16s %10s %8.2fs %10s %7.2fx  %s\n", c.pszName, Size(outcome.nInputBytes).c_str(),
                    outcome.dSeconds, Size(outcome.nPeakBytes).c_str(),
                    static_cast<double>(outcome.nPeakBytes) / static_cast<double>(outcome.nInputBytes),
                    Outcome(outcome).c_str());
        std::fflush(stdout);
        nFailed += outcome.bAsExpected ? 0 : 1;
    }
    return nFailed == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "hostile_stress: %s\n", e.what());
        return 1;
    }
}
