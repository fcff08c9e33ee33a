#include "host/sonaplex_host/health_report.h"

#include <cmath>
#include <cstdio>
#include <functional>

#include <nlohmann/json.hpp>

namespace {

// A value where JSON has none for what is unknown or not a number.
template <class T>
nlohmann::json OrNull(const std::optional<T>& value) {
    return value && std::isfinite(static_cast<double>(*value)) ? nlohmann::json(*value) : nlohmann::json();
}

nlohmann::json OrNull(const std::string& text) {
    return text.empty() ? nlohmann::json() : nlohmann::json(text);
}

// A label value with its backslashes, quotes and line ends escaped.
std::string LabelValue(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        escaped += c == '\\' ? "\\\\" : c == '"' ? "\\\"" : c == '\n' ? "\\n" : std::string(1, c);
    }
    return escaped;
}

std::string Number(double value) {
    if (std::isinf(value)) {
        return value < 0 ? "-Inf" : "+Inf";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

struct Family {
    const char* name;
    const char* type;
    const char* help;
    std::function<std::optional<double>(const StreamHealth&)> value;
};

}  // namespace

std::string StatusJson(const StationHealth& health) {
    nlohmann::json streams = nlohmann::json::array();
    for (const StreamHealth& stream : health.streams) {
        streams.push_back({{"mount", stream.mount},
                           {"server", stream.server},
                           {"state", stream.state},
                           {"up", stream.up},
                           {"on_air_seconds", stream.onAirSeconds},
                           {"reconnects", stream.reconnects},
                           {"last_failure", OrNull(stream.lastFailure)},
                           {"last_failure_reason", OrNull(stream.lastExplanation)},
                           {"listeners", OrNull(stream.listeners)}});
    }
    const nlohmann::json input = {{"playing", OrNull(health.playing)},
                                  {"peak_dbfs", OrNull(health.peakDbfs)},
                                  {"loudness_momentary_lufs", OrNull(health.momentaryLufs)},
                                  {"loudness_shortterm_lufs", OrNull(health.shortTermLufs)},
                                  {"true_peak_dbtp", OrNull(health.truePeakDbtp)},
                                  {"silent", health.silent},
                                  {"silences", health.silences},
                                  {"fallback_playing", health.fallbackPlaying}};
    const nlohmann::json status = {{"streams", streams}, {"input", input}};
    // A file name or tag need not be UTF-8: its stray bytes show as U+FFFD
    // rather than failing the whole answer.
    return status.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::string PrometheusMetrics(const StationHealth& health) {
    const Family families[] = {
        {"skyflume_stream_up", "gauge", "Whether the stream is on air.",
         [](const StreamHealth& stream) { return stream.up ? 1.0 : 0.0; }},
        {"skyflume_stream_on_air_seconds_total", "counter", "Seconds the stream has been on air.",
         [](const StreamHealth& stream) { return stream.onAirSeconds; }},
        {"skyflume_stream_reconnects_total", "counter", "Times the stream was started again after a failure.",
         [](const StreamHealth& stream) { return static_cast<double>(stream.reconnects); }},
        {"skyflume_stream_listeners", "gauge", "Listeners on the stream's mount, as the server counts them.",
         [](const StreamHealth& stream) {
             return stream.listeners ? std::optional<double>(*stream.listeners) : std::nullopt;
         }},
    };
    std::string text;
    for (const Family& family : families) {
        text += std::string("# HELP ") + family.name + " " + family.help + "\n# TYPE " + family.name + " " +
                family.type + "\n";
        for (const StreamHealth& stream : health.streams) {
            if (const std::optional<double> value = family.value(stream)) {
                text +=
                    std::string(family.name) + "{mount=\"" + LabelValue(stream.mount) + "\"} " + Number(*value) + "\n";
            }
        }
    }
    const struct {
        const char* name;
        const char* type;
        const char* help;
        std::optional<double> value;
    } inputFamilies[] = {
        {"skyflume_input_peak_dbfs", "gauge", "The input's peak level of the last second.", health.peakDbfs},
        {"skyflume_input_loudness_momentary_lufs", "gauge", "The input's momentary loudness (400 ms).",
         health.momentaryLufs},
        {"skyflume_input_loudness_shortterm_lufs", "gauge", "The input's short-term loudness (3 s).",
         health.shortTermLufs},
        {"skyflume_input_true_peak_dbtp", "gauge", "The input's true peak of the last second.", health.truePeakDbtp},
        {"skyflume_input_silent", "gauge", "Whether the input counts as silent.", health.silent ? 1.0 : 0.0},
        {"skyflume_input_silences_total", "counter", "Times the input fell silent.",
         static_cast<double>(health.silences)},
        {"skyflume_input_fallback_playing", "gauge", "Whether the fallback plays in place of the input.",
         health.fallbackPlaying ? 1.0 : 0.0},
    };
    for (const auto& family : inputFamilies) {
        text += std::string("# HELP ") + family.name + " " + family.help + "\n# TYPE " + family.name + " " +
                family.type + "\n";
        if (family.value) {
            text += std::string(family.name) + " " + Number(*family.value) + "\n";
        }
    }
    return text;
}
