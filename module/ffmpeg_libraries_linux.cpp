#include "module/ffmpeg_libraries.h"

// The dynamic loader has bound FFmpeg, from the system's libraries, before
// the module runs at all.
bool LoadFfmpegLibraries() {
    return true;
}
