// One PID output file of a run. Its content goes into a temporary file in the
// output folder, named after the PID file with ".pinweave-XXXXXX.tmp" added
// (never ending in ".pid", so nothing that imports PID files sees it half
// written), through a large buffer of its own. Only when the whole run has
// succeeded does the run's COutputFileSet give the PID file's name to the
// temporary; a run that stops removes it, and so does the destructor of a
// file never put in place. An existing PID file is therefore never touched
// before the run completes.
//
// The temporary is open only while bytes are passed to it: a run keeps at
// most one output file open, whatever its number of part numbers. Each
// reopening checks that the name still refers to the file made at the start
// (IOutputFolder::OpenToAppend), so a name given to another file meanwhile
// is refused, never written to. While it is open, other programs may read it
// but not write it.
//
// Failures are sticky: once a write fails, the file keeps the system's
// reason, and every later Write answers false at once.
#ifndef PINWEAVE_PID_OUTPUTFILE_H
#define PINWEAVE_PID_OUTPUTFILE_H

#include "pid/OutputFolder.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <random>
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

    // What the temporary's name adds to the PID file's name: the marker, six
    // random letters or digits, and the extension.
    static constexpr std::string_view kTemporaryMarker = ".pinweave-";
    static constexpr std::string_view kTemporaryExtension = ".tmp";

    COutputFile() = default;
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;
    // Removes the temporary unless it was put in place, without reporting.
    ~COutputFile();

    // Makes the empty temporary that stands for the PID file strName of the
    // folder (opened on the path strFolderPath, which must outlive this
    // object) until the run completes, its name's random letters drawn from
    // random (one sequence per run: the system's random source costs up to a
    // millisecond a draw on a virtual machine). False with the system's
    // reason in strError when it cannot be made (the folder refuses it, the
    // name is too long ...).
    bool Create(IOutputFolder& folder, const std::string& strFolderPath, const std::string& strName,
                std::mt19937_64& random, std::string& strError);

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

    // Writes out the buffer and gives its memory back.
    bool Flush();

    // Writes out the buffer and passes its memory on to next, whose unwritten
    // bytes stay in front: the body writer fills the files one after the
    // other, so one buffer serves them all rather than each growing one anew.
    // False when the buffer could not be written.
    bool FlushInto(COutputFile& next);

    // Records that the temporary now has the PID file's name.
    void MarkInPlace()
    {
        m_strTemporaryName.clear();
        m_strTemporaryPath.clear();
        m_bWritable = false;
        m_bInPlace = true;
    }

    // Removes the temporary. False with the system's reason when it is still
    // there afterwards. Harmless when there is none.
    bool Discard(std::string& strError);

    // The PID file's path, and the temporary's while there is one; their
    // names in the folder; the temporary's identity.
    const std::string& Path() const { return m_strPath; }
    const std::string& TemporaryPath() const { return m_strTemporaryPath; }
    const std::string& Name() const { return m_strName; }
    const std::string& TemporaryName() const { return m_strTemporaryName; }
    const CFileIdentity& Identity() const { return m_id; }
    // Whether a temporary of this file is on disk.
    bool HasTemporary() const { return !m_strTemporaryPath.empty(); }
    // Whether PutInPlace gave it the PID file's name.
    bool IsInPlace() const { return m_bInPlace; }
    const std::string& Error() const { return m_strError; }

private:
    void Append(std::string_view strBytes)
    {
        if (!strBytes.empty()) {
            std::memcpy(m_pBuffer.get() + m_nBuffered, strBytes.data(), strBytes.size());
            m_nBuffered += strBytes.size();
        }
    }
    bool WriteSlowly(std::initializer_list<std::string_view> lstPieces);
    bool WriteOutBuffer(std::initializer_list<std::string_view> lstAfter = {});
    void ReleaseBuffer();
    bool Fail(const std::string& strReason);

    IOutputFolder* m_pFolder = nullptr;
    std::string m_strPath;
    std::string m_strName;
    std::string m_strTemporaryPath; // empty when there is no temporary on disk
    std::string m_strTemporaryName;
    CFileIdentity m_id;
    // m_nBuffered bytes not yet written, in a buffer of m_nCapacity bytes
    // (at most kBufferSize) that grows as the file is written.
    std::unique_ptr<char[]> m_pBuffer;
    std::size_t m_nBuffered = 0;
    std::size_t m_nCapacity = 0;
    bool m_bWritable = false; // made and not failed
    bool m_bInPlace = false;
    std::string m_strError;
};

} // namespace pinweave

#endif // PINWEAVE_PID_OUTPUTFILE_H
