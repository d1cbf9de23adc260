#include "HostileRun.h"

#include "FaultSupport.h"

namespace pinweave::test {

namespace {

constexpr const char* kCapHName = "hostile.tst";

// Converts pathWork/hostile.tst into pathWork/out with standard output
// discarded (it echoes the log, which may be huge), then removes it all.
ChildResult Convert(const std::string& strProgram, const fs::path& pathWork, std::string& strLastLine)
{
    fs::create_directories(pathWork / "out");
    ChildOptions options;
    options.arrArgs = {"/Q", kCapHName, "out"};
    options.pathCwd = pathWork;
    options.pathCapture = pathWork;
    options.bDiscardStdout = true;
    const ChildResult result = RunChild(strProgram, options);
    strLastLine = LastLineOf(pathWork / "hostile.log");
    for (const char* pszName : {"out", kCapHName, "hostile.log", "stdout", "stderr"}) {
        fs::remove_all(pathWork / pszName);
    }
    return result;
}

} // namespace

bool PeakMemoryIsMeaningful()
{
#if defined(__SANITIZE_ADDRESS__)
    return false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return false;
#else
    return true;
#endif
#else
    return true;
#endif
}

std::uint64_t IdlePeakBytes(const std::string& strProgram, const fs::path& pathWork)
{
    WriteFileBytes(pathWork / kCapHName, "[HEADER]\r\n[PN]\r\nNAME=P1\r\n[ENDPN]\r\n[ENDHEADER]\r\n");
    std::string strLastLine;
    return static_cast<std::uint64_t>(Convert(strProgram, pathWork, strLastLine).nPeakRssKiB) * 1024;
}

HostileOutcome RunHostileCase(const HostileCase& hostileCase, std::uint64_t nScale,
                              const std::string& strProgram, const fs::path& pathWork,
                              std::uint64_t nIdlePeakBytes)
{
    HostileOutcome outcome;
    outcome.nInputBytes = WriteHostileFile(hostileCase.kind, nScale, pathWork / kCapHName);
    const ChildResult result = Convert(strProgram, pathWork, outcome.strLastLine);
    outcome.dSeconds = result.dSeconds;
    outcome.nPeakBytes = static_cast<std::uint64_t>(result.nPeakRssKiB) * 1024;
    outcome.nStatus = result.nStatus;
    outcome.nSignal = result.nSignal;
    outcome.strErr = result.strErr;
    const std::size_t nPath = outcome.strLastLine.find(kCapHName);
    if (nPath != std::string::npos) {
        outcome.strLastLine.replace(nPath, std::string(kCapHName).size(), "@");
    }
    const double dAllowed = static_cast<double>(nIdlePeakBytes) +
                            hostileCase.dMaxMultiple * static_cast<double>(outcome.nInputBytes);
    outcome.bAsExpected = outcome.nStatus == (hostileCase.bCompletes ? 0 : 1) &&
                          outcome.strLastLine == hostileCase.pszLastLine &&
                          (!PeakMemoryIsMeaningful() || static_cast<double>(outcome.nPeakBytes) <= dAllowed);
    return outcome;
}

} // namespace pinweave::test
