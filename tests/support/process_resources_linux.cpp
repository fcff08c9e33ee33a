// Read from /proc/self.

#include "support/process_resources.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace skyflume::test {

ProcessResources CurrentProcessResources() {
    ProcessResources resources;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        ++resources.openHandles;
    }
    // The iterator's own descriptor was open while it counted.
    --resources.openHandles;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("Threads:")) {
            resources.threads = std::stoi(line.substr(8));
        } else if (line.starts_with("VmRSS:")) {
            resources.memoryKiB = std::stoll(line.substr(6));
        } else if (line.starts_with("VmHWM:")) {
            resources.peakResidentKiB = std::stoll(line.substr(6));
        }
    }
    return resources;
}

}  // namespace skyflume::test
