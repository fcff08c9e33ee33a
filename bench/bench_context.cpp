#include "bench_context.h"

#include <sys/utsname.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <thread>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/avutil.h>
}

namespace {

struct PipeCloser {
    void operator()(FILE* pipe) const { pclose(pipe); }
};

// The first line that the command prints.
std::string FirstLine(const char* command) {
    const std::unique_ptr<FILE, PipeCloser> pipe(popen(command, "r"));
    std::array<char, 256> line{};
    if (!pipe || std::fgets(line.data(), static_cast<int>(line.size()), pipe.get()) == nullptr) {
        return "not found";
    }
    std::string text(line.data());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

std::string Processor() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);) {
        if (line.starts_with("model name")) {
            return line.substr(line.find(':') + 2);
        }
    }
    return "unknown";
}

}  // namespace

double LoadAverage() {
    double load = 0;
    std::ifstream("/proc/loadavg") >> load;
    return load;
}

BenchContext ReadContext() {
    BenchContext context;
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::array<char, 32> date{};
    std::strftime(date.data(), date.size(), "%Y-%m-%d %H:%M UTC", std::gmtime(&now));
    context.date = date.data();
    context.processor = Processor();
    context.cores = static_cast<int>(std::thread::hardware_concurrency());
    utsname system{};
    uname(&system);
    context.kernel = std::string(system.sysname) + " " + system.release;
    context.ffmpeg = FirstLine("ffmpeg -hide_banner -version 2>&1");
    context.lame = FirstLine("lame --version 2>&1");
    context.libraries = std::string("libavcodec ") + LIBAVCODEC_IDENT + " (FFmpeg " + av_version_info() + ")";
    context.loadBefore = LoadAverage();
    return context;
}
