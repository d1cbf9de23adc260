#include "pid/OutputFile.h"

#include "pid/FileSystem.h"
#include "pid/PathNames.h"

#include <algorithm>
#include <random>

namespace pinweave {

namespace {

// Tries this many random names before giving up on a folder where every one
// of them is taken: with 62^6 names per PID file, that means something other
// than chance.
constexpr int kNameAttempts = 100;

// ".pinweave-" and six random letters or digits and ".tmp".
std::string TemporarySuffix(std::mt19937_64& random)
{
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof(kLetters)) - 2);
    std::string strSuffix(COutputFile::kTemporaryMarker);
    for (int i = 0; i < 6; ++i) {
        strSuffix += kLetters[pick(random)];
    }
    strSuffix += COutputFile::kTemporaryExtension;
    return strSuffix;
}

// The temporary's path: the PID file's path with the suffix added, its file
// name cut short where the suffix would make it, or the whole path, longer
// than the system takes (the PID file's own name may be that long).
std::string TemporaryPathFor(const std::string& strPath, const std::string& strSuffix)
{
    const std::size_t nNameSize = FileNameOf(strPath).size();
    const std::size_t nLongestName = LongestFileName() - strSuffix.size();
    const std::size_t nLongestPath = std::max(LongestPath(), strPath.size()) - strSuffix.size();
    const std::size_t nCut = std::max(nNameSize > nLongestName ? nNameSize - nLongestName : 0,
                                      strPath.size() > nLongestPath ? strPath.size() - nLongestPath : 0);
    return strPath.substr(0, strPath.size() - std::min(nCut, nNameSize - 1)) + strSuffix;
}

} // namespace

COutputFile::~COutputFile()
{
    std::string strIgnored;
    Discard(strIgnored);
}

bool COutputFile::Create(IOutputFolder& folder, const std::string& strFolderPath, const std::string& strName,
                         std::mt19937_64& random, std::string& strError)
{
    m_pFolder = &folder;
    m_strName = strName;
    m_strPath = JoinPath(strFolderPath, strName);
    for (int i = 0; i < kNameAttempts; ++i) {
        // The name is kept before the file exists: once it does, nothing may
        // fail before this object knows what to remove.
        m_strTemporaryPath = TemporaryPathFor(m_strPath, TemporarySuffix(random));
        m_strTemporaryName = std::string(FileNameOf(m_strTemporaryPath));
        if (folder.CreateNew(m_strTemporaryName, m_id, strError)) {
            m_bWritable = true;
            return true;
        }
        // Only a name that is taken is worth another try.
        const bool bTaken = EntryAt(m_strTemporaryPath) != EEntry::Missing;
        m_strTemporaryPath.clear();
        m_strTemporaryName.clear();
        if (!bTaken) {
            return false;
        }
    }
    return false;
}

bool COutputFile::WriteSlowly(std::initializer_list<std::string_view> lstPieces)
{
    if (!m_strError.empty()) {
        return false;
    }
    if (!HasTemporary()) {
        return Fail("The output file was not created");
    }
    std::size_t nTotal = 0;
    for (const std::string_view strPiece : lstPieces) {
        nTotal += strPiece.size();
    }
    if (m_nBuffered + nTotal > kBufferSize) {
        // The buffer goes out, and pieces too large for it right behind it;
        // the memory stays for what follows.
        return nTotal >= kBufferSize ? WriteOutBuffer(lstPieces) : WriteOutBuffer() && WriteSlowly(lstPieces);
    }
    if (m_nBuffered + nTotal > m_nCapacity) {
        // The buffer grows as the file is written rather than being taken
        // whole at once: the header step writes a few hundred bytes to every
        // file of the run before any body is written.
        std::size_t nCapacity = std::max<std::size_t>(m_nCapacity, 256);
        while (nCapacity < m_nBuffered + nTotal) {
            nCapacity *= 2;
        }
        nCapacity = std::min(nCapacity, kBufferSize);
        std::unique_ptr<char[]> pBuffer(new char[nCapacity]);
        if (m_nBuffered > 0) {
            std::memcpy(pBuffer.get(), m_pBuffer.get(), m_nBuffered);
        }
        m_pBuffer = std::move(pBuffer);
        m_nCapacity = nCapacity;
    }
    for (const std::string_view strPiece : lstPieces) {
        Append(strPiece);
    }
    return true;
}

bool COutputFile::WriteOutBuffer(std::initializer_list<std::string_view> lstAfter)
{
    bool bAnything = m_nBuffered > 0;
    for (const std::string_view strPiece : lstAfter) {
        bAnything = bAnything || !strPiece.empty();
    }
    if (!bAnything) {
        return true;
    }
    // Open only for as long as this takes: a run has one output file open at
    // a time, however many part numbers it has.
    CAppendFile file;
    std::string strError;
    if (!m_pFolder->OpenToAppend(m_strTemporaryName, m_id, file, strError)) {
        return Fail(strError);
    }
    std::size_t nWritten = 0;
    if (m_nBuffered > 0 && !file.Write(m_pBuffer.get(), m_nBuffered, nWritten, strError)) {
        return Fail(strError);
    }
    m_nBuffered = 0;
    for (const std::string_view strPiece : lstAfter) {
        if (!strPiece.empty() && !file.Write(strPiece.data(), strPiece.size(), nWritten, strError)) {
            return Fail(strError);
        }
    }
    return file.Close(strError) || Fail(strError);
}

void COutputFile::ReleaseBuffer()
{
    m_pBuffer.reset();
    m_nBuffered = 0;
    m_nCapacity = 0;
}

bool COutputFile::Flush()
{
    if (!m_strError.empty()) {
        return false;
    }
    const bool bOk = WriteOutBuffer();
    ReleaseBuffer();
    return bOk;
}

bool COutputFile::FlushInto(COutputFile& next)
{
    if (!m_strError.empty()) {
        return false;
    }
    const bool bOk = WriteOutBuffer();
    // The larger buffer goes on, holding next's unwritten bytes; the other
    // one is freed.
    if (m_nCapacity > next.m_nCapacity) {
        if (next.m_nBuffered > 0) {
            std::memcpy(m_pBuffer.get(), next.m_pBuffer.get(), next.m_nBuffered);
        }
        next.m_pBuffer = std::move(m_pBuffer);
        next.m_nCapacity = m_nCapacity;
    }
    ReleaseBuffer();
    return bOk;
}

bool COutputFile::Discard(std::string& strError)
{
    m_bWritable = false;
    ReleaseBuffer();
    if (!HasTemporary()) {
        return true;
    }
    // A temporary that is gone already is what Discard is for.
    if (!m_pFolder->Remove(m_strTemporaryName, strError) && m_pFolder->IsFile(m_strTemporaryName, m_id)) {
        return false;
    }
    m_strTemporaryPath.clear();
    m_strTemporaryName.clear();
    return true;
}

bool COutputFile::Fail(const std::string& strReason)
{
    m_bWritable = false;
    m_strError = strReason;
    return false;
}

} // namespace pinweave
