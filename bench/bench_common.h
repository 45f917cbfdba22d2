// What the benchmark programs share: seconds between two moments, and the kernel's count of this
// process's resident memory.
#pragma once

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>

namespace brisolt::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

// A field of /proc/self/status in kilobytes ("VmHWM" the peak, "VmRSS" the present); 0 where
// there is none. The peak belongs to the address space, which exec replaces.
inline long StatusKilobytes(const char* field) {
  const std::string prefix = std::string(field) + ":";
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(prefix, 0) == 0) {
      return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
    }
  }
  return 0;
}

inline long PeakKilobytes() { return StatusKilobytes("VmHWM"); }
inline long CurrentKilobytes() { return StatusKilobytes("VmRSS"); }

}  // namespace brisolt::bench
