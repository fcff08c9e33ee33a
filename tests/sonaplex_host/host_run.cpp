#include "host_run.h"

#include <sys/wait.h>

#include <fstream>
#include <iterator>
#include <thread>

#include "support/signal_analysis.h"

namespace skyflume::test {

namespace {

std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

template <class T>
void PutLittleEndian(std::ofstream& file, T value) {
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        file.put(static_cast<char>((static_cast<uint64_t>(value) >> (8 * i)) & 0xFF));
    }
}

}  // namespace

HostRun::HostRun(const std::filesystem::path& folder, std::vector<std::string> arguments, bool withModuleAndState)
    : outputPath(folder /
                 ("host-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + ".log")) {
    argv.push_back(SONAPLEX_HOST_PATH);
    if (withModuleAndState) {
        argv.insert(argv.end(), {"--module", SKYFLUME_MODULE_PATH, "--state", StatePath(folder).string()});
    }
    argv.insert(argv.end(), arguments.begin(), arguments.end());
}

bool HostRun::Start() {
    return process.Spawn(argv, outputPath.string());
}

std::string HostRun::Output() const {
    return ReadWholeFile(outputPath);
}

bool HostRun::WaitForOutput(const std::string& text, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (Output().find(text) != std::string::npos) {
            return true;
        }
        if (!process.Running()) {
            return Output().find(text) != std::string::npos;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

HostOutcome HostRun::Finish(std::chrono::milliseconds timeout) {
    HostOutcome outcome;
    const std::optional<int> status = process.WaitFor(timeout);
    if (!status) {
        process.Kill();
    } else if (WIFEXITED(*status)) {
        outcome.exited = true;
        outcome.exitStatus = WEXITSTATUS(*status);
    }
    outcome.output = Output();
    return outcome;
}

HostOutcome RunHost(const std::filesystem::path& folder, std::vector<std::string> arguments, bool withModuleAndState) {
    HostRun run(folder, std::move(arguments), withModuleAndState);
    if (!run.Start()) {
        return {};
    }
    return run.Finish();
}

void WriteToneWav(const std::filesystem::path& path, double frequency, int sampleRate, double seconds,
                  const std::string& artist, const std::string& title) {
    const std::vector<float> samples = Tone(frequency, sampleRate, seconds, 0.5);
    const auto dataBytes = static_cast<uint32_t>(samples.size() * sizeof(int16_t));
    // A RIFF INFO list: each text zero-terminated and padded to an even length.
    std::string info;
    for (const auto& [id, text] : {std::pair{"IART", artist}, std::pair{"INAM", title}}) {
        if (!text.empty()) {
            const std::string padded = text + std::string(text.size() % 2 == 0 ? 2 : 1, '\0');
            const auto size = static_cast<uint32_t>(text.size() + 1);
            info += id + std::string{static_cast<char>(size), static_cast<char>(size >> 8), '\0', '\0'} + padded;
        }
    }
    const auto listBytes = static_cast<uint32_t>(info.empty() ? 0 : 12 + info.size());
    std::ofstream file(path, std::ios::binary);
    file.write("RIFF", 4);
    PutLittleEndian<uint32_t>(file, 36 + listBytes + dataBytes);
    file.write("WAVEfmt ", 8);
    PutLittleEndian<uint32_t>(file, 16);
    PutLittleEndian<uint16_t>(file, 1);  // PCM
    PutLittleEndian<uint16_t>(file, 2);
    PutLittleEndian<uint32_t>(file, static_cast<uint32_t>(sampleRate));
    PutLittleEndian<uint32_t>(file, static_cast<uint32_t>(sampleRate) * 4);
    PutLittleEndian<uint16_t>(file, 4);
    PutLittleEndian<uint16_t>(file, 16);
    if (!info.empty()) {
        file.write("LIST", 4);
        PutLittleEndian<uint32_t>(file, static_cast<uint32_t>(4 + info.size()));
        file.write("INFO", 4);
        file.write(info.data(), static_cast<std::streamsize>(info.size()));
    }
    file.write("data", 4);
    PutLittleEndian<uint32_t>(file, dataBytes);
    for (const float sample : samples) {
        PutLittleEndian<int16_t>(file, static_cast<int16_t>(sample * 32767.0f));
    }
}

std::u16string StateText(const std::filesystem::path& stateFile, std::size_t offset, std::size_t units) {
    const std::string block = ReadWholeFile(stateFile);
    std::u16string text;
    for (std::size_t i = 0; i < units && offset + 2 * i + 1 < block.size(); ++i) {
        const auto unit = static_cast<char16_t>(static_cast<uint8_t>(block[offset + 2 * i]) |
                                                static_cast<uint8_t>(block[offset + 2 * i + 1]) << 8);
        if (unit == 0) {
            break;
        }
        text.push_back(unit);
    }
    return text;
}

}  // namespace skyflume::test
