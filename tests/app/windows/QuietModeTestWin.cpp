// Quiet mode of Pinweave.exe end to end: one conversion without a window,
// progress in the log file beside the CAP-H file, the exit status, the
// message boxes that remain, and the saved settings left alone.
#include "CapHBuilder.h"
#include "GuiDriverWin.h"

#include "common/MessageTable.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <thread>

namespace pinweave::test {
namespace {

constexpr int kMessageBoxTextId = 0xFFFF;

class QuietModeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettings();
        const std::string strName = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_strWork = FreshWorkDir("quiet-" + std::regex_replace(strName, std::regex("[^A-Za-z0-9]"), "_"));
        m_strInDir = m_strWork + "\\in dir";
        m_strOutDir = m_strWork + "\\out dir";
        CreateDirectoryA(m_strInDir.c_str(), nullptr);
        CreateDirectoryA(m_strOutDir.c_str(), nullptr);
        m_strCapH = m_strInDir + "\\sample.tst";
        CopyFileTo(SourcePath("examples/sample.tst"), m_strCapH);
        m_strLog = m_strInDir + "\\sample.log";
    }
    void TearDown() override { DeleteSettings(); }

    // Runs Pinweave.exe with the arguments and returns its exit status.
    // Thousands of part numbers take their time under Wine: each file is
    // flushed to the disk before it is put in place.
    DWORD RunQuiet(const std::string& strArguments, DWORD dwTimeoutMs = 15000)
    {
        CAppProcess app;
        EXPECT_TRUE(app.Start(strArguments));
        const std::optional<DWORD> exitCode = app.WaitForExit(dwTimeoutMs);
        EXPECT_TRUE(exitCode.has_value()) << "the quiet run did not end";
        m_strStdErr = app.StdErr();
        return exitCode.value_or(99);
    }

    std::string m_strWork, m_strInDir, m_strOutDir, m_strCapH, m_strLog, m_strStdErr;
};

struct CSpelling {
    const char* m_pszName;
    const char* m_pszFormat; // %1 the CAP-H file, %2 the folder
};

class QuietSpellingTest : public QuietModeTest, public ::testing::WithParamInterface<CSpelling> {};

TEST_P(QuietSpellingTest, ConvertsTheFileWithoutAWindow)
{
    std::string strArguments = GetParam().m_pszFormat;
    strArguments.replace(strArguments.find("%1"), 2, Quoted(m_strCapH));
    strArguments.replace(strArguments.find("%2"), 2, Quoted(m_strOutDir));

    EXPECT_EQ(RunQuiet(strArguments), 0u);
    EXPECT_EQ(m_strStdErr, "");

    const std::string strLog = ReadFileBytes(m_strLog);
    const std::string strStart = FormatTableMessage(IDS_STARTING_CONVERSION, {m_strCapH}) + "\r\n" +
                                 FormatTableMessage(IDS_PART_NUMBERS_DETECTED, {"2"}) + "\r\n" +
                                 FormatTableMessage(IDS_PROCESSING_PART, {"PN-501"}) + "\r\n";
    EXPECT_EQ(strLog.substr(0, strStart.size()), strStart);
    EXPECT_NE(strLog.find(FormatTableMessage(IDS_PID_FILE_GENERATED, {"sample_1.pid"}) + "\r\nCompleted\r\n"),
              std::string::npos)
        << strLog;

    // The date line follows the user's regional settings (en-US in the session).
    const std::string strPid = ReadFileBytes(m_strOutDir + "\\sample.pid");
    const std::regex header("; Generated from CAP-H file:\r\n; (.*)\r\n; Date:  (.*)\r\n; Part #PN-501\r\n"
                            "\\[header\\]\r\n[\\s\\S]*");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(strPid, match, header)) << strPid.substr(0, 200);
    EXPECT_EQ(match[1].str(), m_strCapH);
    EXPECT_TRUE(
        std::regex_match(match[2].str(), std::regex("\\d{1,2}/\\d{1,2}/\\d{4} \\d{1,2}:\\d\\d:\\d\\d [AP]M")))
        << match[2].str();
    EXPECT_TRUE(FileExists(m_strOutDir + "\\sample_1.pid"));
    EXPECT_FALSE(LoadSetting("InputPath").has_value()) << "a quiet run must not save settings";
}

INSTANTIATE_TEST_SUITE_P(Flags, QuietSpellingTest,
                         ::testing::Values(CSpelling{"SlashUpper", "/Q %1 %2"},
                                           CSpelling{"DashLower", "-q %1 %2"},
                                           CSpelling{"FlagBetweenPaths", "%1 /q %2"},
                                           CSpelling{"WithOverwrite", "/Y -Q %1 %2"}),
                         [](const ::testing::TestParamInfo<CSpelling>& testCase) {
                             return std::string(testCase.param.m_pszName);
                         });

// Paths are single-byte text of the ANSI code page: a folder name with a
// letter above 0x7F reaches the files, the log and the PID file's comment
// line as that very byte.
TEST_F(QuietModeTest, AnsiLettersInPathsPassUnchanged)
{
    const std::string strInDir = m_strWork + "\\Kabelb\xE4ume";
    const std::string strOutDir = m_strWork + "\\Ausg\xE4nge";
    CreateDirectoryA(strInDir.c_str(), nullptr);
    CreateDirectoryA(strOutDir.c_str(), nullptr);
    const std::string strCapH = strInDir + "\\sample.tst";
    CopyFileTo(SourcePath("examples/sample.tst"), strCapH);

    EXPECT_EQ(RunQuiet("/Q " + Quoted(strCapH) + " " + Quoted(strOutDir)), 0u);
    EXPECT_EQ(m_strStdErr, "");
    const std::string strPid = ReadFileBytes(strOutDir + "\\sample.pid");
    const std::string strComment = "; Generated from CAP-H file:\r\n; " + strCapH + "\r\n";
    EXPECT_EQ(strPid.substr(0, strComment.size()), strComment);
    const std::string strLog = ReadFileBytes(strInDir + "\\sample.log");
    EXPECT_EQ(strLog.rfind(FormatTableMessage(IDS_STARTING_CONVERSION, {strCapH}), 0), 0u) << strLog;
    EXPECT_NE(strLog.find("Completed\r\n"), std::string::npos) << strLog;
}

TEST_F(QuietModeTest, ExistingOutputStopsTheRunWithoutY)
{
    ASSERT_EQ(RunQuiet("/Q " + Quoted(m_strCapH) + " " + Quoted(m_strOutDir)), 0u);
    const std::string strFirstPid = ReadFileBytes(m_strOutDir + "\\sample.pid");
    const std::string strFirstLog = ReadFileBytes(m_strLog);

    EXPECT_EQ(RunQuiet("/Q " + Quoted(m_strCapH) + " " + Quoted(m_strOutDir)), 1u);
    // Four more lines: 104, 107, then 111 split at its "\n".
    EXPECT_EQ(ReadFileBytes(m_strLog),
              strFirstLog + FormatTableMessage(IDS_STARTING_CONVERSION, {m_strCapH}) +
                  "\r\n2 Part Number(s) detected.\r\n"
                  "The output file 'sample.pid' already exists.\r\nConversion aborted.\r\n");
    EXPECT_EQ(ReadFileBytes(m_strOutDir + "\\sample.pid"), strFirstPid);
}

// A stopped run leaves the folder as it was: the file before the existing
// one is not created, and no temporary is left.
TEST_F(QuietModeTest, StoppedRunChangesNoFile)
{
    WriteFileBytes(m_strOutDir + "\\sample_1.pid", "old");
    EXPECT_EQ(RunQuiet("/Q " + Quoted(m_strCapH) + " " + Quoted(m_strOutDir)), 1u);
    EXPECT_EQ(NamesIn(m_strOutDir), std::vector<std::string>{"sample_1.pid"});
    EXPECT_EQ(ReadFileBytes(m_strOutDir + "\\sample_1.pid"), "old");
    const std::string strLog = ReadFileBytes(m_strLog);
    EXPECT_EQ(strLog.substr(strLog.size() - 29), "No output file was changed.\r\n") << strLog;
}

// A PID file held open by another program cannot be replaced: the run puts
// the other file back as it was (here: not there) and says so instead of
// "Completed".
TEST_F(QuietModeTest, FileHeldOpenStopsTheRunWithNothingChanged)
{
    WriteFileBytes(m_strOutDir + "\\sample.pid", "old");
    const HANDLE hHeld = CreateFileA((m_strOutDir + "\\sample.pid").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(hHeld, INVALID_HANDLE_VALUE);
    EXPECT_EQ(RunQuiet("/Q /Y " + Quoted(m_strCapH) + " " + Quoted(m_strOutDir)), 1u);
    CloseHandle(hHeld);
    EXPECT_EQ(ReadFileBytes(m_strOutDir + "\\sample.pid"), "old");
    EXPECT_EQ(NamesIn(m_strOutDir), std::vector<std::string>{"sample.pid"}) << "no temporary, no backup";
    const std::string strLog = ReadFileBytes(m_strLog);
    EXPECT_NE(strLog.find("Cannot keep a backup of output file '" + m_strOutDir +
                          "\\sample.pid' while the files are put in place: "),
              std::string::npos)
        << strLog;
    EXPECT_EQ(strLog.substr(strLog.size() - 29), "No output file was changed.\r\n") << strLog;
}

// A name that appears after the run checked it is never replaced without
// consent: the run stops, and the newcomer keeps its bytes.
TEST_F(QuietModeTest, NameAppearingDuringTheRunIsNotReplaced)
{
    WriteFileBytes(m_strCapH, CCapHBuilder().PartNumbers(2000).Text());
    // Made once the run has checked the last name and made its temporary,
    // before the files are written, synced and put in place.
    std::thread appear([this] {
        for (int i = 0; i < 200000 && NamesIn(m_strOutDir, "sample_1999.pid.pinweave-*").empty(); ++i) {
            Sleep(0);
        }
        WriteFileBytes(m_strOutDir + "\\sample_1999.pid", "appeared");
    });
    EXPECT_EQ(RunQuiet("/Q " + Quoted(m_strCapH) + " " + Quoted(m_strOutDir), 90000), 1u);
    appear.join();
    EXPECT_EQ(NamesIn(m_strOutDir), std::vector<std::string>{"sample_1999.pid"});
    EXPECT_EQ(ReadFileBytes(m_strOutDir + "\\sample_1999.pid"), "appeared");
    const std::string strLog = ReadFileBytes(m_strLog);
    EXPECT_EQ(strLog.substr(strLog.size() - 29), "No output file was changed.\r\n") << strLog;
}

// Far more part numbers than the C runtime has streams: a run keeps one
// output file open at a time.
TEST_F(QuietModeTest, ThousandsOfPartNumbers)
{
    constexpr int kParts = 2500;
    CCapHBuilder capH;
    capH.PartNumbers(kParts);
    for (int i = 0; i < kParts; ++i) {
        capH.Group({{"W1", "", "", "", "", "S1", "S1"}});
    }
    WriteFileBytes(m_strCapH, capH.Text());
    EXPECT_EQ(RunQuiet("/Q " + Quoted(m_strCapH) + " " + Quoted(m_strOutDir), 90000), 0u) << m_strStdErr;
    EXPECT_EQ(NamesIn(m_strOutDir, "*.pid").size(), static_cast<std::size_t>(kParts));
    EXPECT_TRUE(NamesIn(m_strOutDir, "*.tmp").empty());
    EXPECT_NE(ReadFileBytes(m_strOutDir + "\\sample_2499.pid").find("1 W1\r\n1 W1\r\n"), std::string::npos);
}

TEST_F(QuietModeTest, OverwriteFlagReplacesExistingOutput)
{
    WriteFileBytes(m_strOutDir + "\\sample.pid", "old");
    WriteFileBytes(m_strOutDir + "\\sample_1.pid", "old");
    EXPECT_EQ(RunQuiet("/Q /Y " + Quoted(m_strCapH) + " " + Quoted(m_strOutDir)), 0u);
    EXPECT_EQ(ReadFileBytes(m_strOutDir + "\\sample.pid").rfind("; Generated from CAP-H file:", 0), 0u);
    EXPECT_EQ(ReadFileBytes(m_strOutDir + "\\sample_1.pid").rfind("; Generated from CAP-H file:", 0), 0u);
}

TEST_F(QuietModeTest, InvalidFolderRaisesMessageBoxAndStderr)
{
    const std::string strMissing = m_strWork + "\\no such folder";
    const std::string strExpected = FormatTableMessage(IDS_INVALID_OUTPUT_FOLDER, {strMissing});

    CAppProcess app;
    ASSERT_TRUE(app.Start("/Q " + Quoted(m_strCapH) + " " + Quoted(strMissing)));
    const HWND hBox = app.WaitForDialog("Pinweave");
    ASSERT_NE(hBox, nullptr) << "message box 114 did not appear";
    EXPECT_EQ(WindowText(Item(hBox, kMessageBoxTextId)), strExpected);
    EXPECT_FALSE(app.WaitForExit(200).has_value()) << "the box must block the run";
    PostCommand(hBox, IDOK);
    EXPECT_EQ(app.WaitForExit(), std::optional<DWORD>(1));
    EXPECT_EQ(app.StdErr(), strExpected + "\r\n");
    EXPECT_EQ(ReadFileBytes(m_strLog), FormatTableMessage(IDS_STARTING_CONVERSION, {m_strCapH}) +
                                           "\r\n2 Part Number(s) detected.\r\n" + strExpected + "\r\n");
}

TEST_F(QuietModeTest, FlagAsLastArgumentLeavesNoFolder)
{
    // "x.tst C:\out /Q": the folder becomes the CAP-H path, which cannot be
    // opened: the run ends at once, nothing is logged anywhere.
    EXPECT_EQ(RunQuiet(Quoted(m_strCapH) + " " + Quoted(m_strOutDir) + " /Q"), 1u);
    EXPECT_FALSE(FileExists(m_strLog));
    EXPECT_FALSE(FileExists(m_strWork + "\\out dir.log"));
    EXPECT_FALSE(FileExists(m_strOutDir + "\\sample.pid"));
    EXPECT_NE(m_strStdErr, "") << "the failure has no log line, so it goes to stderr";
}

// What quiet mode refuses at once, before a line is logged: NUL as the CAP-H
// file, or a log that is a hard link to a PID file. Exit status 1, the line
// on standard error, nothing written.
class QuietRefusalTest : public QuietModeTest, public ::testing::WithParamInterface<bool> {};

TEST_P(QuietRefusalTest, RefusedWithNothingWritten)
{
    const bool bLogLinked = GetParam();
    const std::string strPid = m_strOutDir + "\\sample.pid";
    WriteFileBytes(strPid, "old");
    ASSERT_TRUE(!bLogLinked || CreateHardLinkA(m_strLog.c_str(), strPid.c_str(), nullptr));
    EXPECT_EQ(RunQuiet("/Q /Y " + Quoted(bLogLinked ? m_strCapH : "NUL") + " " + Quoted(m_strOutDir)), 1u);
    EXPECT_EQ(m_strStdErr,
              bLogLinked ? "Cannot write log file '" + m_strLog + "': It is the output file '" + strPid +
                               "'. Conversion aborted.\r\nStarting conversion of '" + m_strCapH + "'\r\n"
                         : "Cannot open CAP-H file 'NUL': It is a character device, not a regular file\r\n");
    EXPECT_EQ(ReadFileBytes(strPid), "old");
    EXPECT_EQ(NamesIn(m_strOutDir), std::vector<std::string>{"sample.pid"});
    EXPECT_EQ(NamesIn(m_strInDir, "*.log").size(), bLogLinked ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Quiet, QuietRefusalTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& testCase) {
                             return std::string(testCase.param ? "LogHardLinkedToAPidFile" : "NulAsCapHFile");
                         });

// A file that is no CAP-H export (here a UTF-16 one, as an editor may save
// an export) stops the run with its one line in the log: exit status 1, no
// PID file, no message box.
TEST_F(QuietModeTest, FileWithoutSectionsIsRefused)
{
    std::string strUtf16 = "\xFF\xFE";
    for (const char c : ReadFileBytes(m_strCapH)) {
        strUtf16 += c;
        strUtf16 += '\0';
    }
    WriteFileBytes(m_strCapH, strUtf16);
    EXPECT_EQ(RunQuiet("/Q " + Quoted(m_strCapH) + " " + Quoted(m_strOutDir)), 1u);
    EXPECT_EQ(m_strStdErr, "");
    EXPECT_EQ(ReadFileBytes(m_strLog),
              FormatTableMessage(IDS_STARTING_CONVERSION, {m_strCapH}) + "\r\nThe file '" + m_strCapH +
                  "' is UTF-16 (Unicode) text; save it as single-byte (ANSI) text and "
                  "convert it again. Conversion aborted.\r\n");
    EXPECT_FALSE(FileExists(m_strOutDir + "\\sample.pid"));
}

TEST_F(QuietModeTest, SavedSettingsStayUntouched)
{
    StoreSetting("InputPath", REG_SZ, "C:\\saved\\in.tst");
    StoreSetting("OutputPath", REG_EXPAND_SZ, "%TEMP%");
    EXPECT_EQ(RunQuiet("/Q " + Quoted(m_strCapH) + " " + Quoted(m_strOutDir)), 0u);
    EXPECT_EQ(LoadSetting("InputPath"), (CStoredValue{REG_SZ, "C:\\saved\\in.tst"}));
    EXPECT_EQ(LoadSetting("OutputPath"), (CStoredValue{REG_EXPAND_SZ, "%TEMP%"}));
}

} // namespace
} // namespace pinweave::test
