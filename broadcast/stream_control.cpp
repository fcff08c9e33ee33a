// Stream control: the Stream/Stop button, the host's checks, the connection
// record for the worker, the per-stream lock, event and thread, and the
// status texts that follow the worker's events. Everything here runs on the
// host's GUI thread.

#include <cstring>
#include <iterator>
#include <string>
#include <utility>

#include "broadcast/skyflume_plugin.h"
#include "broadcast/stream_url.h"

namespace {

// FFmpeg's AV_CODEC_ID_MP3.
constexpr int32_t kMp3CodecId = 86017;
constexpr int32_t kErrorBoxKind = 80;
constexpr int32_t kStatusTextCapacity = 64;
// What audio devices run at, from telephony to the fastest converters; any
// other rate from the host is a fault, and sizing the run's buffers by it
// could ask for gigabytes.
constexpr int32_t kLowestSampleRate = 8000;
constexpr int32_t kHighestSampleRate = 768000;

void ShowHostMessage(SXApplication* host, const WChar* caption, const WChar* text) {
    const RefPtr<RString> captionString = RefPtr<RString>::Adopt(CreateRString(caption));
    const RefPtr<RString> textString = RefPtr<RString>::Adopt(CreateRString(text));
    host->ShowMessage(captionString.Get(), textString.Get());
}

void ShowError(SXApplication* host, const WChar* text) {
    const RefPtr<RString> caption = RefPtr<RString>::Adopt(CreateRString(SX_TEXT("Error")));
    const RefPtr<RString> textString = RefPtr<RString>::Adopt(CreateRString(text));
    host->ShowMessageBox(kErrorBoxKind, caption.Get(), textString.Get(), 0);
}

// The control's text; none when the control gives none or an empty one.
RefPtr<RString> ReadText(TComponent* control) {
    RefPtr<RString> text;
    control->GetText(text.Receive());
    if (text && text->GetLength() == 0) {
        text.Reset();
    }
    return text;
}

const WChar* BufferOf(RString* text) {
    const WChar* buffer = nullptr;
    text->GetBuffer(&buffer);
    return buffer;
}

// A UTF-8 copy made by the host, given back to it when it goes.
class HostUtf8 {
public:
    HostUtf8(SXApplication* host, RString* text) : host(host) { host->WideToUtf8(BufferOf(text), &utf8); }
    ~HostUtf8() { host->FreeUtf8(utf8); }
    HostUtf8(const HostUtf8&) = delete;
    HostUtf8& operator=(const HostUtf8&) = delete;

    const char* Get() const { return utf8; }

private:
    SXApplication* host;
    char* utf8 = nullptr;
};

struct HostCheck {
    int32_t (SXApplication::*passes)();
    const WChar* text;
    const WChar* caption;
};

constexpr HostCheck kHostChecks[] = {
    {&SXApplication::IsStarted, SX_TEXT("Error: Sonaplex not started!"), SX_TEXT("Skyflume Plug-In")},
    {&SXApplication::IsStreamFormatProcessing, SX_TEXT("Error: Please set Stream Format to Processing Format!"),
     SX_TEXT("Skyflume Plug-In")},
    {&SXApplication::IsProcessAudioEnabled, SX_TEXT("Error: Please turn on Process Audio option!"),
     SX_TEXT("Skyflume Plug - In")},
};

}  // namespace

void SkyflumePlugin::OnButtonClicked(TButton* button) {
    if (button == nullptr || button != streamButton) {
        return;
    }
    if (worker.streaming) {
        RequestStop();
        return;
    }
    // One run at a time: a run that is still connecting or ending keeps its
    // record, lock and event, whatever the window shows.
    if (worker.threadHandle != nullptr) {
        return;
    }
    for (const HostCheck& check : kHostChecks) {
        if ((host->*check.passes)() == 0) {
            ShowHostMessage(host, check.caption, check.text);
            return;
        }
    }
    StartStream();
}

void SkyflumePlugin::StartStream() {
    worker.streamParams.reset();
    const int32_t sampleRate = host->GetSampleRate();
    if (sampleRate < kLowestSampleRate || sampleRate > kHighestSampleRate) {
        FinishStream(kStatusUnusableSampleRate);
        return;
    }
    if (!PrepareStreamParams()) {
        return;
    }
    worker.stagedFrames = 0;
    worker.stopRequested = false;
    worker.runEnded = false;
    worker.inputSampleRate = sampleRate;
    worker.codecId = kMp3CodecId;
    worker.outputSampleRate = state.sampleRateIndex != 0 ? 48000 : 44100;
    worker.bitRateKbps = kBitRateTable[BitRateIndex(state)];

    window->SetClosable(0);
    streamButton->SetEnabled(0);
    EnableControls(false);

    if (!worker.OpenRunObjects()) {
        AbandonStart(kStatusNoWakeEvent);
        return;
    }
    SetComponentText(statusLabel, SX_TEXT("Status: connecting..."));
    host->StartThread(0, &worker.threadHandle, static_cast<SXThread*>(this));
    // Without a thread nothing would ever end the run: no event would come.
    if (worker.threadHandle == nullptr) {
        AbandonStart(kStatusNoWorkerThread);
    }
}

// No run will read the record, so it goes as well.
void SkyflumePlugin::AbandonStart(int32_t status) {
    FinishStream(status);
    worker.streamParams.reset();
}

bool SkyflumePlugin::PrepareStreamParams() {
    struct ConnectionField {
        TComponent* control;
        const WChar* message;
    };
    const ConnectionField connectionFields[] = {
        {serverHostBox, SX_TEXT("Invalid server host name!")}, {serverPortBox, SX_TEXT("Invalid server port!")},
        {mountPointBox, SX_TEXT("Invalid mount point!")},      {userNameBox, SX_TEXT("Invalid user name!")},
        {passwordBox, SX_TEXT("Invalid password!")},
    };
    RefPtr<RString> texts[std::size(connectionFields)];
    for (size_t i = 0; i < std::size(connectionFields); ++i) {
        texts[i] = ReadText(connectionFields[i].control);
        if (!texts[i]) {
            ShowError(host, connectionFields[i].message);
            return false;
        }
    }

    std::string url;
    {
        const HostUtf8 serverHost(host, texts[0].Get());
        const HostUtf8 serverPort(host, texts[1].Get());
        const HostUtf8 mountPoint(host, texts[2].Get());
        const HostUtf8 userName(host, texts[3].Get());
        const HostUtf8 password(host, texts[4].Get());
        url = ComposeStreamUrl(userName.Get(), password.Get(), serverHost.Get(), serverPort.Get(), mountPoint.Get());
    }
    // Cutting the URL would connect somewhere else or with another login.
    if (url.size() >= kStreamUrlCapacity) {
        ShowError(host, SX_TEXT("Server address and login too long!"));
        return false;
    }

    worker.streamParams.reset(new StreamParams{});
    StreamParams* record = worker.streamParams.get();
    record->host = host;
    record->url = new char[kStreamUrlCapacity];
    std::memcpy(record->url, url.c_str(), url.size() + 1);

    const std::pair<TComponent*, char**> stationFields[] = {
        {radioNameBox, &record->radioName},
        {radioDescriptionBox, &record->radioDescription},
        {radioGenreBox, &record->radioGenre},
        {radioWebsiteBox, &record->radioWebsite},
    };
    for (const auto& [control, field] : stationFields) {
        const RefPtr<RString> text = ReadText(control);
        host->WideToUtf8(text ? BufferOf(text.Get()) : kMetadataFallback, field);
    }
    return true;
}

void SkyflumePlugin::EnableControls(bool enabled) {
    TComponent* const controls[] = {
        serverHostBox,       serverPortBox, mountPointBox,   userNameBox,  passwordBox,  radioNameBox,
        radioDescriptionBox, radioGenreBox, radioWebsiteBox, streamButton, bitRateCombo, sampleRateCombo,
    };
    for (TComponent* control : controls) {
        control->SetEnabled(enabled ? 1 : 0);
    }
}

void SkyflumePlugin::RequestStop() {
    if (window != nullptr) {
        streamButton->SetEnabled(0);
    }
    if (worker.stopRequested) {
        return;
    }
    StopWorker();
}

// The worker ends after its current step; its last act, kEventStreamEnded, is
// handled only after this wait, once the GUI thread runs events again.
void SkyflumePlugin::StopWorker() {
    worker.stopRequested = true;
    SetEvent(worker.wakeEvent);
    WaitForSingleObject(worker.threadHandle, INFINITE);
}

void SkyflumePlugin::OnEvent(int32_t id, int32_t, intptr_t) {
    switch (id) {
    case kEventHostStop:
        // While connecting too: the attempt then ends within about 100 ms.
        if (worker.threadHandle != nullptr) {
            RequestStop();
        }
        break;
    case kEventStreamStarted:
        if (window != nullptr && worker.threadHandle != nullptr && worker.streaming) {
            streamButton->SetEnabled(1);
            SetComponentText(statusLabel, SX_TEXT("Status: streaming..."));
            SetComponentText(streamButton, SX_TEXT("Stop"));
        }
        break;
    case kEventStreamEnded:
        // Only the current run's own last event ends it: a duplicate, a stray
        // one, or one that comes after deactivation has closed the run
        // changes nothing. The status is the run's own, whatever came along.
        if (worker.threadHandle != nullptr && worker.runEnded) {
            FinishStream(worker.endStatus);
        }
        break;
    default:
        break;
    }
}

void SkyflumePlugin::FinishStream(int32_t status) {
    worker.CloseRunObjects();
    worker.streaming = false;
    if (window == nullptr) {
        return;
    }

    SetComponentText(streamButton, SX_TEXT("Stream"));
    streamButton->SetEnabled(1);
    window->SetClosable(1);
    EnableControls(true);

    WChar text[kStatusTextCapacity];
    switch (status) {
    case kStatusOk:
        SetComponentText(statusLabel, SX_TEXT("Status: done."));
        break;
    case kStatusConnectionFailed:
        SetComponentText(statusLabel, SX_TEXT("Status: stream create error."));
        break;
    case kStatusWriteFailed:
        SetComponentText(statusLabel, SX_TEXT("Status: stream write error."));
        break;
    case kStatusUnusableSampleRate:
        SetComponentText(statusLabel, SX_TEXT("Status: unusable host sample rate."));
        break;
    default:
        wsprintfW(text, SX_TEXT("Status: internal error %d"), status);
        SetComponentText(statusLabel, text);
        break;
    }
}

void SkyflumePlugin::OnActivate() {
    host->RegisterAudioCallback(static_cast<SXAudioCallback*>(this));
    host->RegisterEventListener(static_cast<SXEventListener*>(this));
    activated = true;
}

// A worker that is still connecting is ended as well: the host may destroy
// the object right after deactivation, and the thread runs inside it. The
// run's last event may now never be delivered, so the run is closed here;
// should the event come after all, it is ignored.
void SkyflumePlugin::OnDeactivate() {
    activated = false;
    host->UnregisterAudioCallback(static_cast<SXAudioCallback*>(this));
    host->UnregisterEventListener(static_cast<SXEventListener*>(this));
    if (worker.threadHandle != nullptr) {
        StopWorker();
        FinishStream(worker.endStatus);
    }
}

// A host closing in a hurry may unload without deactivating: the run ends as
// deactivation ends it before its record goes.
void SkyflumePlugin::OnUnload() {
    if (activated) {
        OnDeactivate();
    }
    worker.streamParams.reset();
}

// The last reference may go with a run still going, when the host neither
// deactivated nor unloaded. The worker thread runs inside this object and
// the capture path uses its buffers, so the run ends before any member goes;
// its last event is not posted, since nothing would be left to take it. A
// run that has ended uses nothing more, and the last reference may then be
// the worker thread's own, which must not wait for itself.
SkyflumePlugin::~SkyflumePlugin() {
    if (worker.threadHandle != nullptr && !worker.runEnded) {
        worker.postEnd = false;
        StopWorker();
    }
}

void SkyflumePlugin::ShowRunState() {
    if (worker.threadHandle == nullptr) {
        return;
    }
    window->SetClosable(0);
    EnableControls(false);
    if (!worker.streaming) {
        SetComponentText(statusLabel, SX_TEXT("Status: connecting..."));
    } else if (!worker.stopRequested) {
        streamButton->SetEnabled(1);
        SetComponentText(statusLabel, SX_TEXT("Status: streaming..."));
        SetComponentText(streamButton, SX_TEXT("Stop"));
    }
}
