#include "host/app/audio_source.h"

#include <charconv>
#include <filesystem>
#include <system_error>

namespace {

constexpr std::string_view kTonePrefix = "tone:";

}  // namespace

OpenedAudioSource OpenAudioSource(std::string_view input, int sampleRate, bool loop) {
    if (sampleRate <= 0) {
        return {nullptr, "the host rate must be positive, not " + std::to_string(sampleRate)};
    }
    if (input == "-") {
        return OpenRawFloatSource(0);
    }
    if (input.starts_with(kTonePrefix)) {
        const std::string_view number = input.substr(kTonePrefix.size());
        double frequency = 0.0;
        const auto [end, status] = std::from_chars(number.data(), number.data() + number.size(), frequency);
        if (status != std::errc() || end != number.data() + number.size()) {
            return {nullptr, "'" + std::string(input) + "' is not a tone: write tone:HZ, for example tone:440"};
        }
        return OpenToneSource(frequency, sampleRate);
    }
    const std::size_t colon = input.find(':');
    std::error_code ignored;
    if (colon != std::string_view::npos && IsInputDevice(input.substr(0, colon)) &&
        !std::filesystem::exists(std::filesystem::path(input), ignored)) {
        return OpenAudioDevice(std::string(input.substr(0, colon)), std::string(input.substr(colon + 1)), sampleRate);
    }
    return OpenAudioFile(std::string(input), sampleRate, loop);
}
