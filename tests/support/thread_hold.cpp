#include "support/thread_hold.h"

#include <sys/syscall.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <ctime>

namespace skyflume::test {
namespace {

std::atomic<long> holdSeconds{0};

// Runs on the held thread: it does nothing else until the time is over.
void HoldHere(int) {
    const int savedErrno = errno;
    timespec rest{holdSeconds.load(), 0};
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
    errno = savedErrno;
}

}  // namespace

bool HoldThread(pid_t thread, std::chrono::seconds time) {
    holdSeconds = static_cast<long>(time.count());
    struct sigaction action {};
    action.sa_handler = &HoldHere;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    return sigaction(SIGUSR1, &action, nullptr) == 0 && syscall(SYS_tgkill, getpid(), thread, SIGUSR1) == 0;
}

}  // namespace skyflume::test
