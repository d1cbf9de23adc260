// Reading a CAP-H file joins its CR LF pairs into LF exactly as the section
// scan would, from a small file or a large one.
#include "pid/CapHFile.h"
#include "caph/CrLfJoiner.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace pinweave {
namespace {

// The joining rule, written plainly.
std::string Joined(const std::string& strText)
{
    std::string strOut;
    for (std::size_t i = 0; i < strText.size(); ++i) {
        if (!(strText[i] == '\r' && i + 1 < strText.size() && strText[i + 1] == '\n')) {
            strOut += strText[i];
        }
    }
    return strOut;
}

TEST(CrLfJoinerTest, JoinsOnlyCrLfPairs)
{
    const std::string kTexts[] = {
        "",
        "\r",
        "\n",
        "\r\n",
        "\r\r\n",
        "\r\n\r",
        "a\rb\r\nc\n\rd",
        "\r\n\r\n\r\n",
        "x\r",
        "\r\r\r\n\n",
        "[HEADER]\r\nNAME=1\r\n[ENDHEADER]\r\n",
    };
    for (const std::string& strText : kTexts) {
        std::string strBuffer = "##" + strText; // the text starts inside the buffer
        const std::size_t nJoinedEnd = JoinCrLf(strBuffer.data(), 2, strBuffer.size());
        EXPECT_EQ(strBuffer.substr(2, nJoinedEnd - 2), Joined(strText));
        EXPECT_EQ(strBuffer.substr(0, 2), "##");
    }
}

class CapHFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() /
                (std::string("pinweave-caphfile-") +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string ReadThrough(const std::string& strPath)
    {
        CCapHFile file;
        CFileBytes bytes;
        std::string strError;
        EFileKind kind = EFileKind::RegularFile;
        EXPECT_TRUE(file.Open(strPath, strError, kind)) << strError;
        EXPECT_TRUE(file.ReadAll(bytes, strError)) << strError;
        EXPECT_EQ(bytes.data()[bytes.size()], '\0') << "a NUL follows the bytes";
        return std::string(bytes.data(), bytes.size());
    }

    std::filesystem::path m_dir;
};

// A large file with CR LF pairs across every 4 MiB border.
TEST_F(CapHFileTest, LargeFileIsJoinedAcrossEveryPieceBorder)
{
    std::string strText;
    constexpr std::size_t kPiece = std::size_t(4) << 20;
    while (strText.size() < 3 * kPiece + 100) {
        strText += "      NAME=W" + std::to_string(strText.size()) + "\r\n";
        if (strText.size() % 7 == 0) {
            strText += "\r"; // a CR of its own
        }
    }
    for (const std::size_t nBorder : {kPiece, 2 * kPiece, 3 * kPiece}) {
        strText.replace(nBorder - 1, 2, "\r\n"); // a pair across the border
    }
    const std::string strPath = (m_dir / "large.tst").string();
    std::ofstream(strPath, std::ios::binary) << strText;
    EXPECT_EQ(ReadThrough(strPath), Joined(strText));
}

} // namespace
} // namespace pinweave
