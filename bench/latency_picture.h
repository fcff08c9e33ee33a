#pragma once

#include <filesystem>
#include <string>

#include "call_times.h"

// Draws, for each phase, the share of OnAudio calls that took longer than a
// given time, on logarithmic axes, into a PNG file with cairo. Answers an
// error text, empty on success.
std::string DrawCallTimes(const CallTimeResults& results, const std::filesystem::path& png);
