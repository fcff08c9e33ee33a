#pragma once

#include <cstdint>

// Records the module's full file name under the host's plug-in key, so that
// the host finds it: 0 once the "Path" value holds the whole name, 1 when the
// key could not be created or opened, the name could not be had whole, or
// the value could not be written.
int32_t RegisterModule();

// Deletes that key: 0 when deleted, 1 otherwise (also when it did not exist).
int32_t UnregisterModule();
