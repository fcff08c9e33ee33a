#pragma once

// The Windows test program's side of the test services host (see
// support/service_messages.h): one loopback connection for the whole
// program, made at the first request.

#include "support/service_messages.h"

namespace skyflume::test {

// The fields of the host's answer after "ok". Empty when the host could not
// be reached or refused the request; the reason then goes to standard error.
Message AskServices(const Message& request);

}  // namespace skyflume::test
