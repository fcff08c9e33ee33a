#include "broadcast/source_connection.h"

#include <cstring>
#include <string>

namespace {

// Room for each part of the URL, as FFmpeg's own protocols give it.
constexpr int kUrlPartCapacity = 1024;

// "Key: value\r\n" for a text that is there and not empty; line breaks in it
// would end the header and start another, so they go.
void AppendHeader(std::string& headers, const char* key, const char* value) {
    if (value == nullptr || value[0] == '\0') {
        return;
    }
    headers += key;
    headers += ": ";
    for (const char* character = value; *character != '\0'; ++character) {
        if (*character != '\r' && *character != '\n') {
            headers += *character;
        }
    }
    headers += "\r\n";
}

// What the http protocol needs for the source request; none when memory ran out.
DictionaryPtr SourceRequestOptions(const std::string& headers, int64_t timeoutUs) {
    AVDictionary* options = nullptr;
    const bool filled =
        av_dict_set(&options, "method", "PUT", 0) >= 0 && av_dict_set(&options, "auth_type", "basic", 0) >= 0 &&
        av_dict_set(&options, "headers", headers.c_str(), 0) >= 0 &&
        av_dict_set(&options, "chunked_post", "0", 0) >= 0 && av_dict_set(&options, "send_expect_100", "1", 0) >= 0 &&
        av_dict_set(&options, "content_type", "audio/mpeg", 0) >= 0 &&
        av_dict_set_int(&options, "rw_timeout", timeoutUs, 0) >= 0 &&
        av_dict_set_int(&options, "timeout", timeoutUs, 0) >= 0;
    DictionaryPtr owner(options);
    return filled ? std::move(owner) : nullptr;
}

}  // namespace

int OpenSourceConnection(ConnectionPtr& connection, const StreamParams& params, const AVIOInterruptCB& interrupt,
                         int64_t timeoutUs) {
    char auth[kUrlPartCapacity];
    char host[kUrlPartCapacity];
    char path[kUrlPartCapacity];
    int port = -1;
    av_url_split(nullptr, 0, auth, sizeof auth, host, sizeof host, &port, path, sizeof path, params.url.c_str());
    // Icecast takes no source on its root.
    if (path[0] == '\0' || std::strcmp(path, "/") == 0) {
        return AVERROR(EINVAL);
    }
    // The login stays percent-encoded: the http protocol decodes it.
    std::string url = "http://";
    if (auth[0] != '\0') {
        url += std::string(auth) + "@";
    }
    url += std::strchr(host, ':') != nullptr ? "[" + std::string(host) + "]" : std::string(host);
    if (port >= 0) {
        url += ":" + std::to_string(port);
    }
    url += path;

    std::string headers;
    AppendHeader(headers, "Ice-Name", params.radioName.c_str());
    AppendHeader(headers, "Ice-Description", params.radioDescription.c_str());
    AppendHeader(headers, "Ice-URL", params.radioWebsite.c_str());
    AppendHeader(headers, "Ice-Genre", params.radioGenre.c_str());
    AppendHeader(headers, "Ice-Public", "0");

    DictionaryPtr options = SourceRequestOptions(headers, timeoutUs);
    if (!options) {
        return AVERROR(ENOMEM);
    }
    return avio_open2(InOutPtr(connection), url.c_str(), AVIO_FLAG_WRITE, &interrupt, InOutPtr(options));
}
