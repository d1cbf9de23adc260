// Replays a fuzz target's seed corpus and named regression inputs as ordinary
// tests, in every build: one test per file. The target's own checks abort on
// a broken promise, and the sanitizer builds catch memory faults.
//
// Built once per target with PINWEAVE_FUZZ_TARGET ("parse", "scan",
// "convert") and PINWEAVE_FUZZ_DIR (the fuzz folder of the source tree).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> ReplayInputs()
{
    std::vector<fs::path> lstInputs;
    for (const char* pszKind : {"corpus", "regressions"}) {
        const fs::path folder = fs::path(PINWEAVE_FUZZ_DIR) / pszKind / PINWEAVE_FUZZ_TARGET;
        std::error_code ec;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
            if (entry.is_regular_file() && entry.path().filename().string().front() != '.') {
                lstInputs.push_back(entry.path());
            }
        }
    }
    std::sort(lstInputs.begin(), lstInputs.end());
    return lstInputs;
}

class FuzzReplay : public ::testing::TestWithParam<fs::path> {};

TEST_P(FuzzReplay, InputKeepsEveryPromise)
{
    std::ifstream file(GetParam(), std::ios::binary);
    ASSERT_TRUE(file) << GetParam();
    const std::string strBytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(strBytes.data()), strBytes.size()),
              0);
}

TEST(FuzzReplayInputs, SeedCorpusIsThere)
{
    EXPECT_FALSE(ReplayInputs().empty());
}

std::string TestName(const ::testing::TestParamInfo<fs::path>& info)
{
    std::string strName =
        info.param.parent_path().parent_path().filename().string() + "_" + info.param.filename().string();
    std::replace_if(
        strName.begin(), strName.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); },
        '_');
    return strName;
}

INSTANTIATE_TEST_SUITE_P(Inputs, FuzzReplay, ::testing::ValuesIn(ReplayInputs()), TestName);

} // namespace
