#pragma once

// Makes FFmpeg ready for the module before its first use: true when it is.
// Once it has answered true it answers true at once; after false it tries
// again.
bool LoadFfmpegLibraries();
