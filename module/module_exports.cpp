// The module's three entry points; nothing else is visible.

#include "broadcast/skyflume_plugin.h"
#include "module/ffmpeg_libraries.h"
#include "module/module_export.h"
#include "module/registration.h"

// Every call creates a new, independent object whose one reference belongs to
// the caller; none when FFmpeg cannot be loaded, since the object could not
// stream.
SKYFLUME_EXPORT RPlugin* GetPlugin(RPlugin** out) {
    *out = LoadFfmpegLibraries() ? new SkyflumePlugin() : nullptr;
    return *out;
}

SKYFLUME_EXPORT int32_t DllRegisterServer() {
    return RegisterModule();
}

SKYFLUME_EXPORT int32_t DllUnregisterServer() {
    return UnregisterModule();
}
