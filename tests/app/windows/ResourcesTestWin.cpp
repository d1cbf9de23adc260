// The resources built into Pinweave.exe: the string table equals the message
// table byte for byte, the version block, the icon images, the manifest and
// the dialog templates.
#include "app/ResourceStringWin.h"
#include "common/MessageTable.h"
#include "resource.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace pinweave {
namespace {

class PinweaveExeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string strPath(32768, '\0');
        strPath.resize(GetModuleFileNameA(nullptr, strPath.data(), static_cast<DWORD>(strPath.size())));
        s_strExe = strPath.substr(0, strPath.find_last_of('\\')) + "\\Pinweave.exe";
        s_hExe = LoadLibraryExA(s_strExe.c_str(), nullptr,
                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    static void TearDownTestSuite()
    {
        if (s_hExe != nullptr) {
            FreeLibrary(s_hExe);
        }
    }

    // The raw bytes of one resource, empty when it is missing.
    static std::string Resource(LPCSTR pszName, LPCSTR pszType)
    {
        const HRSRC hInfo = FindResourceA(s_hExe, pszName, pszType);
        const HGLOBAL hData = hInfo != nullptr ? LoadResource(s_hExe, hInfo) : nullptr;
        if (hData == nullptr) {
            return std::string();
        }
        return std::string(static_cast<const char*>(LockResource(hData)), SizeofResource(s_hExe, hInfo));
    }

    static std::string s_strExe;
    static HMODULE s_hExe;
};

std::string PinweaveExeTest::s_strExe;
HMODULE PinweaveExeTest::s_hExe = nullptr;

struct CTableEntry {
    unsigned int m_nId;
    const char* m_pszText;
};

TEST_F(PinweaveExeTest, StringTableHoldsEveryMessageExactly)
{
    ASSERT_NE(s_hExe, nullptr) << s_strExe;
    const CTableEntry entries[] = {
#define PINWEAVE_TEST_ENTRY(symbol, number, text) {number, text},
        PINWEAVE_STRING_TABLE(PINWEAVE_TEST_ENTRY)
#undef PINWEAVE_TEST_ENTRY
    };
    for (const CTableEntry& entry : entries) {
        EXPECT_EQ(LoadResourceString(entry.m_nId, s_hExe), entry.m_pszText) << "string " << entry.m_nId;
        EXPECT_EQ(LoadResourceString(entry.m_nId, s_hExe), MessageText(static_cast<MessageId>(entry.m_nId)));
    }
    // Line ends survive windres as the very bytes the engine formats with.
    EXPECT_EQ(LoadResourceString(IDS_OUTPUT_EXISTS_PROMPT, s_hExe),
              "The following output file already exists:\r\n%s\r\nDo you wish to overwrite this file?");
    EXPECT_EQ(LoadResourceString(IDS_OUTPUT_EXISTS_ABORTED, s_hExe),
              "The output file '%s' already exists.\nConversion aborted.");
    EXPECT_EQ(LoadResourceString(103, s_hExe), "") << "no string outside the table";
}

TEST_F(PinweaveExeTest, VersionBlockNamesTheProgram)
{
    DWORD dwHandle = 0;
    const DWORD nSize = GetFileVersionInfoSizeA(s_strExe.c_str(), &dwHandle);
    ASSERT_GT(nSize, 0u);
    std::string strBlock(nSize, '\0');
    ASSERT_TRUE(GetFileVersionInfoA(s_strExe.c_str(), 0, nSize, strBlock.data()));

    VS_FIXEDFILEINFO* pFixed = nullptr;
    UINT nLength = 0;
    ASSERT_TRUE(VerQueryValueA(strBlock.data(), "\\", reinterpret_cast<void**>(&pFixed), &nLength));
    EXPECT_EQ(pFixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(pFixed->dwFileVersionLS, 0x00000002u);

    const struct {
        const char* m_pszKey;
        const char* m_pszValue;
    } strings[] = {{"FileDescription", "Cap-H to Korvane PID Conversion Utility"},
                   {"FileVersion", "1.0.0.2"},
                   {"OriginalFilename", "Pinweave.exe"}};
    for (const auto& s : strings) {
        char* pszValue = nullptr;
        const std::string strQuery = std::string("\\StringFileInfo\\040904b0\\") + s.m_pszKey;
        ASSERT_TRUE(
            VerQueryValueA(strBlock.data(), strQuery.c_str(), reinterpret_cast<void**>(&pszValue), &nLength))
            << s.m_pszKey;
        EXPECT_STREQ(pszValue, s.m_pszValue);
    }
}

TEST_F(PinweaveExeTest, IconHasImagesFrom16To256Pixels)
{
    const std::string strGroup =
        Resource(MAKEINTRESOURCEA(IDI_PINWEAVE), MAKEINTRESOURCEA(14)); // RT_GROUP_ICON
    ASSERT_GE(strGroup.size(), 6u);
    const auto* pBytes = reinterpret_cast<const unsigned char*>(strGroup.data());
    const int nCount = pBytes[4] | (pBytes[5] << 8);
    ASSERT_EQ(strGroup.size(), 6u + 14u * static_cast<unsigned>(nCount));
    std::string strSizes;
    for (int i = 0; i < nCount; ++i) {
        strSizes += std::to_string(pBytes[6 + 14 * i]) + "x" + std::to_string(pBytes[7 + 14 * i]) + " ";
    }
    EXPECT_EQ(strSizes, "16x16 24x24 32x32 48x48 0x0 "); // 0 stands for 256
}

TEST_F(PinweaveExeTest, ManifestAsksForCommonControls6AndDpiAwareness)
{
    const std::string strManifest = Resource(MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)); // RT_MANIFEST
    EXPECT_NE(strManifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);
    for (const char* pszPart : {
             ">PerMonitorV2, PerMonitor</dpiAwareness>", ">true/pm</dpiAware>",
             "{e2011457-1546-43c5-a5fe-008deee3d3f0}", // Vista
             "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", // 7
             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", // 8
             "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", // 8.1
             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", // 10 and 11
         }) {
        EXPECT_NE(strManifest.find(pszPart), std::string::npos) << pszPart;
    }
}

TEST_F(PinweaveExeTest, DialogTemplatesExist)
{
    for (const int nId : {IDD_PINWEAVE_DIALOG, IDD_ABOUTBOX, IDD_OUTPUT_EXISTS}) {
        EXPECT_FALSE(Resource(MAKEINTRESOURCEA(nId), MAKEINTRESOURCEA(5)).empty())
            << "dialog " << nId; // RT_DIALOG
    }
}

} // namespace
} // namespace pinweave
