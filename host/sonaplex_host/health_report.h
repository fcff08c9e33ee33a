#pragma once

#include <string>

#include "host/sonaplex_host/stream_health.h"

// The health view's two answers, made from one snapshot of the station.

// JSON: {"streams": [{"mount", "server", "state", "up", "on_air_seconds",
// "reconnects", "last_failure", "last_failure_reason", "listeners"}...],
// "input": {"playing", "peak_dbfs"}}; what is not known yet is null.
std::string StatusJson(const StationHealth& health);

// Prometheus' text exposition format: skyflume_stream_up,
// skyflume_stream_on_air_seconds_total, skyflume_stream_reconnects_total and
// skyflume_stream_listeners labelled by mount, and skyflume_input_peak_dbfs.
std::string PrometheusMetrics(const StationHealth& health);
