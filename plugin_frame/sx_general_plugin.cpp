#include "plugin_frame/sx_general_plugin.h"

#include <iterator>

#include "plugin_frame/cr_string.h"

namespace {
constexpr WChar kUnknownPluginName[] = SX_TEXT("Unknown Plug-In");
constexpr WChar kUnknownAuthor[] = SX_TEXT("Unknown");
}  // namespace

void SXGeneralPlugin::GetPluginName(RString** out) {
    *out = CreateRString(kUnknownPluginName, std::size(kUnknownPluginName) - 1);
}

void SXGeneralPlugin::GetPluginAuthor(RString** out) {
    *out = CreateRString(kUnknownAuthor, std::size(kUnknownAuthor) - 1);
}

int32_t SXGeneralPlugin::ReservedQuery() {
    return 0;
}

int32_t SXGeneralPlugin::Initialize(void* context, int32_t version, SXHost* sxHost) {
    if (version != kPluginInterfaceVersion) {
        return 0;
    }
    hostContext = context;
    void* application = nullptr;
    if (sxHost->GetInterface(kApplicationInterfaceId, &application) != 0) {
        return 0;
    }
    host = static_cast<SXApplication*>(application);
    return 1;
}

void SXGeneralPlugin::SetState(const void*, int32_t) {}

void SXGeneralPlugin::Activate() {}

void SXGeneralPlugin::Deactivate() {}

int32_t SXGeneralPlugin::GetState(void**) {
    return 0;
}

void SXGeneralPlugin::ReservedNotify() {}

void SXGeneralPlugin::Unload(int32_t) {}
