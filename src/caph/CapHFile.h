// Reading a CAP-H file from disk: open it (shared with other readers and
// writers), then take all its bytes in one read for the section scan.
#ifndef PINWEAVE_CAPH_CAPHFILE_H
#define PINWEAVE_CAPH_CAPHFILE_H

#include <cstdio>
#include <string>

namespace pinweave {

class CCapHFile {
public:
    CCapHFile() = default;
    CCapHFile(const CCapHFile&) = delete;
    CCapHFile& operator=(const CCapHFile&) = delete;
    ~CCapHFile();

    // Opens the file for reading. On failure returns false with the system's
    // reason in strError (a folder is refused as such, not read as empty).
    bool Open(const std::string& strPath, std::string& strError);

    // Reads every byte of the open file into strBytes (replacing its content).
    // On a read error returns false with the system's reason in strError.
    bool ReadAll(std::string& strBytes, std::string& strError);

    // Closes the file; harmless when it is not open.
    void Close();

private:
    std::FILE* m_pFile = nullptr;
};

}  // namespace pinweave

#endif  // PINWEAVE_CAPH_CAPHFILE_H
