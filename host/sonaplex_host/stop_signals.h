#pragma once

// Ctrl-C (SIGINT), SIGTERM and SIGHUP (the terminal went away) ask the running stream to stop; more of them
// ask the same again, so the state is always saved. The handlers only note
// the signal; the GUI thread looks at it between events.
void InstallStopSignals();

// The signal that asked to stop, 0 while none has.
int StopSignal();
