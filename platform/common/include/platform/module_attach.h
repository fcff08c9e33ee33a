#pragma once

#include "platform/windows_api.h"

// Supplied by the module that links the platform's module entry: called for
// every loader notification (process attach and detach, thread attach and
// detach) with the module's own handle. Its answer is the entry point's.
BOOL OnLoaderNotification(HINSTANCE module, DWORD reason);
