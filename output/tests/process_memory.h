// The process's own memory figures from /proc/self/status, for tests that bound memory use.
#pragma once

#include <fstream>
#include <string>

namespace quorix {

// Under AddressSanitizer every allocation carries redzones and freed memory waits in a
// quarantine, so the process's resident memory says little about the program's own use:
// memory bounds are checked in builds without it.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryFiguresMeaningful = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kMemoryFiguresMeaningful = false;
#else
constexpr bool kMemoryFiguresMeaningful = true;
#endif
#else
constexpr bool kMemoryFiguresMeaningful = true;
#endif

struct ProcessMemory {
    long resident_kb = 0;  // VmRSS: resident now
    long peak_kb = 0;      // VmHWM: the most ever resident (since the last ResetPeak)

    static ProcessMemory Now() {
        ProcessMemory m;
        std::ifstream status("/proc/self/status");
        std::string key;
        long value = 0;
        while (status >> key) {
            if (key == "VmRSS:" && status >> value) m.resident_kb = value;
            if (key == "VmHWM:" && status >> value) m.peak_kb = value;
        }
        return m;
    }

    // Starts the peak afresh from what is resident now ("5" to clear_refs); where the kernel
    // does not allow it the peak stays the process's whole-life peak, which only ever
    // overstates a growth measured from it.
    static void ResetPeak() {
        std::ofstream clear("/proc/self/clear_refs");
        clear << "5";
    }
};

}  // namespace quorix
