#include "app/PendingResults.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace pinweave {
namespace {

// A run's lines added on one thread while another takes them now and then
// arrive whole, once each and in order.
TEST(PendingResultsTest, LinesFromAnotherThreadArriveInOrderOnce)
{
    CPendingResults pending;
    constexpr int kLines = 20000;
    std::string strExpected;
    for (int i = 0; i < kLines; ++i) {
        strExpected += "line " + std::to_string(i) + "\r\n";
    }
    std::thread run([&] {
        for (int i = 0; i < kLines; ++i) {
            pending.Add("line " + std::to_string(i) + "\r\n");
        }
    });
    std::string strTaken;
    while (strTaken.size() < strExpected.size()) {
        strTaken += pending.Take();
    }
    run.join();
    EXPECT_EQ(strTaken, strExpected);
    EXPECT_EQ(pending.Take(), "");
}

} // namespace
} // namespace pinweave
