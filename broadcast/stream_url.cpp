#include "broadcast/stream_url.h"

namespace {

bool IsUnreserved(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
           byte == '-' || byte == '.' || byte == '_' || byte == '~';
}

void AppendEncoded(std::string& url, std::string_view text) {
    constexpr char kHexDigits[] = "0123456789ABCDEF";
    for (const char character : text) {
        const auto byte = static_cast<unsigned char>(character);
        if (IsUnreserved(byte)) {
            url += character;
        } else {
            url += '%';
            url += kHexDigits[byte >> 4];
            url += kHexDigits[byte & 0x0F];
        }
    }
}

}  // namespace

std::string ComposeStreamUrl(std::string_view user, std::string_view password, std::string_view host,
                             std::string_view port, std::string_view mountPoint) {
    std::string url = "icecast://";
    AppendEncoded(url, user);
    url += ':';
    AppendEncoded(url, password);
    url += '@';
    url += host;
    url += ':';
    url += port;
    url += mountPoint;
    return url;
}
