// The pieces the benchmark's figures rest on: reading memory fields, reading
// a child's fields, running a child, and the linearity rule.
#include "BenchTable.h"
#include "ChildProcess.h"
#include "ProcessStats.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace pinweave {
namespace {

TEST(ProcessStats, ReadsStatusFields)
{
    const std::string strStatus = "Name:\tpinweave_bench\n"
                                  "VmPeak:\t  120340 kB\n"
                                  "VmHWMX:\t 1 kB\n"
                                  "VmHWM:\t   98765 kB\n"
                                  "VmRSS:\t    4321 kB\n"
                                  "RssAnon:\t    999 kB\n"
                                  "VmBad:\t  12 MB\n"
                                  "VmNone:\t\n"
                                  "Threads:\t1";
    const struct {
        const char* pszField;
        std::int64_t nKb;
    } cases[] = {
        {"VmHWM", 98765}, {"VmRSS", 4321}, {"RssAnon", 999}, {"VmPeak", 120340}, {"Rss", -1},
        {"VmBad", -1},    {"VmNone", -1},  {"Threads", -1},  {"VmSwap", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StatusFieldKb(strStatus, c.pszField), c.nKb) << c.pszField;
    }
    EXPECT_GT(OwnStatusFieldKb("VmRSS"), 0);
}

TEST(ChildProcess, ParsesFields)
{
    const struct {
        const char* pszText;
        std::map<std::string, double> expected;
    } cases[] = {
        {"read_s=0.25 bytes=1000\n", {{"read_s", 0.25}, {"bytes", 1000}}},
        {"  a=1\tb=-2.5\r\nc=3e2", {{"a", 1}, {"b", -2.5}, {"c", 300}}},
        {"empty= =4 word plain=abc x=1=2", {}},
        {"k=1 k=2", {{"k", 2}}},
        {"", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseFields(c.pszText), c.expected) << c.pszText;
    }
}

TEST(ChildProcess, CollectsOutputExitCodeAndMemory)
{
    CChildResult result;
    std::string strError;
    ASSERT_TRUE(RunChild("/bin/sh", {"-c", "echo peak_kb=12; echo more; exit 3"}, result, strError))
        << strError;
    EXPECT_EQ(result.m_nExitCode, 3);
    EXPECT_EQ(result.m_strOutput, "peak_kb=12\nmore\n");
    EXPECT_GT(result.m_nMaxRssKb, 0);

    ASSERT_TRUE(RunChild("/bin/sh", {"-c", "kill -9 $$"}, result, strError));
    EXPECT_EQ(result.m_nExitCode, -1);

    EXPECT_FALSE(RunChild("/nonexistent/program", {}, result, strError));
    EXPECT_NE(strError.find("/nonexistent/program"), std::string::npos);
}

TEST(BenchTable, JudgesGrowthAtMostLinear)
{
    const struct {
        double dTimeA, dTimeB, dWorkA, dWorkB;
        bool bLinear;
    } cases[] = {
        {1, 10, 10, 100, true},    {1, 11.9, 10, 100, true}, {1, 8.1, 10, 100, true},
        {1, 12.5, 10, 100, false}, {1, 7.5, 10, 100, true},  {2, 4, 1, 2, true},
        {1, 2.5, 1, 2, false},     {0, 4, 1, 2, false},      {1, 4, 0, 2, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GrowsAtMostLinearly(c.dTimeA, c.dTimeB, c.dWorkA, c.dWorkB), c.bLinear)
            << c.dTimeA << " " << c.dTimeB << " " << c.dWorkA << " " << c.dWorkB;
    }
}

TEST(BenchTable, FindsTheRowOfACase)
{
    std::vector<CBenchRow> lstRows(3);
    lstRows[0] = {"scan", 10000060, 40, 0, 0, 0.004, 0.03, 0.03, 1000};
    lstRows[1] = {"convert", 10000060, 40, 5000000, 40, 0.01, 0.05, 0.05, 1000};
    lstRows[2] = {"convert", 20000100, 80, 9000000, 80, 0.02, 0.09, 0.09, 1000};
    EXPECT_EQ(RowSeconds(lstRows, "scan", 10000000), 0.03);
    EXPECT_EQ(RowSeconds(lstRows, "convert", 10000000), 0.05);
    EXPECT_EQ(RowSeconds(lstRows, "convert", 20000000, 80), 0.09);
    EXPECT_EQ(RowSeconds(lstRows, "convert", 20000000, 40), 0.0);
    EXPECT_EQ(RowSeconds(lstRows, "scan", 100000000), 0.0);
    const std::string strTable = FormatBenchTable(lstRows);
    EXPECT_EQ(std::count(strTable.begin(), strTable.end(), '\n'), 4);
}

} // namespace
} // namespace pinweave
