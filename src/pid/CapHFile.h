// Reading a CAP-H file from disk: open it (shared with other readers and
// writers; only a regular file, or a link to one), then take all its bytes
// for the section scan. The scan reads sections with CR LF line ends joined
// into LF; the reading joins them already, in one pass once the bytes are in.
#ifndef PINWEAVE_PID_CAPHFILE_H
#define PINWEAVE_PID_CAPHFILE_H

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

namespace pinweave {

// The bytes of a whole file in one block, followed by one more byte that may
// be written (a NUL once read), as the section scan needs.
class CFileBytes {
public:
    CFileBytes() = default;
    CFileBytes(const CFileBytes&) = delete;
    CFileBytes& operator=(const CFileBytes&) = delete;
    CFileBytes(CFileBytes&&) = default;
    CFileBytes& operator=(CFileBytes&&) = default;
    ~CFileBytes() = default;

    char* data() { return m_pBytes.get(); }
    std::size_t size() const { return m_nSize; }

    // Room for nCapacity bytes and the one after, the content kept (up to size()).
    void Reserve(std::size_t nCapacity);
    // Sets the size (at most the capacity) and writes a NUL after the last byte.
    void SetSize(std::size_t nSize);
    std::size_t Capacity() const { return m_nCapacity; }
    void Release();

private:
    std::unique_ptr<char[]> m_pBytes;
    std::size_t m_nSize = 0;
    std::size_t m_nCapacity = 0; // without the byte after
};

// What a path names, as far as the opening of a CAP-H file tells it apart:
// only a regular file is read. A device, a FIFO or a socket would be read
// for ever, or wait for a writer that never comes.
enum class EFileKind { RegularFile, Folder, CharacterDevice, BlockDevice, Fifo, Socket, Other };

class CCapHFile {
public:
    CCapHFile() = default;
    CCapHFile(const CCapHFile&) = delete;
    CCapHFile& operator=(const CCapHFile&) = delete;
    ~CCapHFile();

    // Opens the file for reading, never waiting for anything. On failure
    // returns false with the system's reason in strError. Anything but a
    // regular file is refused at once, with what it is in kind (a folder
    // also with the system's reason); kind is RegularFile after any other
    // outcome.
    bool Open(const std::string& strPath, std::string& strError, EFileKind& kind);

    // Reads every byte of the open file into bytes (replacing their content),
    // each CR LF pair joined into one LF as the section scan would join it.
    // On a read error returns false with the system's reason in strError.
    bool ReadAll(CFileBytes& bytes, std::string& strError);

    // Closes the file; harmless when it is not open.
    void Close();

private:
    std::FILE* m_pFile = nullptr;
};

} // namespace pinweave

#endif // PINWEAVE_PID_CAPHFILE_H
