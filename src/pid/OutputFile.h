// One PID output file: created (or cut to length 0) for writing raw bytes,
// readable but not writable by other programs while it is open, written
// through a large buffer of its own.
//
// Failures are sticky: once a write or the close fails, the file keeps the
// system's reason, and every later Write answers false at once.
#ifndef PINWEAVE_PID_OUTPUTFILE_H
#define PINWEAVE_PID_OUTPUTFILE_H

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

namespace pinweave {

class COutputFile {
public:
    // Writes are gathered up to this many bytes before they reach the system.
    // The body writer fills one file at a time and flushes it when its part
    // is done, so a run holds about one full buffer whatever its number of
    // part numbers.
    static constexpr std::size_t kBufferSize = std::size_t(1) << 20;

    COutputFile() = default;
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;
    // Closes the file without reporting; a run checks Close itself.
    ~COutputFile();

    // Creates the file at strPath. False with the system's reason in
    // strError when it cannot be created.
    bool Open(const std::string& strPath, std::string& strError);

    // Appends the bytes; false (reason in Error()) when they cannot be written.
    bool Write(std::string_view strBytes) { return WritePieces(strBytes); }

    // Appends the pieces (each a std::string_view or convertible to one) one
    // after the other: the same bytes, gathered and passed to the system at
    // the same points, as one Write of their concatenation, without that
    // concatenation being made first. Inline for the usual case, a few short
    // pieces for a healthy file with room in its buffer: the body writer
    // hands over millions of them.
    template <typename... TPieces> bool WritePieces(const TPieces&... pieces)
    {
        const std::size_t nTotal = (std::size_t(0) + ... + std::string_view(pieces).size());
        if (m_bWritable && nTotal <= m_nCapacity - m_nBuffered) {
            (Append(std::string_view(pieces)), ...);
            return true;
        }
        return WriteSlowly({std::string_view(pieces)...});
    }

    // Writes out the buffer and gives its memory back; the file stays open.
    bool Flush();

    // Writes out the buffer and passes its memory on to next, whose unwritten
    // bytes stay in front: the body writer fills the files one after the
    // other, so one buffer serves them all rather than each growing one anew.
    // False when the buffer could not be written.
    bool FlushInto(COutputFile& next);

    // Flushes and closes. False when anything written could not be stored.
    // Harmless when the file is not open.
    bool Close();

    const std::string& Path() const { return m_strPath; }
    const std::string& Error() const { return m_strError; }

    // Set by the body writer once the file holds its whole content.
    bool m_bComplete = false;

private:
    void Append(std::string_view strBytes)
    {
        if (!strBytes.empty()) {
            std::memcpy(m_pBuffer.get() + m_nBuffered, strBytes.data(), strBytes.size());
            m_nBuffered += strBytes.size();
        }
    }
    bool WriteSlowly(std::initializer_list<std::string_view> lstPieces);
    bool WriteOutBuffer();
    void ReleaseBuffer();
    bool WriteThrough(const char* pBytes, std::size_t nCount);
    bool Fail(int nErrno);

    std::FILE* m_pFile = nullptr;
    std::string m_strPath;
    // m_nBuffered bytes not yet written, in a buffer of m_nCapacity bytes
    // (at most kBufferSize) that grows as the file is written.
    std::unique_ptr<char[]> m_pBuffer;
    std::size_t m_nBuffered = 0;
    std::size_t m_nCapacity = 0;
    bool m_bWritable = false;  // open and not failed
    std::string m_strError;
};

}  // namespace pinweave

#endif  // PINWEAVE_PID_OUTPUTFILE_H
