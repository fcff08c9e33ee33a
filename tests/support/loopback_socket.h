#pragma once

// A TCP socket of this process bound to a free port on loopback, on Linux:
// what the fake servers, the test services host and the benchmarks' relay
// listen on, and how a free port for icecast2 is found.

#include <cstdint>

namespace skyflume::test {

// The socket, listening with `backlog` unless it is 0 (bound only, so that
// every connection is refused), and its port; -1 when none could be made.
int BindLoopback(int backlog, uint16_t& port);

// A port that nothing listens on at the moment, or 0. Another process may
// take it before the caller binds it.
uint16_t FreeLoopbackPort();

}  // namespace skyflume::test
