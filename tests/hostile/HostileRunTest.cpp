// Every hostile kind, scaled down to a few megabytes, converted by the real
// program: it must end as the case says, without a crash, and within the
// case's memory bound. `make stress` runs the same cases at full size.
#include "HostileRun.h"

#include "FaultSupport.h"

#include <gtest/gtest.h>

#include <ostream>

namespace pinweave::test {

// Test names carry the case name; print no bytes of the case.
void PrintTo(const HostileCase& hostileCase, std::ostream* pStream)
{
    *pStream << hostileCase.pszName;
}

namespace {

class HostileRunTest : public testing::TestWithParam<HostileCase> {
protected:
    static void SetUpTestSuite()
    {
        s_pTemp = new CTempFolder;
        s_nIdlePeak = IdlePeakBytes(PINWEAVE_PROGRAM, s_pTemp->Path());
    }
    static void TearDownTestSuite()
    {
        delete s_pTemp;
        s_pTemp = nullptr;
    }

    static CTempFolder* s_pTemp;
    static std::uint64_t s_nIdlePeak;
};

CTempFolder* HostileRunTest::s_pTemp = nullptr;
std::uint64_t HostileRunTest::s_nIdlePeak = 0;

TEST_P(HostileRunTest, EndsAsExpectedInBoundedMemory)
{
    const HostileCase& c = GetParam();
    const HostileOutcome outcome =
        RunHostileCase(c, c.nTestScale, PINWEAVE_PROGRAM, s_pTemp->Path(), s_nIdlePeak);
    EXPECT_EQ(0, outcome.nSignal);
    EXPECT_EQ(c.bCompletes ? 0 : 1, outcome.nStatus) << outcome.strErr;
    EXPECT_EQ(c.pszLastLine, outcome.strLastLine);
    if (PeakMemoryIsMeaningful()) {
        const double dAllowed = c.dMaxMultiple * static_cast<double>(outcome.nInputBytes);
        EXPECT_LE(outcome.nPeakBytes, s_nIdlePeak + static_cast<std::uint64_t>(dAllowed))
            << "input " << outcome.nInputBytes << " bytes, idle peak " << s_nIdlePeak;
    }
    EXPECT_TRUE(outcome.bAsExpected);
}

INSTANTIATE_TEST_SUITE_P(Hostile, HostileRunTest,
                         testing::ValuesIn(kHostileCases, kHostileCases + kHostileCaseCount),
                         [](const auto& testInfo) { return std::string(testInfo.param.pszName); });

} // namespace
} // namespace pinweave::test
