// Memory figures of the running process, from /proc/self/status (Linux).
#ifndef PINWEAVE_BENCH_PROCESSSTATS_H
#define PINWEAVE_BENCH_PROCESSSTATS_H

#include <cstdint>
#include <string>
#include <string_view>

namespace pinweave {

// The value in kB of one field ("VmHWM", "VmRSS") of a status text; -1 when
// the field is absent or malformed.
std::int64_t StatusFieldKb(std::string_view strStatus, std::string_view strField);

// The same field of this process now; -1 when /proc cannot be read.
std::int64_t OwnStatusFieldKb(std::string_view strField);

// Seconds on a steady clock, for differences only.
double NowSeconds();

// The processor time (user and system) this process has used, in seconds.
double CpuSeconds();

} // namespace pinweave

#endif // PINWEAVE_BENCH_PROCESSSTATS_H
