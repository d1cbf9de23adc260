#include "TestSupport.h"

#include "pid/PathNames.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace pinweave {

std::string ReadFileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const fs::path& path, const std::string& strBytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << strBytes;
    if (!file.flush()) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::string CrLf(const Lines& arrLines)
{
    std::string strText;
    for (const std::string& strLine : arrLines) {
        strText.append(strLine).append("\r\n");
    }
    return strText;
}

std::string LfLines(const Lines& arrLines)
{
    std::string strText;
    for (const std::string& strLine : arrLines) {
        strText.append(strLine).append("\n");
    }
    return strText;
}

Lines SplitCrLf(const std::string& strText)
{
    Lines arrLines;
    for (std::size_t nStart = 0; nStart < strText.size();) {
        const std::size_t nEnd = std::min(strText.find("\r\n", nStart), strText.size());
        arrLines.push_back(strText.substr(nStart, nEnd - nStart));
        nStart = nEnd + 2;
    }
    return arrLines;
}

std::string Replaced(std::string str, const std::string& strFrom, const std::string& strTo)
{
    for (std::size_t n = str.find(strFrom); n != std::string::npos; n = str.find(strFrom, n + strTo.size())) {
        str.replace(n, strFrom.size(), strTo);
    }
    return str;
}

std::string MinimalCapH()
{
    return CCapHBuilder().PartNumbers(3, "P", 1).Group({{"W1", "", "", "", "", "S1", "S1"}}).Text();
}

CRunFixture::CRunFixture(const std::string& strCapHName, const std::string& strBytes)
{
    static int s_nSerial = 0;
    m_pathDir = fs::temp_directory_path() /
                ("pinweave pid-" + std::to_string(++s_nSerial) + "-" +
                 std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(m_pathDir / "out");
    m_strCapHPath = m_engine.m_strInputPath = (m_pathDir / strCapHName).string();
    m_strOutDir = m_engine.m_strOutputPath = (m_pathDir / "out").string();
    WriteFileBytes(m_strCapHPath, strBytes);
}

CRunFixture::~CRunFixture()
{
    std::error_code ec;
    fs::remove_all(m_pathDir, ec);
}

std::string CRunFixture::LogText() const
{
    return ReadFileBytes(LogFilePathOf(m_strCapHPath));
}

Lines CRunFixture::OutputNames() const
{
    Lines arrNames;
    for (const fs::directory_entry& entry : fs::directory_iterator(m_strOutDir)) {
        arrNames.push_back(entry.path().filename().string());
    }
    std::sort(arrNames.begin(), arrNames.end());
    return arrNames;
}

} // namespace pinweave
