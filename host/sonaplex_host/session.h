#pragma once

#include "host/sonaplex_host/options.h"

// One run of the host with its plug-in: load the module, initialise the
// plug-in, restore its state, activate it, enter the settings in its window,
// then stream (or draw the window), and take everything down again in order,
// saving the state. Answers the exit status.
int RunSession(const Options& options);
