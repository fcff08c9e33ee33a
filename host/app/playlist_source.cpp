#include "host/app/audio_source.h"

#include <algorithm>
#include <atomic>
#include <mutex>

namespace {

class PlaylistSource : public AudioSource {
public:
    PlaylistSource(std::vector<std::string> inputs, int sampleRate, bool loop,
                   std::vector<std::unique_ptr<AudioSource>> sources)
        : inputs(std::move(inputs)), sampleRate(sampleRate), loop(loop), sources(std::move(sources)) {}

    int Read(float* frames, int frameCount) override {
        int delivered = 0;
        while (delivered < frameCount && current < sources.size() && !interrupted) {
            delivered += sources[current]->Read(frames + 2 * delivered, frameCount - delivered);
            if (delivered < frameCount) {
                Advance();
            }
        }
        return delivered;
    }

    // Only the reading thread changes what plays, and only under the lock.
    void Interrupt() override {
        const std::lock_guard lock(mutex);
        interrupted = true;
        if (current < sources.size()) {
            sources[current]->Interrupt();
        }
    }

    // An input without items of its own counts as one.
    int64_t ItemsBegun() const override {
        return current < sources.size() ? itemsBefore + std::max<int64_t>(1, sources[current]->ItemsBegun())
                                        : itemsBefore;
    }
    std::string Title() const override { return current < sources.size() ? sources[current]->Title() : ""; }
    std::string Failure() const override { return failure; }

private:
    // On to the next input, or back to the first one when looping; a list
    // that cannot be opened again ends the playlist.
    void Advance() {
        itemsBefore += std::max<int64_t>(1, sources[current]->ItemsBegun());
        std::vector<std::unique_ptr<AudioSource>> again;
        if (current + 1 == sources.size() && loop) {
            for (const std::string& input : inputs) {
                OpenedAudioSource opened = OpenAudioSource(input, sampleRate, false);
                if (!opened.source) {
                    failure = opened.error;
                    again.clear();
                    break;
                }
                again.push_back(std::move(opened.source));
            }
        }
        const std::lock_guard lock(mutex);
        if (!again.empty()) {
            sources = std::move(again);
            current = 0;
        } else {
            ++current;
        }
    }

    std::vector<std::string> inputs;
    int sampleRate;
    bool loop;
    std::vector<std::unique_ptr<AudioSource>> sources;
    std::size_t current = 0;
    int64_t itemsBefore = 0;
    std::atomic<bool> interrupted{false};
    std::mutex mutex;
    std::string failure;
};

}  // namespace

OpenedAudioSource OpenPlaylist(const std::vector<std::string>& inputs, int sampleRate, bool loop) {
    if (inputs.size() == 1) {
        return OpenAudioSource(inputs.front(), sampleRate, loop);
    }
    std::vector<std::unique_ptr<AudioSource>> sources;
    for (const std::string& input : inputs) {
        OpenedAudioSource opened = OpenAudioSource(input, sampleRate, false);
        if (!opened.source) {
            return {nullptr, input + ": " + opened.error};
        }
        sources.push_back(std::move(opened.source));
    }
    return {std::make_unique<PlaylistSource>(inputs, sampleRate, loop, std::move(sources)), {}};
}
