#pragma once

#include "host/sonaplex_host/options.h"

// --register and --unregister, as regsvr32 does it: load the module, call its
// DllRegisterServer or DllUnregisterServer and say what it answered.
// Answers the exit status.
int RunRegistration(const Options& options);
