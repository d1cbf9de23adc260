// The whole quiet conversion as the command-line program runs it, and its
// writer steps alone.
#include "Cases.h"
#include "ProcessStats.h"

#include "caph/CapHFile.h"
#include "caph/SectionScan.h"
#include "cli/ConsoleFrontEnd.h"
#include "pid/ConversionEngine.h"
#include "pid/FrontEnd.h"
#include "pid/PathNames.h"

#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace pinweave {

namespace {

// The front end of a quiet run: no window; what no log line can carry goes to
// stderr, so a failed benchmark run says why.
class CBenchFrontEnd : public IFrontEnd {
public:
    bool HasWindow() const override { return false; }
    void AppendResults(const std::string& /*strLines*/) override {}
    void ShowMessageBox(const std::string& strText) override
    {
        std::fprintf(stderr, "bench: %s\n", strText.c_str());
    }
    OverwriteAnswer AskOverwrite(const std::string& /*strMessage*/) override { return OverwriteAnswer::No; }
    void ReportUnlogged(const std::string& strText) override
    {
        std::fprintf(stderr, "bench: %s\n", strText.c_str());
    }
};

} // namespace

int RunConvertCase(const std::string& strPath, const std::string& strOutDir, int nOpenFileLimit)
{
    namespace fs = std::filesystem;
    if (nOpenFileLimit > 0) {
        const rlimit limit{static_cast<rlim_t>(nOpenFileLimit), static_cast<rlim_t>(nOpenFileLimit)};
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0) {
            std::perror("setrlimit");
            return 1;
        }
    }
    // The echo of the Linux program, as its standard output takes it when
    // nobody reads it; its errors on standard error.
    std::ofstream streamEcho("/dev/null", std::ios::binary);
    const std::int64_t nBaseKb = OwnStatusFieldKb("VmRSS");
    const double dStart = NowSeconds();
    const double dCpuStart = CpuSeconds();
    bool bCompleted = false;
    {
        CConsoleFrontEnd frontEnd(streamEcho, std::cerr);
        CConversionEngine engine(frontEnd);
        engine.m_strInputPath = strPath;
        engine.m_strOutputPath = strOutDir;
        bCompleted = engine.RunConversion(strPath);
    }
    const double dDone = NowSeconds();
    const double dCpu = CpuSeconds() - dCpuStart;
    const std::int64_t nPeakKb = OwnStatusFieldKb("VmHWM");

    std::uintmax_t nBytes = 0;
    std::size_t nFiles = 0;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(strOutDir, ec)) {
        if (entry.is_regular_file()) {
            nBytes += entry.file_size();
            ++nFiles;
        }
    }
    const std::uintmax_t nLogBytes = fs::file_size(LogFilePathOf(strPath), ec);
    std::printf(
        "convert_s=%.6f cpu_s=%.6f out_bytes=%ju out_files=%zu log_bytes=%ju completed=%d base_kb=%lld "
        "peak_kb=%lld\n",
        dDone - dStart, dCpu, nBytes, nFiles, ec ? std::uintmax_t(0) : nLogBytes, bCompleted ? 1 : 0,
        static_cast<long long>(nBaseKb), static_cast<long long>(nPeakKb));
    return bCompleted ? 0 : 1;
}

int RunWriteCase(const std::string& strPath, const std::string& strOutDir)
{
    CBenchFrontEnd frontEnd;
    CConversionEngine engine(frontEnd);
    engine.m_strInputPath = strPath;
    engine.m_strOutputPath = strOutDir;
    engine.m_strCapHPath = strPath;
    {
        CCapHFile file;
        CFileBytes& bytes = engine.m_capHBytes; // the trees point into it
        std::string strError;
        EFileKind kind = EFileKind::RegularFile;
        if (!file.Open(strPath, strError, kind) || !file.ReadAll(bytes, strError) ||
            !ScanSections(bytes.data(), bytes.size(), engine.m_rootHeader, engine.m_rootConnection,
                          engine.m_rootConnector, nullptr, ELineEnds::Joined)) {
            std::fprintf(stderr, "bench: '%s' cannot be read or scanned %s\n", strPath.c_str(),
                         strError.c_str());
            return 1;
        }
    }
    // The steps of RunWriters, then putting the files in place.
    const double dStart = NowSeconds();
    const double dCpuStart = CpuSeconds();
    bool bOk = engine.WriteHeaderSection();
    const double dHeader = NowSeconds();
    bOk = bOk && engine.BuildConnectorsSection();
    const double dConnectors = NowSeconds();
    bOk = bOk && engine.WriteBodySections();
    const double dBody = NowSeconds();
    for (std::size_t i = 0; i < engine.m_arrOutputFiles.size(); ++i) {
        bOk = engine.m_arrOutputFiles[i]->Flush() && bOk;
    }
    std::vector<std::string> arrLines;
    bOk = bOk && engine.m_arrOutputFiles.PutInPlace(arrLines);
    const double dDone = NowSeconds();
    const double dCpu = CpuSeconds() - dCpuStart;
    std::printf("write_s=%.6f cpu_s=%.6f header_s=%.6f connectors_s=%.6f body_s=%.6f close_s=%.6f "
                "completed=%d\n",
                dDone - dStart, dCpu, dHeader - dStart, dConnectors - dHeader, dBody - dConnectors,
                dDone - dBody, bOk ? 1 : 0);
    return bOk ? 0 : 1;
}

} // namespace pinweave
