#include "host/app/audio_source.h"

#include <bit>
#include <cerrno>
#include <cstddef>
#include <cstring>

#include <unistd.h>

namespace {

// The stream's byte order is the machine's own on every target this host builds for.
static_assert(std::endian::native == std::endian::little, "raw input is read as little-endian floats");

constexpr std::size_t kFrameBytes = 2 * sizeof(float);

class RawFloatSource : public AudioSource {
public:
    explicit RawFloatSource(int fd) : fd_(fd) {}

    // Blocks until the whole request is in, since a short answer means the end.
    // A trailing partial frame at the end of the input is dropped.
    int Read(float* frames, int frameCount) override {
        auto* bytes = reinterpret_cast<unsigned char*>(frames);
        const std::size_t wanted = static_cast<std::size_t>(frameCount) * kFrameBytes;
        std::size_t have = 0;
        while (!ended_ && have < wanted) {
            const ssize_t got = ::read(fd_, bytes + have, wanted - have);
            if (got > 0) {
                have += static_cast<std::size_t>(got);
            } else if (got < 0 && errno == EINTR) {
                continue;
            } else {
                ended_ = true;
            }
        }
        return static_cast<int>(have / kFrameBytes);
    }

private:
    int fd_;
    bool ended_ = false;
};

}  // namespace

OpenedAudioSource OpenRawFloatSource(int fd) {
    return {std::make_unique<RawFloatSource>(fd), {}};
}
