#include "host/app/state_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

namespace {

std::string ErrnoText(int error) {
    return std::generic_category().message(error);
}

// Closes the descriptor and removes the temporary file unless it has been renamed.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string pattern) : path(std::move(pattern)), fd(::mkstemp(path.data())) {}
    ~TemporaryFile() {
        Close();
        if (!renamed) {
            ::unlink(path.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool Created() const { return fd >= 0; }
    int Fd() const { return fd; }
    const std::string& Path() const { return path; }
    int Close() {
        const int result = fd >= 0 ? ::close(fd) : 0;
        fd = -1;
        return result;
    }
    void MarkRenamed() { renamed = true; }

private:
    std::string path;
    int fd;
    bool renamed = false;
};

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

// Makes the rename itself durable; failure here leaves a correct file, so it is not reported.
void SyncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

LoadedState LoadStateFile(const std::filesystem::path& path) {
    const std::string unreadable =
        "cannot read the state file " + path.string() + "; starting from the plug-in's defaults";
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        return {};
    }
    if (error || status.type() != std::filesystem::file_type::regular) {
        return {{}, unreadable};
    }
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> block((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!file.is_open() || file.bad()) {
        return {{}, unreadable};
    }
    if (block.size() != kPluginStateSize) {
        return {{},
                "the state file " + path.string() + " holds " + std::to_string(block.size()) + " bytes, not " +
                    std::to_string(kPluginStateSize) + "; starting from the plug-in's defaults"};
    }
    return {std::move(block), {}};
}

std::string SaveStateFile(const std::filesystem::path& path, std::span<const uint8_t> block) {
    if (block.size() != kPluginStateSize) {
        return "the plug-in handed out " + std::to_string(block.size()) + " bytes of state, not " +
               std::to_string(kPluginStateSize) + "; " + path.string() + " is left as it was";
    }
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    std::error_code folderError;
    std::filesystem::create_directories(folder, folderError);
    if (folderError) {
        return "cannot create the folder " + folder.string() + ": " + folderError.message();
    }

    // Beside the target, so that the rename stays within one file system.
    TemporaryFile temporary(path.string() + ".XXXXXX");
    if (!temporary.Created()) {
        return "cannot create a file beside " + path.string() + ": " + ErrnoText(errno);
    }
    if (!WriteAll(temporary.Fd(), block) || ::fsync(temporary.Fd()) != 0 || temporary.Close() != 0) {
        return "cannot write " + temporary.Path() + ": " + ErrnoText(errno) + "; " + path.string() +
               " is left as it was";
    }
    if (::rename(temporary.Path().c_str(), path.c_str()) != 0) {
        return "cannot replace " + path.string() + ": " + ErrnoText(errno);
    }
    temporary.MarkRenamed();
    SyncFolder(folder);
    return {};
}

std::filesystem::path DefaultStatePath() {
    std::filesystem::path base;
    const char* stateHome = std::getenv("XDG_STATE_HOME");
    if (stateHome != nullptr && std::filesystem::path(stateHome).is_absolute()) {
        base = stateHome;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || *home == '\0') {
            const passwd* user = ::getpwuid(::getuid());
            home = user != nullptr ? user->pw_dir : "/";
        }
        base = std::filesystem::path(home) / ".local" / "state";
    }
    return base / "sonaplex-host" / "skyflume.state";
}
