// pinweave_bench: generates CAP-H files of several sizes, measures reading
// and converting them, each measurement in a fresh child process, and prints
// one table with the checks against the targets.
//
//   pinweave_bench [--work DIR] [--sizes 1,10,100,200] [--part-sizes-mb N]
//                  [--part-counts 20,80,320,1280] [--warning-mb 95] [--warning-parts 40]
//                  [--unknown-pins 15] [--many-parts 1000,10000,100000] [--open-files 64]
//                  [--reps N] [--scan-only]
//   pinweave_bench --child read|scan FILE
//   pinweave_bench --child convert|write FILE OUTDIR [OPEN_FILE_LIMIT]
//   pinweave_bench --child floor FILE LIKEDIR OUTDIR
#include "BenchTable.h"
#include "Cases.h"
#include "ChildProcess.h"
#include "gen_caph.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace pinweave {

namespace {

// The fixtures of every generated file: about 30,000 pins, so each PID file
// lists that many pin lines and the outputs of a 200 MB input with its 800
// part numbers reach a few hundred MB.
constexpr int kFixtures = 300;
constexpr int kMaxPins = 200;

struct CBenchOptions {
    fs::path m_work = fs::temp_directory_path() / "pinweave-bench";
    std::vector<int> m_lstSizesMb = {1, 10, 100, 200};
    int m_nPartSizeMb = 20;
    std::vector<int> m_lstPartCounts = {20, 80, 320, 1280};
    // The warning-heavy case: a file whose wires name pins no fixture has, as
    // real exports do, each end logging a warning line. 0 MB: none.
    int m_nWarningMb = 95;
    int m_nWarningParts = 40;
    int m_nUnknownPinPercent = 15;
    // Many part numbers with small parts, and the largest count once more
    // under a limit of open files.
    std::vector<int> m_lstManyParts = {1000, 10000, 100000};
    int m_nOpenFileLimit = 64;
    int m_nReps = 0; // 0: by size
    bool m_bScanOnly = false;
};

std::vector<int> ParseList(const std::string& strText)
{
    std::vector<int> lst;
    std::stringstream stream(strText);
    std::string strItem;
    while (std::getline(stream, strItem, ',')) {
        const int n = std::atoi(strItem.c_str());
        if (n <= 0) {
            return {};
        }
        lst.push_back(n);
    }
    return lst;
}

bool ParseOptions(int argc, char** argv, CBenchOptions& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string strArg = argv[i];
        const bool bHasValue = i + 1 < argc;
        if (strArg == "--scan-only") {
            options.m_bScanOnly = true;
        } else if (strArg == "--work" && bHasValue) {
            options.m_work = argv[++i];
        } else if (strArg == "--sizes" && bHasValue) {
            options.m_lstSizesMb = ParseList(argv[++i]);
        } else if (strArg == "--part-counts" && bHasValue) {
            options.m_lstPartCounts = ParseList(argv[++i]);
        } else if (strArg == "--part-sizes-mb" && bHasValue) {
            options.m_nPartSizeMb = std::atoi(argv[++i]);
        } else if (strArg == "--warning-mb" && bHasValue) {
            options.m_nWarningMb = std::atoi(argv[++i]);
        } else if (strArg == "--warning-parts" && bHasValue) {
            options.m_nWarningParts = std::atoi(argv[++i]);
        } else if (strArg == "--unknown-pins" && bHasValue) {
            options.m_nUnknownPinPercent = std::atoi(argv[++i]);
        } else if (strArg == "--many-parts" && bHasValue) {
            const std::string strList = argv[++i];
            options.m_lstManyParts = strList == "0" ? std::vector<int>() : ParseList(strList);
        } else if (strArg == "--open-files" && bHasValue) {
            options.m_nOpenFileLimit = std::atoi(argv[++i]);
        } else if (strArg == "--reps" && bHasValue) {
            options.m_nReps = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "pinweave_bench: bad argument '%s'\n", strArg.c_str());
            return false;
        }
    }
    return !options.m_lstSizesMb.empty() && options.m_nPartSizeMb > 0 && options.m_nReps >= 0;
}

int RunChildCase(int argc, char** argv)
{
    const std::string strCase = argc > 2 ? argv[2] : "";
    if ((strCase == "read" || strCase == "scan") && argc == 4) {
        return strCase == "read" ? RunReadCase(argv[3]) : RunScanCase(argv[3]);
    }
    if (strCase == "convert" && (argc == 5 || argc == 6)) {
        return RunConvertCase(argv[3], argv[4], argc == 6 ? std::atoi(argv[5]) : 0);
    }
    if (strCase == "write" && argc == 5) {
        return RunWriteCase(argv[3], argv[4]);
    }
    if (strCase == "floor" && argc == 6) {
        return RunFloorCase(argv[3], argv[4], argv[5]);
    }
    std::fprintf(stderr, "pinweave_bench: bad child case\n");
    return 2;
}

class CBench {
public:
    explicit CBench(const CBenchOptions& options) : m_options(options)
    {
        std::error_code ec;
        m_strSelf = fs::read_symlink("/proc/self/exe", ec).string();
    }

    bool Run()
    {
        fs::create_directories(m_options.m_work);
        for (const int nMb : m_options.m_lstSizesMb) {
            const std::string strFile = Generate(nMb, 0);
            if (strFile.empty() || !MeasureScan(strFile, nMb)) {
                return false;
            }
            if (!m_options.m_bScanOnly && !MeasureConvert(strFile, nMb)) {
                return false;
            }
            fs::remove(strFile);
        }
        if (!m_options.m_bScanOnly) {
            for (const int nParts : m_options.m_lstPartCounts) {
                const std::string strFile = Generate(m_options.m_nPartSizeMb, nParts);
                if (strFile.empty() || !MeasureConvert(strFile, m_options.m_nPartSizeMb)) {
                    return false;
                }
                fs::remove(strFile);
            }
            if (m_options.m_nWarningMb > 0 && !MeasureWarnings()) {
                return false;
            }
            if (!MeasureManyParts()) {
                return false;
            }
        }
        std::fputs(FormatBenchTable(m_lstRows).c_str(), stdout);
        PrintChecks();
        return true;
    }

private:
    int Reps(int nMb) const
    {
        if (m_options.m_nReps > 0) {
            return m_options.m_nReps;
        }
        return nMb <= 10 ? 5 : 3;
    }

    std::string Generate(int nMb, int nParts)
    {
        CGenOptions gen;
        gen.m_nTargetBytes = static_cast<std::uint64_t>(nMb) * 1000000;
        gen.m_nPartCount = nParts;
        gen.m_nFixtureCount = kFixtures;
        gen.m_nMaxPins = kMaxPins;
        return Generate(gen, "bench_" + std::to_string(nMb) + "mb_" + std::to_string(nParts));
    }

    std::string Generate(const CGenOptions& gen, const std::string& strName)
    {
        const std::string strPath = (m_options.m_work / (strName + ".tst")).string();
        std::FILE* pFile = std::fopen(strPath.c_str(), "wb");
        if (pFile == nullptr) {
            std::perror(strPath.c_str());
            return {};
        }
        std::string strError;
        bool bOk = GenerateCapH(
            gen,
            [pFile](std::string_view strPiece) {
                return std::fwrite(strPiece.data(), 1, strPiece.size(), pFile) == strPiece.size();
            },
            strError);
        bOk = std::fclose(pFile) == 0 && bOk;
        if (!bOk) {
            std::fprintf(stderr, "pinweave_bench: cannot write '%s' %s\n", strPath.c_str(), strError.c_str());
            return {};
        }
        m_nExpectedParts = ResolvedPartCount(gen);
        std::fprintf(stderr, "generated %s (%d part numbers)\n", strPath.c_str(), m_nExpectedParts);
        return strPath;
    }

    // The physical floor: cat reading the input and writing the outputs'
    // bytes (into one file), both from the page cache, timed from outside.
    static bool CatFloor(const std::string& strFile, const fs::path& out, const fs::path& floor,
                         double& dSeconds)
    {
        sync();
        CChildResult result;
        std::string strError;
        const auto start = std::chrono::steady_clock::now();
        if (!RunChild("/bin/sh",
                      {"-c", "cat \"$1\" >/dev/null && find \"$2\" -type f -exec cat {} + >\"$3/all\"", "sh",
                       strFile, out.string(), floor.string()},
                      result, strError) ||
            result.m_nExitCode != 0) {
            std::fprintf(stderr, "pinweave_bench: the cat floor failed: %s\n", strError.c_str());
            return false;
        }
        dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return true;
    }

    bool Child(const std::vector<std::string>& lstArgs, std::map<std::string, double>& fields)
    {
        // Dirty pages of earlier cases would be written back during this one.
        sync();
        std::vector<std::string> lstAll = {"--child"};
        lstAll.insert(lstAll.end(), lstArgs.begin(), lstArgs.end());
        CChildResult result;
        std::string strError;
        if (!RunChild(m_strSelf, lstAll, result, strError)) {
            std::fprintf(stderr, "pinweave_bench: %s\n", strError.c_str());
            return false;
        }
        fields = ParseFields(result.m_strOutput);
        if (result.m_nExitCode != 0) {
            std::fprintf(stderr, "pinweave_bench: case '%s' failed (exit %d): %s\n", lstArgs[0].c_str(),
                         result.m_nExitCode, result.m_strOutput.c_str());
            return false;
        }
        return true;
    }

    static std::int64_t PeakAbove(const std::map<std::string, double>& fields)
    {
        return static_cast<std::int64_t>(fields.at("peak_kb") - fields.at("base_kb"));
    }

    bool MeasureScan(const std::string& strFile, int nMb)
    {
        CBenchRow row;
        row.m_strCase = "scan";
        row.m_dFloorSeconds = 1e30;
        row.m_dSeconds = 1e30;
        for (int i = 0; i < Reps(nMb); ++i) {
            std::map<std::string, double> read;
            std::map<std::string, double> scan;
            if (!Child({"read", strFile}, read) || !Child({"scan", strFile}, scan)) {
                return false;
            }
            if (static_cast<int>(scan["parts"]) != m_nExpectedParts ||
                static_cast<int>(scan["groups"]) != m_nExpectedParts ||
                static_cast<int>(scan["fixtures"]) != kFixtures) {
                std::fprintf(
                    stderr,
                    "pinweave_bench: the scan of '%s' found %g part numbers, %g groups, %g fixtures\n",
                    strFile.c_str(), scan["parts"], scan["groups"], scan["fixtures"]);
                return false;
            }
            row.m_nInputBytes = static_cast<std::uint64_t>(scan["bytes"]);
            row.m_nParts = m_nExpectedParts;
            row.m_dFloorSeconds = std::min(row.m_dFloorSeconds, read["read_s"]);
            row.m_dSeconds = std::min(row.m_dSeconds, scan["scan_s"]);
            row.m_dCpuSeconds = i == 0 ? scan["cpu_s"] : std::min(row.m_dCpuSeconds, scan["cpu_s"]);
            row.m_nPeakKb = std::max(row.m_nPeakKb, PeakAbove(scan));
        }
        m_lstRows.push_back(row);
        return true;
    }

    // The warning-heavy file: each pin end on a connector no fixture has
    // logs message 112, as real exports do for wires to connectors the test
    // fixture leaves out.
    bool MeasureWarnings()
    {
        CGenOptions gen;
        gen.m_nTargetBytes = static_cast<std::uint64_t>(m_options.m_nWarningMb) * 1000000;
        gen.m_nPartCount = m_options.m_nWarningParts;
        gen.m_nFixtureCount = kFixtures;
        gen.m_nMaxPins = kMaxPins;
        gen.m_nUnknownPinPercent = m_options.m_nUnknownPinPercent;
        const std::string strFile = Generate(gen, "bench_warnings");
        const bool bOk = !strFile.empty() && MeasureConvert(strFile, m_options.m_nWarningMb, "warnings");
        fs::remove(strFile);
        return bOk;
    }

    // Many part numbers of a few wires each on a small fixture (so the output
    // stays in the hundreds of MB); the largest count again under a limit of
    // open files.
    bool MeasureManyParts()
    {
        for (std::size_t i = 0; i < m_options.m_lstManyParts.size(); ++i) {
            const int nParts = m_options.m_lstManyParts[i];
            CGenOptions gen;
            gen.m_nTargetBytes = static_cast<std::uint64_t>(nParts) * 400;
            gen.m_nPartCount = nParts;
            gen.m_nFixtureCount = 4;
            gen.m_nMaxPins = 12;
            const std::string strFile = Generate(gen, "bench_parts_" + std::to_string(nParts));
            bool bOk = !strFile.empty() && MeasureConvert(strFile, 1, "parts");
            if (bOk && i + 1 == m_options.m_lstManyParts.size() && m_options.m_nOpenFileLimit > 0) {
                bOk = MeasureConvert(strFile, 1, "parts/" + std::to_string(m_options.m_nOpenFileLimit),
                                     m_options.m_nOpenFileLimit);
            }
            fs::remove(strFile);
            if (!bOk) {
                return false;
            }
        }
        return true;
    }

    bool MeasureConvert(const std::string& strFile, int nMb, const std::string& strCase = "convert",
                        int nOpenFileLimit = 0)
    {
        const fs::path out = m_options.m_work / "out";
        const fs::path floor = m_options.m_work / "floor";
        const fs::path log = fs::path(strFile).replace_extension(".log");
        CBenchRow row;
        row.m_strCase = strCase;
        row.m_nInputBytes = fs::file_size(strFile);
        row.m_nParts = m_nExpectedParts;
        row.m_dFloorSeconds = 1e30;
        row.m_dSeconds = 1e30;
        for (int i = 0; i < Reps(nMb); ++i) {
            fs::remove_all(out);
            fs::remove_all(floor);
            fs::remove(log);
            fs::create_directories(out);
            fs::create_directories(floor);
            std::map<std::string, double> convert;
            std::map<std::string, double> io;
            std::vector<std::string> lstConvert = {"convert", strFile, out.string()};
            if (nOpenFileLimit > 0) {
                lstConvert.push_back(std::to_string(nOpenFileLimit));
            }
            if (!Child(lstConvert, convert) || !Child({"floor", strFile, out.string(), floor.string()}, io)) {
                return false;
            }
            fs::remove_all(floor);
            fs::create_directories(floor);
            double dCat = 0;
            if (!CatFloor(strFile, out, floor, dCat)) {
                return false;
            }
            row.m_dCatSeconds = i == 0 ? dCat : std::min(row.m_dCatSeconds, dCat);
            if (static_cast<int>(convert["out_files"]) != m_nExpectedParts) {
                std::fprintf(stderr,
                             "pinweave_bench: the conversion of '%s' wrote %g files for %d part numbers\n",
                             strFile.c_str(), convert["out_files"], m_nExpectedParts);
                return false;
            }
            row.m_nOutputBytes = static_cast<std::uint64_t>(convert["out_bytes"]);
            row.m_nLogBytes = static_cast<std::uint64_t>(convert["log_bytes"]);
            row.m_nOutputFiles = static_cast<std::size_t>(convert["out_files"]);
            row.m_dFloorSeconds = std::min(row.m_dFloorSeconds, io["floor_s"]);
            row.m_dSeconds = std::min(row.m_dSeconds, convert["convert_s"]);
            row.m_dCpuSeconds = i == 0 ? convert["cpu_s"] : std::min(row.m_dCpuSeconds, convert["cpu_s"]);
            row.m_nPeakKb = std::max(row.m_nPeakKb, PeakAbove(convert));
        }
        fs::remove_all(out);
        fs::remove_all(floor);
        fs::remove(log);
        m_lstRows.push_back(row);
        return true;
    }

    void PrintChecks() const
    {
        std::printf("\nTargets (MB = 10^6 bytes):\n");
        double dWorstMemory = 0;
        for (const CBenchRow& row : m_lstRows) {
            const double dIn = static_cast<double>(row.m_nInputBytes) / 1e6;
            const double dPeak = static_cast<double>(row.m_nPeakKb) * 1024.0 / 1e6;
            // A small file's peak is dwarfed by fixed costs (code, pin table).
            const bool bMemory = dPeak <= 1.5 * dIn || dIn < 5;
            if (dIn >= 5) {
                dWorstMemory = std::max(dWorstMemory, dPeak / dIn);
            }
            if (!bMemory) {
                std::printf("  MISSED  %s %.0f MB: peak memory %.2f x input (target <= 1.5)\n",
                            row.m_strCase.c_str(), dIn, dPeak / dIn);
            }
            if (row.m_strCase == "scan" && dIn >= 90 && dIn <= 110) {
                const double dRate = dIn / row.m_dSeconds;
                std::printf("  %-7s scan + parse of %.0f MB: %.0f MB/s (target >= 300)\n",
                            dRate >= 300 ? "ok" : "MISSED", dIn, dRate);
            }
            if (row.m_strCase == "convert" && dIn >= 5) {
                const double dRatio = row.m_dSeconds / row.m_dFloorSeconds;
                std::printf("  %-7s conversion of %.0f MB, %d parts: %.2f x the I/O floor (target <= 2)\n",
                            dRatio <= 2 ? "ok" : "MISSED", dIn, row.m_nParts, dRatio);
            }
            if (row.m_dCatSeconds > 0 &&
                ((row.m_strCase == "convert" && row.m_nParts == 20 && dIn >= 15 && dIn <= 25) ||
                 row.m_strCase == "warnings")) {
                const double dRatio = row.m_dSeconds / row.m_dCatSeconds;
                const double dTarget = row.m_strCase == "warnings" ? 6 : 5;
                std::printf(
                    "  %-7s %s of %.0f MB, %d parts: %.2f x cat from the page cache (target <= %.0f)\n",
                    dRatio <= dTarget ? "ok" : "MISSED", row.m_strCase.c_str(), dIn, row.m_nParts, dRatio,
                    dTarget);
            }
            if (row.m_strCase == "warnings") {
                const double dRatio = row.m_dSeconds / row.m_dFloorSeconds;
                std::printf(
                    "  %-7s conversion of %.0f MB with %.1f MB of warning lines: %.2f x the I/O floor "
                    "(target <= 2)\n",
                    dRatio <= 2 ? "ok" : "MISSED", dIn, static_cast<double>(row.m_nLogBytes) / 1e6, dRatio);
            }
        }
        if (dWorstMemory > 0) {
            std::printf("  %-7s peak memory of every case from 5 MB: at most %.2f x input (target <= 1.5)\n",
                        dWorstMemory <= 1.5 ? "ok" : "MISSED", dWorstMemory);
        }
        for (const char* pszCase : {"scan", "convert"}) {
            const double d10 = RowSeconds(m_lstRows, pszCase, 10000000);
            const double d100 = RowSeconds(m_lstRows, pszCase, 100000000);
            if (d10 > 0 && d100 > 0) {
                std::printf("  %-7s %s growth time(100 MB)/time(10 MB) = %.2f (linear 10, target <= 12)\n",
                            GrowsAtMostLinearly(d10, d100, 10, 100) ? "ok" : "MISSED", pszCase, d100 / d10);
            }
        }
        CheckManyParts();
        std::vector<const CBenchRow*> lstParts;
        for (const CBenchRow& row : m_lstRows) {
            if (row.m_strCase == "convert" &&
                row.m_nInputBytes / 1000000 == static_cast<std::uint64_t>(m_options.m_nPartSizeMb) &&
                std::find(m_options.m_lstPartCounts.begin(), m_options.m_lstPartCounts.end(), row.m_nParts) !=
                    m_options.m_lstPartCounts.end()) {
                lstParts.push_back(&row);
            }
        }
        if (lstParts.size() >= 3) {
            // Linear in the part count: each added part number costs the same
            // work, so the processor time per added part does not grow from
            // one pair of rows to the next. (The time on the clock per added
            // part is smaller at first, while the part bodies are made on
            // cores that would otherwise wait.)
            const CBenchRow& a = *lstParts[0];
            const CBenchRow& b = *lstParts[lstParts.size() / 2];
            const CBenchRow& c = *lstParts.back();
            const double dFirst = (b.m_dCpuSeconds - a.m_dCpuSeconds) / (b.m_nParts - a.m_nParts);
            const double dSecond = (c.m_dCpuSeconds - b.m_dCpuSeconds) / (c.m_nParts - b.m_nParts);
            std::printf("  %-7s part-count growth: %.2f ms processor time per added part (%d -> %d), %.2f ms "
                        "(%d -> %d)\n",
                        GrowsAtMostLinearly(dFirst, dSecond, 1, 1) ? "ok" : "MISSED", dFirst * 1e3,
                        a.m_nParts, b.m_nParts, dSecond * 1e3, b.m_nParts, c.m_nParts);
        }
    }

    // Time and memory grow at most linearly with the part count, and the
    // largest count converts under the open-file limit as fast as without.
    void CheckManyParts() const
    {
        const CBenchRow* pPrevious = nullptr;
        for (const CBenchRow& row : m_lstRows) {
            if (row.m_strCase == "parts") {
                if (pPrevious != nullptr) {
                    const bool bTime = GrowsAtMostLinearly(pPrevious->m_dSeconds, row.m_dSeconds,
                                                           pPrevious->m_nParts, row.m_nParts);
                    const bool bMemory = GrowsAtMostLinearly(static_cast<double>(pPrevious->m_nPeakKb),
                                                             static_cast<double>(row.m_nPeakKb),
                                                             pPrevious->m_nParts, row.m_nParts);
                    std::printf(
                        "  %-7s part numbers %d -> %d: time x %.2f, peak memory x %.2f (linear %.0f)\n",
                        bTime && bMemory ? "ok" : "MISSED", pPrevious->m_nParts, row.m_nParts,
                        row.m_dSeconds / pPrevious->m_dSeconds,
                        static_cast<double>(row.m_nPeakKb) / static_cast<double>(pPrevious->m_nPeakKb),
                        static_cast<double>(row.m_nParts) / pPrevious->m_nParts);
                }
                pPrevious = &row;
            } else if (row.m_strCase.rfind("parts/", 0) == 0 && pPrevious != nullptr) {
                std::printf(
                    "  %-7s %d part numbers under a limit of %s open files: %.3f s (%.3f s without)\n",
                    row.m_nOutputFiles == static_cast<std::size_t>(row.m_nParts) ? "ok" : "MISSED",
                    row.m_nParts, row.m_strCase.c_str() + 6, row.m_dSeconds, pPrevious->m_dSeconds);
            }
        }
    }

    CBenchOptions m_options;
    std::string m_strSelf;
    int m_nExpectedParts = 0;
    std::vector<CBenchRow> m_lstRows;
};

} // namespace

} // namespace pinweave

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "--child") {
        return pinweave::RunChildCase(argc, argv);
    }
    pinweave::CBenchOptions options;
    if (!pinweave::ParseOptions(argc, argv, options)) {
        std::fprintf(
            stderr,
            "usage: pinweave_bench [--work DIR] [--sizes 1,10,100,200] [--part-sizes-mb 20]\n"
            "                      [--part-counts 20,80,320,1280] [--warning-mb 95] [--warning-parts 40]\n"
            "                      [--unknown-pins 15] [--many-parts 1000,10000,100000|0]\n"
            "                      [--open-files 64] [--reps N] [--scan-only]\n");
        return 2;
    }
    pinweave::CBench bench(options);
    try {
        return bench.Run() ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pinweave_bench: %s\n", e.what());
        return 1;
    }
}
