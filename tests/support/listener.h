#pragma once

// A real listener: connects to a mount over HTTP, decodes what it hears with
// FFmpeg on its own thread, and keeps what the tests need to judge it. A
// Windows test program under Wine has the test services host listen for it on
// the Linux side (support/service_messages.h).

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace skyflume::test {

struct ListenerOptions {
    std::chrono::milliseconds ioTimeout = std::chrono::seconds(5);  // per read/connect
    double keepSeconds = 60.0;                                      // cap on the left-channel samples kept
};

struct ListenResult {
    bool connected = false;  // the HTTP request succeeded and the stream opened
    bool ended = false;      // the decode loop has finished
    std::string formatName;  // demuxer, e.g. "mp3"
    std::string codecName;   // decoder, e.g. "mp3float"
    int sampleRate = 0;
    int channels = 0;
    int64_t bitRate = 0;                            // from the MP3 frame headers, bits per second
    int64_t framesDecoded = 0;                      // sample frames (per channel)
    int decodeErrors = 0;                           // packets the decoder rejected
    std::vector<float> left;                        // first channel, at most keepSeconds of it
    std::map<std::string, std::string> icyHeaders;  // names lower-cased, e.g. "icy-name"
    std::string contentType;
    std::string error;      // why the stream could not be opened; empty once it was
    std::string endReason;  // "end of stream", "stopped", or the read error

    double SecondsHeard() const { return sampleRate > 0 ? static_cast<double>(framesDecoded) / sampleRate : 0.0; }
};

class Listener {
public:
    explicit Listener(ListenerOptions options = {});
    ~Listener();
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    void Start(const std::string& url);
    // Asks the thread to stop, joins it and returns what was heard.
    ListenResult StopAndJoin();
    // Listens for at most `seconds`, ending earlier if the stream ends.
    ListenResult ListenFor(const std::string& url, double seconds) {
        Start(url);
        WaitForEnd(std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000)));
        return StopAndJoin();
    }

    // Waits until at least `seconds` of audio were decoded or the stream
    // ended, bounded by timeout. True if that much audio arrived.
    bool WaitForSeconds(double seconds, std::chrono::milliseconds timeout);
    // Waits until the decode loop ends (e.g. the server went away).
    bool WaitForEnd(std::chrono::milliseconds timeout);

    // A copy of what has been collected so far.
    ListenResult Snapshot() const;

private:
    // The decoding thread with what it collects, or the host's listener for
    // this program.
    struct Session;

    std::unique_ptr<Session> session;
};

}  // namespace skyflume::test
