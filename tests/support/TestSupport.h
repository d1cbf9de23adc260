// The tests' tools: files read and written byte for byte, CR LF text, and a
// run of the engine in a private folder with the fake front end.
#ifndef PINWEAVE_TESTS_SUPPORT_TESTSUPPORT_H
#define PINWEAVE_TESTS_SUPPORT_TESTSUPPORT_H

#include "CapHBuilder.h"
#include "FakeFrontEnd.h"
#include "pid/ConversionEngine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace pinweave {

namespace fs = std::filesystem;
// A file's bytes, "" for a file that cannot be read; writing throws
// std::runtime_error when the file cannot be written.
std::string ReadFileBytes(const fs::path& path);
void WriteFileBytes(const fs::path& path, const std::string& strBytes);
// The lines joined, each ended by CR LF / by LF.
std::string CrLf(const Lines& arrLines);
std::string LfLines(const Lines& arrLines);
// The text split at CR LF; a last line without its end is kept too.
Lines SplitCrLf(const std::string& strText);
std::string Replaced(std::string str, const std::string& strFrom, const std::string& strTo);

// Three part numbers P1 to P3, one part group with one wire on a splice.
std::string MinimalCapH();

// A CAP-H file in a fresh temporary folder (its name holds a blank), an
// empty output folder "out" beside it, and an engine whose stored values
// point at both.
struct CRunFixture {
    explicit CRunFixture(const std::string& strCapHName = "harness.tst",
                         const std::string& strBytes = MinimalCapH());
    ~CRunFixture();
    bool Run() { return m_engine.RunConversion(m_strCapHPath); }
    std::string LogText() const;
    std::string Out(const std::string& strName) const { return (fs::path(m_strOutDir) / strName).string(); }
    Lines OutputNames() const; // sorted

    fs::path m_pathDir;
    std::string m_strCapHPath, m_strOutDir;
    CFakeFrontEnd m_ui;
    CConversionEngine m_engine{m_ui};
};

} // namespace pinweave

#endif // PINWEAVE_TESTS_SUPPORT_TESTSUPPORT_H
