#pragma once

#include <string>

#include "host/sonaplex_host/stream_health.h"

// The health view's two answers, made from one snapshot of the station.

// JSON: {"streams": [{"mount", "server", "state", "up", "on_air_seconds",
// "reconnects", "last_failure", "last_failure_reason", "listeners"}...],
// "input": {"playing", "peak_dbfs", "loudness_momentary_lufs",
// "loudness_shortterm_lufs", "true_peak_dbtp", "silent", "silences",
// "fallback_playing"}}; what is not known yet is null.
std::string StatusJson(const StationHealth& health);

// Prometheus' text exposition format: skyflume_stream_up,
// skyflume_stream_on_air_seconds_total, skyflume_stream_reconnects_total and
// skyflume_stream_listeners labelled by mount, and the input's
// skyflume_input_peak_dbfs, skyflume_input_loudness_momentary_lufs,
// skyflume_input_loudness_shortterm_lufs, skyflume_input_true_peak_dbtp,
// skyflume_input_silent, skyflume_input_silences_total and
// skyflume_input_fallback_playing.
std::string PrometheusMetrics(const StationHealth& health);
