// The generation date under the user's regional settings: local time, to the
// second, through an automation date rendered by the system for the user's
// default locale.
#include "pid/GenerationDate.h"

#include <windows.h>

#include <oleauto.h>

#include <time.h>

namespace pinweave {

namespace {

constexpr const char* kInvalidDateTime = "Invalid DateTime";
constexpr LCID kUserDefaultLocale = 1024; // LOCALE_USER_DEFAULT

} // namespace

std::string GenerationDateText(std::time_t tNow)
{
    const __time64_t t64 = tNow;
    struct tm tmLocal {};
    if (_localtime64_s(&tmLocal, &t64) != 0) {
        return kInvalidDateTime;
    }
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(tmLocal.tm_year + 1900);
    st.wMonth = static_cast<WORD>(tmLocal.tm_mon + 1);
    st.wDayOfWeek = static_cast<WORD>(tmLocal.tm_wday);
    st.wDay = static_cast<WORD>(tmLocal.tm_mday);
    st.wHour = static_cast<WORD>(tmLocal.tm_hour);
    st.wMinute = static_cast<WORD>(tmLocal.tm_min);
    st.wSecond = static_cast<WORD>(tmLocal.tm_sec);
    st.wMilliseconds = 0;
    DATE date = 0;
    if (!SystemTimeToVariantTime(&st, &date)) {
        return kInvalidDateTime;
    }
    BSTR bstrDate = nullptr;
    if (FAILED(VarBstrFromDate(date, kUserDefaultLocale, 0, &bstrDate)) || bstrDate == nullptr) {
        return kInvalidDateTime;
    }
    const int nWide = static_cast<int>(SysStringLen(bstrDate));
    const int nBytes = WideCharToMultiByte(CP_ACP, 0, bstrDate, nWide, nullptr, 0, nullptr, nullptr);
    std::string strDate(static_cast<std::size_t>(nBytes > 0 ? nBytes : 0), '\0');
    if (nBytes > 0) {
        WideCharToMultiByte(CP_ACP, 0, bstrDate, nWide, strDate.data(), nBytes, nullptr, nullptr);
    }
    SysFreeString(bstrDate);
    return strDate;
}

} // namespace pinweave
