#include "broadcast/skyflume_plugin.h"

#include "plugin_sdk/skyflume_contract.h"

void SkyflumePlugin::GetPluginId(const GUID** out) {
    *out = &kSkyflumePluginId;
}

const WChar* SkyflumePlugin::GetDisplayName() {
    return SX_TEXT("Skyflume Plug-In");
}

const WChar* SkyflumePlugin::GetShortName() {
    return SX_TEXT("Skyflume");
}

const WChar* SkyflumePlugin::GetAuthorName() {
    return SX_TEXT("Quillmark");
}

int32_t SkyflumePlugin::OnInitialize(int32_t, SXHost*) {
    WriteDefaults(state);
    return 1;
}

int32_t SkyflumePlugin::Run() {
    return worker.Run(host, static_cast<SXEventListener*>(this));
}

// The audio thread's one call: see CaptureBuffer for what it may wait for.
void SkyflumePlugin::OnAudio(void*, const float* samples, int32_t frameCount) {
    worker.Capture().Push(samples, frameCount);
}
