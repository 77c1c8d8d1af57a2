// SPDX-FileCopyrightText: 2026 Lemzor developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the kernel and the allocator say about a process's memory, for the
// memory checks of the tests and the benchmarks.

#include <fstream>
#include <malloc.h>
#include <string>

namespace process_memory {

// A field of /proc/PID/status given in KiB, such as "VmRSS:"; -1 if absent.
inline long statusKiB(const std::string& field, const std::string& pid = "self") {
    std::ifstream status("/proc/" + pid + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field, 0) == 0) {
            return std::stol(line.substr(field.size()));
        }
    }
    return -1;
}

// Heap bytes in use: what the program holds, whatever the allocator keeps in reserve.
inline long heapInUseKiB() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long>((info.uordblks + info.hblkhd) / 1024);
}

} // namespace process_memory
