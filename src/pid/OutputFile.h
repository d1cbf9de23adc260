// One PID output file: created (or cut to length 0) for writing raw bytes,
// readable but not writable by other programs while it is open, written
// through a large buffer of its own.
//
// Failures are sticky: once a write or the close fails, the file keeps the
// system's reason, and every later Write answers false at once.
#ifndef PINWEAVE_PID_OUTPUTFILE_H
#define PINWEAVE_PID_OUTPUTFILE_H

#include <cstdio>
#include <string>
#include <string_view>

namespace pinweave {

class COutputFile {
public:
    COutputFile() = default;
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;
    // Closes the file without reporting; a run checks Close itself.
    ~COutputFile();

    // Creates the file at strPath. False with the system's reason in
    // strError when it cannot be created.
    bool Open(const std::string& strPath, std::string& strError);

    // Appends the bytes; false (reason in Error()) when they cannot be written.
    bool Write(std::string_view strBytes);

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
    bool WriteThrough(const char* pBytes, std::size_t nCount);
    bool Fail(int nErrno);

    std::FILE* m_pFile = nullptr;
    std::string m_strPath;
    std::string m_strBuffer;
    std::string m_strError;
};

}  // namespace pinweave

#endif  // PINWEAVE_PID_OUTPUTFILE_H
