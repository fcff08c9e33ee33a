#pragma once

// What a Windows test program under Wine and the Linux test services host
// (test_services_host.cpp) say to each other over loopback: each request and
// each answer is a list of fields of any bytes. A request names an operation
// and its arguments; an answer starts with "ok" or "error".

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/listener.h"

namespace skyflume::test {

using Message = std::vector<std::string>;

// The environment variable that hands the host's loopback port to the program.
inline constexpr char kServicesPortVariable[] = "SKYFLUME_TEST_SERVICES";

std::string Encode(const Message& message);
// Takes one whole message from the front of the bytes received so far, if
// one is there.
std::optional<Message> TakeMessage(std::string& received);

// Named texts (a mount's status, a stream's headers) as fields, name and
// value in turn, appended to a message; and back from the fields that start
// at `first`, to the end.
void AppendFields(Message& message, const std::map<std::string, std::string>& fields);
std::map<std::string, std::string> FieldsFrom(const Message& message, std::size_t first);

// A listener's result as the fields of a message, and back.
Message ListenResultFields(const ListenResult& result);
ListenResult ListenResultFrom(const Message& fields);

}  // namespace skyflume::test
