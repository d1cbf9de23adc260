// Small pieces of the Windows shell: the Open dialog's filter and quiet
// mode's error console.
#include "app/ErrorConsoleWin.h"
#include "app/OpenFileDialogWin.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace pinweave {
namespace {

TEST(FileDialogFilterTest, BarsBecomeNulsAndTheListEndsWithTwo)
{
    using namespace std::string_literals;
    const struct {
        std::string m_strFilter;
        std::string m_strExpected;
    } cases[] = {
        {"Capital-H Export File (*.tst)|*.tst", "Capital-H Export File (*.tst)\0*.tst\0\0"s},
        {"A|*.a|B|*.b;*.c", "A\0*.a\0B\0*.b;*.c\0\0"s},
        {"", "\0\0"s},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileDialogFilter(c.m_strFilter), c.m_strExpected) << c.m_strFilter;
    }
}

TEST(ErrorConsoleTest, WritesLinesUnchangedToStandardError)
{
    char szTemp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof(szTemp), szTemp);
    const std::string strPath = std::string(szTemp) + "pinweave-stderr-test.txt";
    const HANDLE hFile = CreateFileA(strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
    const HANDLE hSaved = GetStdHandle(STD_ERROR_HANDLE);
    SetStdHandle(STD_ERROR_HANDLE, hFile);
    {
        CErrorConsoleWin console;
        EXPECT_TRUE(console.IsAvailable());
        console.WriteLine("The output file path 'x' is not a valid folder.");
        console.WriteLine("two\nlines\r\n");
        console.WriteLine("");
    }
    SetStdHandle(STD_ERROR_HANDLE, hSaved);
    CloseHandle(hFile);
    std::ifstream file(strPath, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    file.close();
    DeleteFileA(strPath.c_str());
    EXPECT_EQ(bytes.str(), "The output file path 'x' is not a valid folder.\r\ntwo\nlines\r\n\r\n\r\n");
}

} // namespace
} // namespace pinweave
