#include "host/app/http_request.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <memory>
#include <mutex>

namespace {

constexpr std::size_t kMaxBody = 64 * 1024;
constexpr int kPollMs = 50;

struct EasyCleanup {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiCleanup {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct UrlCleanup {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

bool IsPort(const std::string& text) {
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    return error == std::errc() && end == text.data() + text.size() && port >= 1 && port <= 65535;
}

std::unique_ptr<CURLU, UrlCleanup> MakeUrl(const HttpRequest& request) {
    std::unique_ptr<CURLU, UrlCleanup> url(curl_url());
    if (!url || !IsPort(request.port)) {
        return nullptr;
    }
    const std::string host = request.host.find(':') != std::string::npos ? "[" + request.host + "]" : request.host;
    bool ok = curl_url_set(url.get(), CURLUPART_SCHEME, "http", 0) == CURLUE_OK &&
              curl_url_set(url.get(), CURLUPART_HOST, host.c_str(), 0) == CURLUE_OK &&
              curl_url_set(url.get(), CURLUPART_PORT, request.port.c_str(), 0) == CURLUE_OK &&
              curl_url_set(url.get(), CURLUPART_PATH, request.path.c_str(), 0) == CURLUE_OK;
    for (const auto& [name, value] : request.query) {
        const std::string pair = name + "=" + value;
        ok = ok &&
             curl_url_set(url.get(), CURLUPART_QUERY, pair.c_str(), CURLU_APPENDQUERY | CURLU_URLENCODE) == CURLUE_OK;
    }
    return ok ? std::move(url) : nullptr;
}

std::size_t KeepBody(char* data, std::size_t size, std::size_t count, void* answer) {
    std::string& body = static_cast<HttpAnswer*>(answer)->body;
    body.append(data, std::min(size * count, kMaxBody - std::min(kMaxBody, body.size())));
    return size * count;
}

std::string Trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    return std::string(text);
}

std::size_t KeepHeader(char* data, std::size_t size, std::size_t count, void* answer) {
    auto& kept = *static_cast<HttpAnswer*>(answer);
    const std::string_view line(data, size * count);
    if (line.starts_with("HTTP/")) {
        kept.statusLine = Trimmed(line);
        kept.server.clear();
    } else if (line.size() > 7 && std::equal(line.begin(), line.begin() + 7, "server:", [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) == b;
               })) {
        kept.server = Trimmed(line.substr(7));
    }
    return size * count;
}

HttpAnswer::Outcome OutcomeOf(CURLcode result, CURL* easy) {
    switch (result) {
    case CURLE_OK:
        return HttpAnswer::Outcome::Answered;
    case CURLE_COULDNT_RESOLVE_HOST:
        return HttpAnswer::Outcome::Unresolved;
    case CURLE_COULDNT_CONNECT:
        return HttpAnswer::Outcome::Refused;
    case CURLE_OPERATION_TIMEDOUT: {
        curl_off_t connected = 0;
        curl_easy_getinfo(easy, CURLINFO_CONNECT_TIME_T, &connected);
        return connected > 0 ? HttpAnswer::Outcome::NoAnswer : HttpAnswer::Outcome::NoConnection;
    }
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
        return HttpAnswer::Outcome::NotHttp;
    default:
        return HttpAnswer::Outcome::Failed;
    }
}

}  // namespace

HttpAnswer HttpGet(const HttpRequest& request) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    HttpAnswer answer;
    const auto url = MakeUrl(request);
    if (!url) {
        answer.outcome = HttpAnswer::Outcome::BadAddress;
        return answer;
    }
    const std::unique_ptr<CURL, EasyCleanup> easy(curl_easy_init());
    const std::unique_ptr<CURLM, MultiCleanup> multi(curl_multi_init());
    if (!easy || !multi) {
        answer.error = "out of memory";
        return answer;
    }
    CURL* handle = easy.get();
    curl_easy_setopt(handle, CURLOPT_CURLU, url.get());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(handle, CURLOPT_PROXY, "");
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_USERAGENT, "sonaplex-host");
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(request.timeout.count()));
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.timeout.count()));
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, KeepHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, &answer);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, KeepBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &answer);
    if (!request.user.empty()) {
        curl_easy_setopt(handle, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
        curl_easy_setopt(handle, CURLOPT_USERNAME, request.user.c_str());
        curl_easy_setopt(handle, CURLOPT_PASSWORD, request.password.c_str());
    }

    curl_multi_add_handle(multi.get(), handle);
    int running = 1;
    CURLcode result = CURLE_OK;
    while (running > 0) {
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        if (running > 0) {
            if (request.stopRequested && request.stopRequested()) {
                curl_multi_remove_handle(multi.get(), handle);
                answer.outcome = HttpAnswer::Outcome::Stopped;
                return answer;
            }
            curl_multi_poll(multi.get(), nullptr, 0, kPollMs, nullptr);
        }
    }
    int left = 0;
    while (const CURLMsg* message = curl_multi_info_read(multi.get(), &left)) {
        if (message->msg == CURLMSG_DONE) {
            result = message->data.result;
        }
    }
    curl_multi_remove_handle(multi.get(), handle);
    answer.outcome = OutcomeOf(result, handle);
    if (answer.outcome == HttpAnswer::Outcome::Answered) {
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &answer.status);
    } else {
        answer.error = curl_easy_strerror(result);
    }
    return answer;
}
