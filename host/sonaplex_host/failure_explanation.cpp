#include "host/sonaplex_host/failure_explanation.h"

#include "host/app/http_request.h"

namespace {

// Icecast answers a request for a mount's statistics that carries the
// mount's source login with 401 when it refuses the login, 400 "Source does
// not exist" when the mount is free, and 200 when a source is on it; the
// request takes nothing on the server.
HttpAnswer AskForMountStatistics(const ConnectionSettings& settings, const std::function<bool()>& stopRequested) {
    return HttpGet({.host = settings.server,
                    .port = settings.port,
                    .path = "/admin/stats",
                    .query = {{"mount", settings.mount}},
                    .user = settings.user,
                    .password = settings.password,
                    .stopRequested = stopRequested});
}

bool IsIcecast(const HttpAnswer& answer) {
    return answer.server.find("Icecast") != std::string::npos;
}

}  // namespace

std::string ExplainCreateError(const ConnectionSettings& settings, const std::function<bool()>& stopRequested) {
    const std::string& mount = settings.mount;
    if (!mount.starts_with('/')) {
        return "the mount point \"" + mount + "\" lacks its leading \"/\": give --mount /" + mount;
    }
    const std::string at = settings.server + ":" + settings.port;
    const HttpAnswer answer = AskForMountStatistics(settings, stopRequested);
    switch (answer.outcome) {
    case HttpAnswer::Outcome::Stopped:
        return {};
    case HttpAnswer::Outcome::BadAddress:
        return "\"" + at + "\" is no server address: check --server and --port";
    case HttpAnswer::Outcome::Unresolved:
        return "the server name " + settings.server + " does not resolve: check --server";
    case HttpAnswer::Outcome::Refused:
        return "nothing listens at " + at + ": start the Icecast server there, or check --server and --port";
    case HttpAnswer::Outcome::NoConnection:
        return "no answer from " + at + " within 3 s: check --server, --port and the network in between";
    case HttpAnswer::Outcome::NoAnswer:
        return at + " accepted the connection but did not answer within 3 s: check that it is an Icecast server";
    case HttpAnswer::Outcome::NotHttp:
        return at + " is not an Icecast server (its answer is not HTTP): check --server and --port";
    case HttpAnswer::Outcome::Failed:
        return "cannot ask " + at + " why: " + answer.error;
    case HttpAnswer::Outcome::Answered:
        break;
    }
    if (!IsIcecast(answer)) {
        return at + " is not an Icecast server (it answered \"" + answer.statusLine + "\"): check --server and --port";
    }
    switch (answer.status) {
    case 401:
        return "the server refused the login (HTTP 401): check --user (default admin) and the password";
    case 200:
        return "the mount " + mount +
               " is in use by another source (HTTP 403): stop that source, or choose another --mount";
    case 400:
        return "the server takes this login and the mount " + mount +
               " is free now: it was still releasing the mount, or it allows no more sources (HTTP 403)";
    default:
        return "the server answers \"" + answer.statusLine + "\" for the mount " + mount;
    }
}

std::string ExplainWriteError(const ConnectionSettings& settings, const std::function<bool()>& stopRequested) {
    const HttpAnswer answer = AskForMountStatistics(settings, stopRequested);
    switch (answer.outcome) {
    case HttpAnswer::Outcome::Stopped:
        return {};
    case HttpAnswer::Outcome::Refused:
        return "the server closed the connection, and nothing listens at " + settings.server + ":" + settings.port +
               " now";
    case HttpAnswer::Outcome::NoConnection:
    case HttpAnswer::Outcome::NoAnswer:
        return "the server stopped taking data for 3 s, and does not answer now";
    default:
        return "the server closed the connection";
    }
}
