#include "host/app/audio_source.h"

#include <algorithm>
#include <atomic>
#include <mutex>

namespace {

class PlaylistSource : public AudioSource {
public:
    PlaylistSource(std::vector<std::string> inputs, int sampleRate, bool loop,
                   std::vector<std::unique_ptr<AudioSource>> sources)
        : inputs_(std::move(inputs)), sampleRate_(sampleRate), loop_(loop), sources_(std::move(sources)) {}

    int Read(float* frames, int frameCount) override {
        int delivered = 0;
        while (delivered < frameCount && current_ < sources_.size() && !interrupted_) {
            delivered += sources_[current_]->Read(frames + 2 * delivered, frameCount - delivered);
            if (delivered < frameCount) {
                Advance();
            }
        }
        return delivered;
    }

    // Only the reading thread changes what plays, and only under the lock.
    void Interrupt() override {
        const std::lock_guard lock(mutex_);
        interrupted_ = true;
        if (current_ < sources_.size()) {
            sources_[current_]->Interrupt();
        }
    }

    // An input without items of its own counts as one.
    int64_t ItemsBegun() const override {
        return current_ < sources_.size() ? itemsBefore_ + std::max<int64_t>(1, sources_[current_]->ItemsBegun())
                                          : itemsBefore_;
    }
    std::string Title() const override { return current_ < sources_.size() ? sources_[current_]->Title() : ""; }

private:
    // On to the next input, or back to the first one when looping; a list
    // that cannot be opened again ends the playlist.
    void Advance() {
        itemsBefore_ += std::max<int64_t>(1, sources_[current_]->ItemsBegun());
        std::vector<std::unique_ptr<AudioSource>> again;
        if (current_ + 1 == sources_.size() && loop_) {
            for (const std::string& input : inputs_) {
                OpenedAudioSource opened = OpenAudioSource(input, sampleRate_, false);
                if (!opened.source) {
                    again.clear();
                    break;
                }
                again.push_back(std::move(opened.source));
            }
        }
        const std::lock_guard lock(mutex_);
        if (!again.empty()) {
            sources_ = std::move(again);
            current_ = 0;
        } else {
            ++current_;
        }
    }

    std::vector<std::string> inputs_;
    int sampleRate_;
    bool loop_;
    std::vector<std::unique_ptr<AudioSource>> sources_;
    std::size_t current_ = 0;
    int64_t itemsBefore_ = 0;
    std::atomic<bool> interrupted_{false};
    std::mutex mutex_;
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
