// The generation date as the system renders it for the user's locale (en-US
// and UTC in the test session, whose environment pins both).
#include "pid/GenerationDate.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

namespace pinweave {
namespace {

TEST(GenerationDateTest, RendersLocalTimeThroughTheUserLocale)
{
    const struct {
        std::time_t m_t;
        const char* m_pszText;
    } cases[] = {
        {1796652309, "12/7/2026 2:05:09 PM"},
        {1109672142, "3/1/2005 10:15:42 AM"},
        {946728000, "1/1/2000 12:00:00 PM"},
        {946727999, "1/1/2000 11:59:59 AM"},
        {946684801, "1/1/2000 12:00:01 AM"},
        // Exactly midnight: the system's rendering of a date without a time
        // of day leaves the time out.
        {946684800, "1/1/2000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GenerationDateText(c.m_t), c.m_pszText) << c.m_t;
    }
}

TEST(GenerationDateTest, TimesLocalTimeCannotRepresentAreInvalid)
{
    for (const std::time_t t : {static_cast<std::time_t>(-1), static_cast<std::time_t>(33000000000LL)}) {
        EXPECT_EQ(GenerationDateText(t), "Invalid DateTime") << t;
    }
}

} // namespace
} // namespace pinweave
