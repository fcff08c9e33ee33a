#pragma once

#include "host/sonaplex_host/options.h"

// One run of the host: open the input, serve the health view, load the
// module, and run the station's streams (or draw the window) with every line,
// FFmpeg's included, going through one writer. Answers the exit status.
int RunSession(const Options& options);
