#include "broadcast/plugin_state.h"

#include <algorithm>
#include <iterator>

namespace {

bool IsHighSurrogate(WChar unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

}  // namespace

void WriteDefaults(PluginState& state) {
    state.bitRateIndex = kDefaultBitRateIndex;
    state.sampleRateIndex = 0;
    StoreTextInField(state.serverHost, kDefaultServerHost);
    StoreTextInField(state.serverPort, kDefaultServerPort);
    StoreTextInField(state.mountPoint, kDefaultMountPoint);
    StoreTextInField(state.userName, kDefaultUserName);
    StoreTextInField(state.password, kDefaultPassword);
    StoreTextInField(state.radioName, kDefaultRadioName);
    StoreTextInField(state.radioDescription, kDefaultRadioDescription);
    StoreTextInField(state.radioGenre, kDefaultRadioGenre);
    StoreTextInField(state.radioWebsite, kDefaultRadioWebsite);
}

int32_t BitRateIndex(const PluginState& state) {
    const bool inTable = state.bitRateIndex >= 0 && state.bitRateIndex < static_cast<int32_t>(std::size(kBitRateTable));
    return inTable ? state.bitRateIndex : kDefaultBitRateIndex;
}

std::basic_string_view<WChar> TextInField(std::span<const WChar> field) {
    const auto end = std::find(field.begin(), field.end(), WChar{0});
    return {field.data(), static_cast<size_t>(end - field.begin())};
}

void StoreTextInField(std::span<WChar> field, std::basic_string_view<WChar> text) {
    size_t length = std::min(text.size(), field.size() - 1);
    if (length < text.size() && length > 0 && IsHighSurrogate(text[length - 1])) {
        --length;
    }
    std::copy_n(text.begin(), length, field.begin());
    field[length] = 0;
}
