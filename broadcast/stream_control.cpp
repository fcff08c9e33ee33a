// Stream control: the Stream/Stop button, the host's checks, the parameters
// of a run, its start, stop and finish, and the status texts that follow the
// worker's events. Everything here runs on the host's GUI thread.

#include <iterator>
#include <optional>
#include <string>
#include <utility>

#include "broadcast/skyflume_plugin.h"
#include "broadcast/stream_url.h"

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace {

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

// The host's UTF-8 copy of a text, kept as an owned string; the host's own
// copy goes straight back to it.
std::string Utf8(SXApplication* host, const WChar* text) {
    char* copy = nullptr;
    host->WideToUtf8(text, &copy);
    std::string utf8 = copy != nullptr ? copy : "";
    host->FreeUtf8(copy);
    return utf8;
}

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
    if (button == nullptr || button != ui.streamButton.Get()) {
        return;
    }
    if (worker.Streaming()) {
        RequestStop();
        return;
    }
    // One run at a time: a run that is still connecting or ending keeps its
    // parameters, lock and event, whatever the window shows.
    if (worker.Exists()) {
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
    worker.ForgetParameters();
    const int32_t sampleRate = host->GetSampleRate();
    if (sampleRate < kLowestSampleRate || sampleRate > kHighestSampleRate) {
        FinishStream(kStatusUnusableSampleRate);
        return;
    }
    std::optional<StreamParams> params = PrepareStreamParams();
    if (!params) {
        return;
    }
    params->inputSampleRate = sampleRate;
    params->codecId = AV_CODEC_ID_MP3;
    params->outputSampleRate = state.sampleRateIndex != 0 ? 48000 : 44100;
    params->bitRateKbps = kBitRateTable[BitRateIndex(state)];

    window->SetClosable(0);
    ui.streamButton->SetEnabled(0);
    EnableControls(false);
    SetComponentText(ui.statusLabel.Get(), SX_TEXT("Status: connecting..."));
    const int32_t started = worker.Start(std::move(*params), CreateEventW(nullptr, FALSE, FALSE, nullptr), host,
                                         static_cast<SXThread*>(this));
    if (started != kStatusOk) {
        AbandonStart(started);
    }
}

// No run will read the parameters, so they go as well.
void SkyflumePlugin::AbandonStart(int32_t status) {
    FinishStream(status);
    worker.ForgetParameters();
}

std::optional<StreamParams> SkyflumePlugin::PrepareStreamParams() {
    struct ConnectionField {
        TComponent* control;
        const WChar* message;
    };
    const ConnectionField connectionFields[] = {
        {ui.serverHostBox.Get(), SX_TEXT("Invalid server host name!")},
        {ui.serverPortBox.Get(), SX_TEXT("Invalid server port!")},
        {ui.mountPointBox.Get(), SX_TEXT("Invalid mount point!")},
        {ui.userNameBox.Get(), SX_TEXT("Invalid user name!")},
        {ui.passwordBox.Get(), SX_TEXT("Invalid password!")},
    };
    RefPtr<RString> texts[std::size(connectionFields)];
    for (size_t i = 0; i < std::size(connectionFields); ++i) {
        texts[i] = ReadText(connectionFields[i].control);
        if (!texts[i]) {
            ShowError(host, connectionFields[i].message);
            return std::nullopt;
        }
    }

    std::string utf8[std::size(connectionFields)];
    for (size_t i = 0; i < std::size(connectionFields); ++i) {
        utf8[i] = Utf8(host, BufferOf(texts[i].Get()));
    }
    StreamParams params;
    params.url = ComposeStreamUrl(utf8[3].c_str(), utf8[4].c_str(), utf8[0].c_str(), utf8[1].c_str(), utf8[2].c_str());
    // Cutting the URL would connect somewhere else or with another login.
    if (params.url.size() >= kStreamUrlCapacity) {
        ShowError(host, SX_TEXT("Server address and login too long!"));
        return std::nullopt;
    }
    const std::pair<TComponent*, std::string*> stationFields[] = {
        {ui.radioNameBox.Get(), &params.radioName},
        {ui.radioDescriptionBox.Get(), &params.radioDescription},
        {ui.radioGenreBox.Get(), &params.radioGenre},
        {ui.radioWebsiteBox.Get(), &params.radioWebsite},
    };
    for (const auto& [control, field] : stationFields) {
        const RefPtr<RString> text = ReadText(control);
        *field = Utf8(host, text ? BufferOf(text.Get()) : kMetadataFallback);
    }
    return params;
}

void SkyflumePlugin::EnableControls(bool enabled) {
    TComponent* const controls[] = {
        ui.serverHostBox.Get(),   ui.serverPortBox.Get(), ui.mountPointBox.Get(),       ui.userNameBox.Get(),
        ui.passwordBox.Get(),     ui.radioNameBox.Get(),  ui.radioDescriptionBox.Get(), ui.radioGenreBox.Get(),
        ui.radioWebsiteBox.Get(), ui.streamButton.Get(),  ui.bitRateCombo.Get(),        ui.sampleRateCombo.Get(),
    };
    for (TComponent* control : controls) {
        control->SetEnabled(enabled ? 1 : 0);
    }
}

void SkyflumePlugin::RequestStop() {
    if (window != nullptr) {
        ui.streamButton->SetEnabled(0);
    }
    if (!worker.Stopping()) {
        worker.Stop();
    }
}

void SkyflumePlugin::OnEvent(int32_t id, int32_t, intptr_t) {
    switch (id) {
    case kEventHostStop:
        // While connecting too: the attempt then ends within about 100 ms,
        // once the server's name has been looked up.
        if (worker.Exists()) {
            RequestStop();
        }
        break;
    case kEventStreamStarted:
        if (window != nullptr && worker.Exists() && worker.Streaming()) {
            ui.streamButton->SetEnabled(1);
            SetComponentText(ui.statusLabel.Get(), SX_TEXT("Status: streaming..."));
            SetComponentText(ui.streamButton.Get(), SX_TEXT("Stop"));
        }
        break;
    case kEventStreamEnded:
        // Only the current run's own last event ends it: a duplicate, a stray
        // one, or one that comes after deactivation has closed the run
        // changes nothing. The status is the run's own, whatever came along.
        if (worker.Exists() && worker.Ended()) {
            FinishStream(worker.EndStatus());
        }
        break;
    default:
        break;
    }
}

void SkyflumePlugin::FinishStream(int32_t status) {
    worker.Finish();
    if (window == nullptr) {
        return;
    }

    SetComponentText(ui.streamButton.Get(), SX_TEXT("Stream"));
    ui.streamButton->SetEnabled(1);
    window->SetClosable(1);
    EnableControls(true);

    WChar text[kStatusTextCapacity];
    switch (status) {
    case kStatusOk:
        SetComponentText(ui.statusLabel.Get(), SX_TEXT("Status: done."));
        break;
    case kStatusConnectionFailed:
        SetComponentText(ui.statusLabel.Get(), SX_TEXT("Status: stream create error."));
        break;
    case kStatusWriteFailed:
        SetComponentText(ui.statusLabel.Get(), SX_TEXT("Status: stream write error."));
        break;
    case kStatusUnusableSampleRate:
        SetComponentText(ui.statusLabel.Get(), SX_TEXT("Status: unusable host sample rate."));
        break;
    default:
        wsprintfW(text, SX_TEXT("Status: internal error %d"), status);
        SetComponentText(ui.statusLabel.Get(), text);
        break;
    }
}

void SkyflumePlugin::OnActivate() {
    host->RegisterAudioCallback(static_cast<SXAudioCallback*>(this));
    host->RegisterEventListener(static_cast<SXEventListener*>(this));
}

// A worker that is still connecting is ended as well: the host may destroy
// the object right after deactivation, and the thread runs inside it. The
// run's last event may now never be delivered, so the run is closed here;
// should the event come after all, it is ignored.
void SkyflumePlugin::OnDeactivate() {
    host->UnregisterAudioCallback(static_cast<SXAudioCallback*>(this));
    host->UnregisterEventListener(static_cast<SXEventListener*>(this));
    if (worker.Exists()) {
        worker.Stop();
        FinishStream(worker.EndStatus());
    }
}

// An unload deactivates first, which ends a run still going: only the last
// run's record is left.
void SkyflumePlugin::OnUnload() {
    worker.ForgetParameters();
}

void SkyflumePlugin::ShowRunState() {
    if (!worker.Exists()) {
        return;
    }
    window->SetClosable(0);
    EnableControls(false);
    if (!worker.Streaming()) {
        SetComponentText(ui.statusLabel.Get(), SX_TEXT("Status: connecting..."));
    } else if (!worker.Stopping()) {
        ui.streamButton->SetEnabled(1);
        SetComponentText(ui.statusLabel.Get(), SX_TEXT("Status: streaming..."));
        SetComponentText(ui.streamButton.Get(), SX_TEXT("Stop"));
    }
}
