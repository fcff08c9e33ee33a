#include "host/app/status_page.h"

#include <nlohmann/json.hpp>

std::optional<std::map<std::string, std::string>> MountEntryInStatusPage(const std::string& json,
                                                                         const std::string& mount) {
    const nlohmann::json page = nlohmann::json::parse(json, nullptr, false);
    if (page.is_discarded() || !page.contains("icestats") || !page["icestats"].contains("source")) {
        return std::nullopt;
    }
    // One source is an object, several an array.
    nlohmann::json sources = page["icestats"]["source"];
    if (!sources.is_array()) {
        sources = nlohmann::json::array({sources});
    }
    for (const nlohmann::json& source : sources) {
        const auto url = source.find("listenurl");
        if (!source.is_object() || url == source.end() || !url->is_string()) {
            continue;
        }
        // http://host:port/mount: the path after the address.
        const std::string text = url->get<std::string>();
        const std::size_t address = text.find("://");
        const std::size_t path = text.find('/', address == std::string::npos ? 0 : address + 3);
        if (path == std::string::npos || text.compare(path, std::string::npos, mount) != 0) {
            continue;
        }
        std::map<std::string, std::string> entry;
        for (const auto& [name, value] : source.items()) {
            if (value.is_string()) {
                entry[name] = value.get<std::string>();
            } else if (value.is_primitive() && !value.is_null()) {
                entry[name] = value.dump();
            }
        }
        return entry;
    }
    return std::nullopt;
}
