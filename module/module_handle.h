#pragma once

#include "platform/windows_api.h"

// The module's own handle as the loader passed it at process attach; none
// before that. Written once, before any entry point can run.
HINSTANCE ModuleHandle();
