// The server as one that the test services host runs on the Linux side for
// this Windows program.

#include "support/icecast_server.h"

#include "support/services_client.h"

namespace skyflume::test {
namespace {

std::string FirstOf(const Message& answer) {
    return answer.empty() ? std::string() : answer.front();
}

}  // namespace

struct IcecastServer::Instance {
    // The host's name for the server; empty when it made none.
    std::string id;
};

IcecastServer::IcecastServer(IcecastOptions options)
    : options(std::move(options)), instance(std::make_unique<Instance>()) {
    const IcecastOptions& o = this->options;
    instance->id = FirstOf(AskServices({"icecast.new", o.mount, o.sourceUser, o.sourcePassword, o.generalSourcePassword,
                                        std::to_string(o.fixedPort)}));
}

IcecastServer::~IcecastServer() {
    AskServices({"icecast.delete", instance->id});
}

bool IcecastServer::Start() {
    const Message answer = AskServices({"icecast.start", instance->id});
    if (answer.size() != 3) {
        lastError = "the test services host started no icecast2";
        return false;
    }
    port = static_cast<uint16_t>(std::stoi(answer[1]));
    lastError = answer[2];
    return answer[0] == "1";
}

void IcecastServer::Stop() {
    AskServices({"icecast.stop", instance->id});
}

void IcecastServer::Kill() {
    AskServices({"icecast.kill", instance->id});
}

bool IcecastServer::Running() {
    return AskServices({"icecast.running", instance->id}) == Message{"1"};
}

pid_t IcecastServer::Pid() const {
    return -1;
}

std::string IcecastServer::Folder() const {
    return FirstOf(AskServices({"icecast.folder", instance->id}));
}

std::string IcecastServer::ErrorLog() const {
    return FirstOf(AskServices({"icecast.errorlog", instance->id}));
}

std::string IcecastServer::StatusJson() const {
    return FirstOf(AskServices({"icecast.status", instance->id}));
}

std::optional<std::map<std::string, std::string>> IcecastServer::MountStatus() const {
    const Message answer = AskServices({"icecast.mount", instance->id});
    if (FirstOf(answer) != "1") {
        return std::nullopt;
    }
    return FieldsFrom(answer, 1);
}

}  // namespace skyflume::test
