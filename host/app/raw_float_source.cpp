#include "host/app/audio_source.h"

#include <bit>
#include <cerrno>
#include <cstddef>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// The stream's byte order is the machine's own on every target this host builds for.
static_assert(std::endian::native == std::endian::little, "raw input is read as little-endian floats");

constexpr std::size_t kFrameBytes = 2 * sizeof(float);

class RawFloatSource : public AudioSource {
public:
    explicit RawFloatSource(int fd) : fd(fd) {}
    ~RawFloatSource() override {
        for (const int end : wake) {
            if (end >= 0) {
                ::close(end);
            }
        }
    }

    bool CreateWakePipe() { return ::pipe2(wake, O_CLOEXEC) == 0; }

    // Blocks until the whole request is in, since a short answer means the end.
    // A trailing partial frame at the end of the input is dropped.
    int Read(float* frames, int frameCount) override {
        auto* bytes = reinterpret_cast<unsigned char*>(frames);
        const std::size_t wanted = static_cast<std::size_t>(frameCount) * kFrameBytes;
        std::size_t have = 0;
        while (!ended && have < wanted) {
            if (!WaitForInput()) {
                ended = true;
                break;
            }
            const ssize_t got = ::read(fd, bytes + have, wanted - have);
            if (got > 0) {
                have += static_cast<std::size_t>(got);
            } else if (got == 0 || errno != EINTR) {
                ended = true;
            }
        }
        return static_cast<int>(have / kFrameBytes);
    }

    // The producer may stall for good; the wake pipe lets a stop get through anyway.
    void Interrupt() override {
        const char byte = 0;
        while (::write(wake[1], &byte, 1) < 0 && errno == EINTR) {
        }
    }

private:
    // True when the input has data or has ended; false when interrupted
    // with nothing left to read at once.
    bool WaitForInput() {
        pollfd watched[2] = {{fd, POLLIN, 0}, {wake[0], POLLIN, 0}};
        while (::poll(watched, 2, -1) < 0) {
            if (errno != EINTR) {
                return false;
            }
        }
        return watched[0].revents != 0;
    }

    int fd;
    int wake[2] = {-1, -1};
    bool ended = false;
};

}  // namespace

OpenedAudioSource OpenRawFloatSource(int fd) {
    auto source = std::make_unique<RawFloatSource>(fd);
    if (!source->CreateWakePipe()) {
        return {nullptr, std::string("cannot prepare to read standard input: ") + std::strerror(errno)};
    }
    return {std::move(source), {}};
}
