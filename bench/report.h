#pragma once

#include <filesystem>
#include <string>

#include "bench_results.h"

// Writes BENCHMARKS.md: every goal's figure against its target, then each
// benchmark's figures and how they were taken. `picture` is where the call
// time picture is, relative to the file. Answers an error text, empty on
// success.
std::string WriteReport(const BenchResults& results, const std::filesystem::path& markdown, const std::string& picture);

// The audio thread's section alone, without the picture.
std::string AudioThreadSummary(const BenchResults& results);
