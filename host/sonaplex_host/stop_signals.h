#pragma once

// Ctrl-C (SIGINT) and SIGTERM ask the running stream to stop. The handlers
// only note the signal; the GUI thread looks at it between events.
void InstallStopSignals();

// The signal that asked to stop, 0 while none has.
int StopSignal();

// After the first request, a second Ctrl-C or SIGTERM ends the program at once.
void RestoreDefaultSignals();
