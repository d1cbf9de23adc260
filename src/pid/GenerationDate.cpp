#include "pid/GenerationDate.h"

#include <clocale>
#include <cstring>
#include <vector>

namespace pinweave {

namespace {

constexpr const char* kInvalidDateTime = "Invalid DateTime";

// The "C" locale (and its UTF-8 variant) has no regional date form of its own;
// the tester's users expect the US one.
bool IsClassicTimeLocale()
{
    const char* pszLocale = std::setlocale(LC_TIME, nullptr);
    return pszLocale == nullptr || std::strcmp(pszLocale, "C") == 0 || std::strcmp(pszLocale, "POSIX") == 0 ||
           std::strncmp(pszLocale, "C.", 2) == 0;
}

std::string UsDateTime(const std::tm& tmLocal)
{
    const int nHour12 = tmLocal.tm_hour % 12 == 0 ? 12 : tmLocal.tm_hour % 12;
    auto twoDigits = [](int n) {
        return std::string(1, static_cast<char>('0' + n / 10)) + static_cast<char>('0' + n % 10);
    };
    return std::to_string(tmLocal.tm_mon + 1) + "/" + std::to_string(tmLocal.tm_mday) + "/" +
           std::to_string(tmLocal.tm_year + 1900) + " " + std::to_string(nHour12) + ":" +
           twoDigits(tmLocal.tm_min) + ":" + twoDigits(tmLocal.tm_sec) +
           (tmLocal.tm_hour < 12 ? " AM" : " PM");
}

std::string LocaleDateTime(const std::tm& tmLocal)
{
    // strftime reports 0 both for "too small" and for an empty result; grow a
    // few times, then give up as for an unconvertible time.
    for (std::size_t nSize = 64; nSize <= 4096; nSize *= 4) {
        std::vector<char> buffer(nSize);
        const std::size_t nLength = std::strftime(buffer.data(), buffer.size(), "%x %X", &tmLocal);
        if (nLength > 0) {
            return std::string(buffer.data(), nLength);
        }
    }
    return kInvalidDateTime;
}

} // namespace

std::string GenerationDateText(std::time_t tNow)
{
    std::tm tmLocal{};
    if (localtime_r(&tNow, &tmLocal) == nullptr) {
        return kInvalidDateTime;
    }
    return IsClassicTimeLocale() ? UsDateTime(tmLocal) : LocaleDateTime(tmLocal);
}

} // namespace pinweave
