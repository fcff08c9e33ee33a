#pragma once

#include "host/sonaplex_host/options.h"

// --check-config, after the options and the password files were read
// without a problem: opens the inputs and the state files, loads the module
// and finds its GetPlugin, without streaming. Prints one line per problem,
// starting with where the value was given, or what each stream will use.
// Answers kExitDone, or kExitUsage when anything is wrong.
int CheckConfig(const Options& options);
