#pragma once

// The texts of a state block, compared all at once.

#include <initializer_list>
#include <string_view>
#include <vector>

#include "broadcast/plugin_state.h"
#include "host/host_string.h"

namespace skyflume::test {

// The nine texts in the window's order: server host, port, mount point, user
// name, password, then the station's name, description, genre and website.
inline std::vector<HostText> TextsOf(const PluginState& state) {
    return {HostText(TextInField(state.serverHost)),       HostText(TextInField(state.serverPort)),
            HostText(TextInField(state.mountPoint)),       HostText(TextInField(state.userName)),
            HostText(TextInField(state.password)),         HostText(TextInField(state.radioName)),
            HostText(TextInField(state.radioDescription)), HostText(TextInField(state.radioGenre)),
            HostText(TextInField(state.radioWebsite))};
}

// ASCII texts as the block holds them, for comparing with TextsOf.
inline std::vector<HostText> Texts(std::initializer_list<std::string_view> ascii) {
    std::vector<HostText> texts;
    for (const std::string_view text : ascii) {
        texts.emplace_back(text.begin(), text.end());
    }
    return texts;
}

}  // namespace skyflume::test
