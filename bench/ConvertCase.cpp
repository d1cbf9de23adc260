// The whole quiet conversion as the command-line program runs it, and its
// writer steps alone.
#include "Cases.h"
#include "ProcessStats.h"

#include "caph/SectionScan.h"
#include "cli/ConsoleFrontEnd.h"
#include "pid/CapHFile.h"
#include "pid/ConversionEngine.h"
#include "pid/FileLog.h"
#include "pid/FrontEnd.h"
#include "pid/GenerationDate.h"
#include "pid/OutputFiles.h"
#include "pid/PathNames.h"
#include "pid/PidConverter.h"

#include <sys/resource.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace pinweave {

namespace {

// The front end of a quiet run: the log file, nobody asked; what no log
// line can carry goes to stderr, so a failed benchmark run says why.
class CBenchFrontEnd : public IFrontEnd, public ILogEcho {
public:
    ILogSink& Log() override { return m_log; }
    void ShowMessageBox(const std::string& strText) override
    {
        std::fprintf(stderr, "bench: %s\n", strText.c_str());
    }
    OverwriteAnswer AskOverwrite(const std::string& /*strMessage*/) override
    {
        return OverwriteAnswer::NotAsked;
    }
    void ReportUnlogged(const std::string& strText) override
    {
        std::fprintf(stderr, "bench: %s\n", strText.c_str());
    }

private:
    CFileLog m_log{*this};
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
    CFileBytes bytes; // the trees point into it
    CCapHElement rootHeader, rootConnection, rootConnector;
    {
        CCapHFile file;
        std::string strError;
        EFileKind kind = EFileKind::RegularFile;
        if (!file.Open(strPath, strError, kind) || !file.ReadAll(bytes, strError) ||
            !ScanSections(bytes.data(), bytes.size(), rootHeader, rootConnection, rootConnector, nullptr,
                          ELineEnds::Joined)) {
            std::fprintf(stderr, "bench: '%s' cannot be read or scanned %s\n", strPath.c_str(),
                         strError.c_str());
            return 1;
        }
    }
    // The writer steps of a run, then putting the files in place.
    const CRunPaths paths{strPath, strPath, strOutDir};
    ILogSink& log = frontEnd.Log();
    log.BeginRun(paths);
    const double dStart = NowSeconds();
    const double dCpuStart = CpuSeconds();
    CPidConverter converter(rootHeader, rootConnection, rootConnector, strPath,
                            GenerationDateText(time(nullptr)));
    COutputFiles files(frontEnd, log);
    CPartText text;
    bool bOk = files.CreateOutputFiles(paths, converter.PartCount(), false);
    for (int i = 0; bOk && i < converter.PartCount(); ++i) {
        converter.WriteHeaderSection(i, text);
        bOk = files.WritePart(text, i);
    }
    const double dHeader = NowSeconds();
    converter.BuildConnectorsSection();
    const double dConnectors = NowSeconds();
    std::string strFileName;
    for (int i = 0; bOk && i < converter.GroupCount(); ++i) {
        converter.WriteBodySections(i, text);
        bOk = files.WritePart(text, i) && files.EndPart(i, strFileName);
    }
    const double dBody = NowSeconds();
    bOk = files.FinishOutputFiles(bOk);
    log.EndRun();
    const double dDone = NowSeconds();
    const double dCpu = CpuSeconds() - dCpuStart;
    std::printf("write_s=%.6f cpu_s=%.6f header_s=%.6f connectors_s=%.6f body_s=%.6f close_s=%.6f "
                "completed=%d\n",
                dDone - dStart, dCpu, dHeader - dStart, dConnectors - dHeader, dBody - dConnectors,
                dDone - dBody, bOk ? 1 : 0);
    return bOk ? 0 : 1;
}

} // namespace pinweave
