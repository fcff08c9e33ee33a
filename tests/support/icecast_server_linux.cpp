// The server as a process of the test's own, on Linux.

#include "support/icecast_server.h"

#include <arpa/inet.h>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "host/app/http_request.h"
#include "host/app/status_page.h"
#include "support/child_process.h"
#include "support/loopback_socket.h"
#include "support/temp_folder.h"

namespace skyflume::test {
namespace {

using namespace std::chrono_literals;

constexpr const char* kIcecastBinary = "/usr/bin/icecast2";
constexpr int kStartAttempts = 5;
constexpr auto kStartTimeout = 10s;
constexpr auto kPollInterval = 50ms;
constexpr auto kStatusTimeout = 5s;

std::string XmlEscape(const std::string& text) {
    static const std::map<char, std::string> kEntities = {
        {'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}, {'"', "&quot;"}, {'\'', "&apos;"}};
    std::string out;
    for (char c : text) {
        const auto entity = kEntities.find(c);
        out += entity != kEntities.end() ? entity->second : std::string(1, c);
    }
    return out;
}

// The account icecast2 drops to when started as root: the Debian package's
// own, or nobody/nogroup where it is missing.
struct RunAs {
    std::string user, group;
    uid_t uid = 0;
    gid_t gid = 0;
};

std::optional<RunAs> AccountToRunAs() {
    const std::pair<const char*, const char*> candidates[] = {{"icecast2", "icecast"}, {"nobody", "nogroup"}};
    for (const auto& [user, group] : candidates) {
        const passwd* pw = getpwnam(user);
        const ::group* gr = getgrnam(group);
        if (pw && gr) return RunAs{user, group, pw->pw_uid, gr->gr_gid};
    }
    return std::nullopt;
}

// The status page, or nothing when the server did not answer it in time.
std::string StatusPage(uint16_t port, std::chrono::milliseconds timeout) {
    HttpRequest request;
    request.host = IcecastServer::Host();
    request.port = std::to_string(port);
    request.path = "/status-json.xsl";
    request.timeout = timeout;
    const HttpAnswer answer = HttpGet(request);
    return answer.outcome == HttpAnswer::Outcome::Answered && answer.status == 200 ? answer.body : std::string();
}

}  // namespace

struct IcecastServer::Instance {
    // Nothing the server holds outlives the test, so there is no point
    // waiting for its slow orderly shutdown.
    ~Instance() { process.Kill(); }

    bool PrepareFolder(std::string& error);
    void WriteConfig(const IcecastOptions& options, uint16_t port) const;
    bool StartOnce(const IcecastOptions& options, uint16_t port, std::string& error);
    std::string ErrorLog() const;

    TempFolder folder;
    ChildProcess process;
};

IcecastServer::IcecastServer(IcecastOptions options)
    : options(std::move(options)), instance(std::make_unique<Instance>()) {}

IcecastServer::~IcecastServer() = default;

bool IcecastServer::Start() {
    if (instance->process.Running()) return true;
    if (!instance->PrepareFolder(lastError)) return false;
    for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
        // A restart comes back where clients last found the server. Another
        // process may take a free port before the server binds it: the next
        // attempt takes a fresh one.
        const uint16_t chosen = options.fixedPort != 0 ? options.fixedPort : port != 0 ? port : FreeLoopbackPort();
        if (chosen != 0 && instance->StartOnce(options, chosen, lastError)) {
            port = chosen;
            lastError.clear();
            return true;
        }
        std::this_thread::sleep_for(100ms);
    }
    return false;
}

void IcecastServer::Stop() {
    instance->process.Terminate();
}

void IcecastServer::Kill() {
    instance->process.Kill();
}

bool IcecastServer::Running() {
    return instance->process.Running();
}

pid_t IcecastServer::Pid() const {
    return instance->process.Pid();
}

std::string IcecastServer::Folder() const {
    return instance->folder.Path().string();
}

std::string IcecastServer::ErrorLog() const {
    return instance->ErrorLog();
}

std::string IcecastServer::StatusJson() const {
    return StatusPage(port, kStatusTimeout);
}

std::optional<std::map<std::string, std::string>> IcecastServer::MountStatus() const {
    return MountEntryInStatusPage(StatusJson(), options.mount);
}

bool IcecastServer::Instance::PrepareFolder(std::string& error) {
    const std::filesystem::path logDir = folder / "log";
    // Made by an earlier start.
    if (std::filesystem::exists(logDir)) return true;
    if (folder.Path().empty()) {
        error = "cannot make a folder for the server";
        return false;
    }
    std::filesystem::create_directory(logDir);
    // Started as root, icecast2 switches user before opening its logs.
    if (geteuid() == 0) {
        const auto account = AccountToRunAs();
        if (!account) {
            error = "no icecast2 or nobody account to run the server as";
            return false;
        }
        if (chown(folder.Path().c_str(), account->uid, account->gid) != 0 ||
            chown(logDir.c_str(), account->uid, account->gid) != 0) {
            error = "cannot hand the server folder to " + account->user;
            return false;
        }
    }
    return true;
}

void IcecastServer::Instance::WriteConfig(const IcecastOptions& options, uint16_t port) const {
    const auto& o = options;
    std::ostringstream xml;
    xml << "<icecast>\n"
        << "  <location>loopback</location>\n"
        << "  <admin>tests@localhost</admin>\n"
        << "  <hostname>" << Host() << "</hostname>\n"
        << "  <limits>\n"
        << "    <clients>200</clients>\n"
        << "    <sources>20</sources>\n"
        << "    <queue-size>4194304</queue-size>\n"
        << "    <client-timeout>30</client-timeout>\n"
        << "    <header-timeout>15</header-timeout>\n"
        << "    <source-timeout>10</source-timeout>\n"
        << "    <burst-on-connect>1</burst-on-connect>\n"
        << "    <burst-size>65536</burst-size>\n"
        << "  </limits>\n"
        << "  <authentication>\n"
        << "    <source-password>" << XmlEscape(o.generalSourcePassword) << "</source-password>\n"
        << "    <relay-password>" << XmlEscape(o.generalSourcePassword) << "</relay-password>\n"
        << "    <admin-user>icecast-admin</admin-user>\n"
        << "    <admin-password>icecast-admin-pw</admin-password>\n"
        << "  </authentication>\n"
        << "  <listen-socket>\n"
        << "    <port>" << port << "</port>\n"
        << "    <bind-address>" << Host() << "</bind-address>\n"
        << "  </listen-socket>\n"
        << "  <mount type=\"normal\">\n"
        << "    <mount-name>" << XmlEscape(o.mount) << "</mount-name>\n"
        << "    <username>" << XmlEscape(o.sourceUser) << "</username>\n"
        << "    <password>" << XmlEscape(o.sourcePassword) << "</password>\n"
        << "  </mount>\n"
        << "  <fileserve>1</fileserve>\n";
    if (o.relayFromPort != 0) {
        // A relay that could not connect tries again after this many seconds (default 120).
        xml << "  <master-update-interval>1</master-update-interval>\n"
            << "  <relay>\n"
            << "    <server>" << Host() << "</server>\n"
            << "    <port>" << o.relayFromPort << "</port>\n"
            << "    <mount>" << XmlEscape(o.mount) << "</mount>\n"
            << "    <local-mount>" << XmlEscape(o.mount) << "</local-mount>\n"
            << "    <on-demand>0</on-demand>\n"
            << "    <relay-shoutcast-metadata>1</relay-shoutcast-metadata>\n"
            << "  </relay>\n";
    }
    xml << "  <paths>\n"
        << "    <basedir>" << XmlEscape(folder.Path().string()) << "</basedir>\n"
        << "    <logdir>" << XmlEscape((folder / "log").string()) << "</logdir>\n"
        << "    <webroot>/usr/share/icecast2/web</webroot>\n"
        << "    <adminroot>/usr/share/icecast2/admin</adminroot>\n"
        << "  </paths>\n"
        << "  <logging>\n"
        << "    <accesslog>access.log</accesslog>\n"
        << "    <errorlog>error.log</errorlog>\n"
        << "    <loglevel>3</loglevel>\n"
        << "  </logging>\n";
    if (geteuid() == 0) {
        const auto account = AccountToRunAs();
        xml << "  <security>\n"
            << "    <chroot>0</chroot>\n"
            << "    <changeowner>\n"
            << "      <user>" << account->user << "</user>\n"
            << "      <group>" << account->group << "</group>\n"
            << "    </changeowner>\n"
            << "  </security>\n";
    }
    xml << "</icecast>\n";
    std::ofstream(folder / "icecast.xml") << xml.str();
}

bool IcecastServer::Instance::StartOnce(const IcecastOptions& options, uint16_t port, std::string& error) {
    WriteConfig(options, port);
    if (!process.Spawn({kIcecastBinary, "-c", (folder / "icecast.xml").string()}, (folder / "stdout.log").string())) {
        error = std::string("cannot run ") + kIcecastBinary;
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!process.Running()) break;
        if (!StatusPage(port, kPollInterval).empty() && process.Running()) return true;
        std::this_thread::sleep_for(kPollInterval);
    }
    process.Terminate();
    error = "icecast2 did not come up on port " + std::to_string(port) + ":\n" + ErrorLog();
    return false;
}

std::string IcecastServer::Instance::ErrorLog() const {
    if (folder.Path().empty()) return {};
    return FileText(folder / "stdout.log") + FileText(folder / "log" / "error.log");
}

}  // namespace skyflume::test
