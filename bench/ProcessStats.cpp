#include "ProcessStats.h"

#include <charconv>
#include <chrono>
#include <fstream>
#include <sstream>
#include <sys/resource.h>

namespace pinweave {

std::int64_t StatusFieldKb(std::string_view strStatus, std::string_view strField)
{
    std::size_t nLine = 0;
    while (nLine < strStatus.size()) {
        std::size_t nEnd = strStatus.find('\n', nLine);
        if (nEnd == std::string_view::npos) {
            nEnd = strStatus.size();
        }
        std::string_view strLine = strStatus.substr(nLine, nEnd - nLine);
        nLine = nEnd + 1;
        if (strLine.size() <= strField.size() || strLine.substr(0, strField.size()) != strField ||
            strLine[strField.size()] != ':') {
            continue;
        }
        strLine.remove_prefix(strField.size() + 1);
        const std::size_t nDigits = strLine.find_first_not_of(" \t");
        if (nDigits == std::string_view::npos) {
            return -1;
        }
        strLine.remove_prefix(nDigits);
        std::int64_t nValue = 0;
        const auto result = std::from_chars(strLine.data(), strLine.data() + strLine.size(), nValue);
        const std::string_view strUnit =
            strLine.substr(static_cast<std::size_t>(result.ptr - strLine.data()));
        if (result.ec != std::errc() || strUnit != " kB") {
            return -1;
        }
        return nValue;
    }
    return -1;
}

std::int64_t OwnStatusFieldKb(std::string_view strField)
{
    std::ifstream file("/proc/self/status");
    if (!file) {
        return -1;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return StatusFieldKb(text.str(), strField);
}

double NowSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double CpuSeconds()
{
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& tv) { return static_cast<double>(tv.tv_sec) + tv.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace pinweave
