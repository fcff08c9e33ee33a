#include "broadcast/skyflume_plugin.h"

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

void SkyflumePlugin::OnButtonClicked(TButton*) {}

void SkyflumePlugin::OnAudio(void*, const float*, int32_t) {}

void SkyflumePlugin::OnEvent(int32_t, int32_t, intptr_t) {}

int32_t SkyflumePlugin::Run() {
    return 0;
}
