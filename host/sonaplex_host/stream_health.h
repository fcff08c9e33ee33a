#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What a monitor is told about one stream.
struct StreamHealth {
    std::string mount;
    std::string server;  // HOST:PORT
    std::string state;   // the status text, "Status: streaming..." and so on
    bool up = false;
    double onAirSeconds = 0;  // all the time it streamed
    int reconnects = 0;       // Stream clicked again after a failure
    std::string lastFailure;  // the status text it failed with; empty if none
    std::string lastExplanation;
    std::optional<int> listeners;  // none while the server has not said
};

// What a monitor is told about the station: every stream and the input.
struct StationHealth {
    std::vector<StreamHealth> streams;
    std::string playing;             // the title of what plays; empty if untitled
    std::optional<double> peakDbfs;  // the last second's peak; none before the first
    // The input's loudness; none until measured.
    std::optional<double> momentaryLufs;
    std::optional<double> shortTermLufs;
    std::optional<double> truePeakDbtp;
    bool silent = false;   // the input counts as silent
    int64_t silences = 0;  // times it fell silent
    bool fallbackPlaying = false;
};
