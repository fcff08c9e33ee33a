#include "host/sonaplex_host/stop_signals.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void NoteStopSignal(int signal) {
    stopSignal = signal;
}

}  // namespace

void InstallStopSignals() {
    std::signal(SIGINT, NoteStopSignal);
    std::signal(SIGTERM, NoteStopSignal);
    std::signal(SIGHUP, NoteStopSignal);
}

int StopSignal() {
    return stopSignal;
}
