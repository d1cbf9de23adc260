#include "caph/CapHFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace pinweave {

CCapHFile::~CCapHFile()
{
    Close();
}

bool CCapHFile::Open(const std::string& strPath, std::string& strError)
{
    Close();
    std::error_code ec;
    if (std::filesystem::is_directory(std::filesystem::path(strPath), ec)) {
        strError = std::generic_category().message(EISDIR);
        return false;
    }
    errno = 0;
    m_pFile = std::fopen(strPath.c_str(), "rb");
    if (m_pFile == nullptr) {
        strError = std::generic_category().message(errno != 0 ? errno : ENOENT);
        return false;
    }
    return true;
}

bool CCapHFile::ReadAll(std::string& strBytes, std::string& strError)
{
    strBytes.clear();
    if (m_pFile == nullptr) {
        strError = std::generic_category().message(EBADF);
        return false;
    }
    // Size the buffer once from the file's length, so a large file is not
    // copied through a chain of growing buffers; a file that grows while it
    // is read is still read to its end.
    std::size_t nChunk = 1 << 20;
    if (std::fseek(m_pFile, 0, SEEK_END) == 0) {
        const long long nSize =
#ifdef _WIN32
            _ftelli64(m_pFile);
#else
            ftello(m_pFile);
#endif
        if (nSize > 0) {
            nChunk = static_cast<std::size_t>(nSize) + 1;
        }
    }
    std::rewind(m_pFile);
    std::size_t nUsed = 0;
    for (;;) {
        strBytes.resize(nUsed + nChunk);
        errno = 0;
        const std::size_t nRead = std::fread(strBytes.data() + nUsed, 1, nChunk, m_pFile);
        nUsed += nRead;
        if (nRead < nChunk) {
            break;
        }
    }
    strBytes.resize(nUsed);
    if (std::ferror(m_pFile)) {
        strError = std::generic_category().message(errno != 0 ? errno : EIO);
        strBytes.clear();
        return false;
    }
    return true;
}

void CCapHFile::Close()
{
    if (m_pFile != nullptr) {
        std::fclose(m_pFile);
        m_pFile = nullptr;
    }
}

}  // namespace pinweave
