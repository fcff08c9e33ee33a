#pragma once

#include <cstdint>

// Records the module's full file name under the host's plug-in key, so that
// the host finds it: 0 once the key could be created or opened, 1 otherwise.
int32_t RegisterModule();

// Deletes that key: 0 when deleted, 1 otherwise (also when it did not exist).
int32_t UnregisterModule();
