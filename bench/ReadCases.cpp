// The CAP-H reading cases and the I/O floor.
#include "Cases.h"
#include "ProcessStats.h"

#include "caph/SectionScan.h"
#include "pid/CapHFile.h"
#include "pid/PathNames.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace pinweave {

namespace {

// The input as a conversion reads it.
bool ReadInput(const std::string& strPath, CFileBytes& bytes)
{
    CCapHFile file;
    std::string strError;
    EFileKind kind = EFileKind::RegularFile;
    if (!file.Open(strPath, strError, kind) || !file.ReadAll(bytes, strError)) {
        std::fprintf(stderr, "bench: '%s': %s\n", strPath.c_str(), strError.c_str());
        return false;
    }
    return true;
}

// The input as the I/O floor reads it: plain buffered reads into a string
// sized from the file's length.
bool ReadPlain(const std::string& strPath, std::string& strBytes)
{
    std::FILE* pFile = std::fopen(strPath.c_str(), "rb");
    if (pFile == nullptr) {
        std::perror(strPath.c_str());
        return false;
    }
    std::error_code ec;
    strBytes.resize(static_cast<std::size_t>(std::filesystem::file_size(strPath, ec)));
    const std::size_t nRead = std::fread(strBytes.data(), 1, strBytes.size(), pFile);
    const bool bOk = !ec && nRead == strBytes.size() && std::ferror(pFile) == 0;
    std::fclose(pFile);
    if (!bOk) {
        std::fprintf(stderr, "bench: '%s' cannot be read\n", strPath.c_str());
    }
    return bOk;
}

} // namespace

int RunReadCase(const std::string& strPath)
{
    const std::int64_t nBaseKb = OwnStatusFieldKb("VmRSS");
    const double dStart = NowSeconds();
    std::string strBytes;
    if (!ReadPlain(strPath, strBytes)) {
        return 1;
    }
    const double dRead = NowSeconds() - dStart;
    std::printf("read_s=%.6f bytes=%zu base_kb=%lld peak_kb=%lld\n", dRead, strBytes.size(),
                static_cast<long long>(nBaseKb), static_cast<long long>(OwnStatusFieldKb("VmHWM")));
    return 0;
}

int RunScanCase(const std::string& strPath)
{
    const std::int64_t nBaseKb = OwnStatusFieldKb("VmRSS");
    const double dStart = NowSeconds();
    CFileBytes bytes;
    if (!ReadInput(strPath, bytes)) {
        return 1;
    }
    const double dRead = NowSeconds();
    CCapHElement rootHeader;
    CCapHElement rootConnection;
    CCapHElement rootConnector;
    const double dCpu = CpuSeconds();
    const bool bScanned = static_cast<bool>(ScanSections(
        bytes.data(), bytes.size(), rootHeader, rootConnection, rootConnector, nullptr, ELineEnds::Joined));
    const double dScanned = NowSeconds();
    const double dScanCpu = CpuSeconds() - dCpu;
    std::printf("read_s=%.6f scan_s=%.6f cpu_s=%.6f bytes=%zu parts=%zu groups=%zu fixtures=%zu base_kb=%lld "
                "peak_kb=%lld\n",
                dRead - dStart, dScanned - dRead, dScanCpu,
                static_cast<std::size_t>(std::filesystem::file_size(strPath)),
                rootHeader.m_lstChildren.size(), rootConnection.m_lstChildren.size(),
                rootConnector.m_lstChildren.size(), static_cast<long long>(nBaseKb),
                static_cast<long long>(OwnStatusFieldKb("VmHWM")));
    return bScanned ? 0 : 1;
}

int RunFloorCase(const std::string& strPath, const std::string& strLikeDir, const std::string& strOutDir)
{
    namespace fs = std::filesystem;
    std::vector<std::pair<std::string, std::uintmax_t>> lstOutputs;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(strLikeDir, ec)) {
        if (entry.is_regular_file()) {
            lstOutputs.emplace_back(entry.path().filename().string(), entry.file_size());
        }
    }
    if (ec) {
        std::fprintf(stderr, "bench: '%s': %s\n", strLikeDir.c_str(), ec.message().c_str());
        return 1;
    }
    std::sort(lstOutputs.begin(), lstOutputs.end());
    // The log the conversion wrote beside the file, written here as one more file.
    const std::uintmax_t nLogBytes = fs::file_size(LogFilePathOf(strPath), ec);
    if (!ec && nLogBytes > 0) {
        lstOutputs.emplace_back("floor.log", nLogBytes);
    }

    const std::int64_t nBaseKb = OwnStatusFieldKb("VmRSS");
    const double dStart = NowSeconds();
    const double dCpuStart = CpuSeconds();
    std::string strBytes;
    if (!ReadPlain(strPath, strBytes)) {
        return 1;
    }
    const double dRead = NowSeconds();
    if (strBytes.empty()) {
        strBytes.assign(1, ' ');
    }
    // The written bytes are taken from the input: what matters is how many
    // reach each file, not which.
    std::uintmax_t nWritten = 0;
    for (const auto& [strName, nSize] : lstOutputs) {
        const std::string strOut = (fs::path(strOutDir) / strName).string();
        std::FILE* pFile = std::fopen(strOut.c_str(), "wb");
        if (pFile == nullptr) {
            std::perror(strOut.c_str());
            return 1;
        }
        std::uintmax_t nLeft = nSize;
        while (nLeft > 0) {
            const std::size_t nPiece =
                static_cast<std::size_t>(std::min<std::uintmax_t>(nLeft, strBytes.size()));
            if (std::fwrite(strBytes.data(), 1, nPiece, pFile) != nPiece) {
                std::perror(strOut.c_str());
                std::fclose(pFile);
                return 1;
            }
            nLeft -= nPiece;
        }
        if (std::fclose(pFile) != 0) {
            std::perror(strOut.c_str());
            return 1;
        }
        nWritten += nSize;
    }
    const double dWritten = NowSeconds();
    std::printf("read_s=%.6f write_s=%.6f floor_s=%.6f cpu_s=%.6f out_bytes=%ju out_files=%zu base_kb=%lld "
                "peak_kb=%lld\n",
                dRead - dStart, dWritten - dRead, dWritten - dStart, CpuSeconds() - dCpuStart, nWritten,
                lstOutputs.size(), static_cast<long long>(nBaseKb),
                static_cast<long long>(OwnStatusFieldKb("VmHWM")));
    return 0;
}

} // namespace pinweave
