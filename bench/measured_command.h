#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

// A program run to its end by the benchmarks, with the CPU time its whole
// process used (user and system, as the kernel accounts it at its end).
struct MeasuredCommand {
    bool succeeded = false;  // spawned, and exited with status 0 in time
    double cpuSeconds = 0;
};

// argv[0] is the program, looked up in PATH. Its standard output and error
// go to `log`, its standard input is /dev/null. Killed, by its pid, if it
// runs longer than `timeout`.
MeasuredCommand RunMeasured(const std::vector<std::string>& argv, const std::filesystem::path& log,
                            std::chrono::seconds timeout);
