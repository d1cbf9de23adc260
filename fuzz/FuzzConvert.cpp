// Fuzz target: one whole quiet conversion. The input is written to a .tst file
// in a folder of this process's own, converted without a window into an empty
// output folder, checked, and every file the run wrote is deleted again.
//
// Checks: a completed run wrote exactly the announced number of PID files,
// and every PID file is made of whole CR LF lines with no other line end. A
// file that holds no section start marker is no CAP-H export: its run stops
// with the line that says so (UTF-16 text, when it begins with such a mark)
// and writes nothing.
#include "FuzzCheck.h"

#include "pid/ConversionEngine.h"
#include "pid/FileLog.h"
#include "pid/FrontEnd.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using pinweave::FuzzCheck;

// Quiet mode: the lines go to the log file beside the input, nobody is asked.
class CQuietFrontEnd : public pinweave::IFrontEnd, public pinweave::ILogEcho {
public:
    pinweave::ILogSink& Log() override { return m_log; }
    void ShowMessageBox(const std::string& /*strText*/) override {}
    pinweave::OverwriteAnswer AskOverwrite(const std::string& /*strMessage*/) override
    {
        return pinweave::OverwriteAnswer::NotAsked;
    }
    void ReportUnlogged(const std::string& /*strText*/) override {}

private:
    pinweave::CFileLog m_log{*this};
};

// The folder of this fuzzing process. It is made anew for every input and
// removed after it, so nothing is left behind however the process ends
// (libFuzzer leaves by _Exit, without running destructors).
fs::path WorkFolder()
{
    return fs::temp_directory_path() / ("pinweave-fuzz-convert-" + std::to_string(getpid()));
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void CheckCrLfLines(const std::string& strPid)
{
    for (std::size_t i = 0; i < strPid.size(); ++i) {
        if (strPid[i] == '\r') {
            FuzzCheck(i + 1 < strPid.size() && strPid[i + 1] == '\n', "a CR in a PID file starts a CR LF");
        } else if (strPid[i] == '\n') {
            FuzzCheck(i > 0 && strPid[i - 1] == '\r', "an LF in a PID file ends a CR LF");
        }
    }
    FuzzCheck(strPid.empty() || strPid.back() == '\n', "a PID file ends with its last line's CR LF");
}

// The count of message 107 in the results, or -1 when it was not logged.
long AnnouncedParts(const std::string& strResults)
{
    const std::string strTail = " Part Number(s) detected.";
    const std::size_t nAt = strResults.find(strTail);
    if (nAt == std::string::npos) {
        return -1;
    }
    std::size_t nStart = nAt;
    while (nStart > 0 && strResults[nStart - 1] >= '0' && strResults[nStart - 1] <= '9') {
        --nStart;
    }
    return std::atol(strResults.substr(nStart, nAt - nStart).c_str());
}

// True when the bytes hold a section start marker anywhere, in any letter case.
bool HoldsStartMarker(std::string strBytes)
{
    for (char& c : strBytes) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return strBytes.find("[HEADER]") != std::string::npos ||
           strBytes.find("[CONNECTION]") != std::string::npos ||
           strBytes.find("[CONNECTOR]") != std::string::npos;
}

bool EndsWith(const std::string& str, const std::string& strEnd)
{
    return str.size() >= strEnd.size() && str.compare(str.size() - strEnd.size(), strEnd.size(), strEnd) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    const fs::path work = WorkFolder();
    const fs::path input = work / "input.tst";
    const fs::path out = work / "out";
    fs::create_directories(out);
    {
        std::ofstream file(input, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(pData), static_cast<std::streamsize>(nSize));
    }

    bool bCompleted = false;
    std::string strResults;
    {
        CQuietFrontEnd frontEnd;
        pinweave::CConversionEngine engine(frontEnd);
        engine.m_strInputPath = input.string();
        engine.m_strOutputPath = out.string();
        bCompleted = engine.RunConversion(engine.m_strInputPath);
    }
    strResults = ReadFile(work / "input.log");

    long nFiles = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(out)) {
        CheckCrLfLines(ReadFile(entry.path()));
        ++nFiles;
        fs::remove(entry.path());
    }
    if (bCompleted) {
        FuzzCheck(AnnouncedParts(strResults) == nFiles,
                  "a completed run wrote one file per announced part number");
    }
    const std::string strBytes(reinterpret_cast<const char*>(pData), nSize);
    if (!HoldsStartMarker(strBytes)) {
        const bool bUtf16 =
            nSize >= 2 && ((pData[0] == 0xFF && pData[1] == 0xFE) || (pData[0] == 0xFE && pData[1] == 0xFF));
        FuzzCheck(!bCompleted && nFiles == 0, "a file without a start marker is not converted");
        FuzzCheck(EndsWith(strResults,
                           bUtf16 ? "' is UTF-16 (Unicode) text; save it as single-byte (ANSI) text and "
                                    "convert it again. Conversion aborted.\r\n"
                                  : "' is not a CAP-H export file: it holds none of the sections "
                                    "[HEADER], [CONNECTION] and [CONNECTOR]. Conversion aborted.\r\n"),
                  "a file without a start marker is named as no CAP-H export, or as UTF-16 text");
    }
    fs::remove_all(work);
    return 0;
}
