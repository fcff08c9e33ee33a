#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "plugin_sdk/sdk_types.h"

// The plug-in's whole configuration: the block that the host stores and
// restores as it is. Little-endian, 1204 bytes, no header. Text fields hold
// zero-terminated UTF-16 within their capacity; a restored block may carry
// none, so texts are read through TextInField only.
struct PluginState {
    int32_t windowX;
    int32_t windowY;
    uint8_t windowOpen;
    uint8_t reserved[3];
    int32_t bitRateIndex;     // into kBitRateTable; read through BitRateIndex
    int32_t sampleRateIndex;  // 0: 44100 Hz, any other: 48000 Hz
    WChar serverHost[128];
    WChar serverPort[16];
    WChar mountPoint[32];
    WChar userName[64];
    WChar password[64];
    WChar radioName[64];
    WChar radioDescription[64];
    WChar radioGenre[32];
    WChar radioWebsite[128];
};

static_assert(sizeof(WChar) == 2);
static_assert(sizeof(PluginState) == 1204);
static_assert(offsetof(PluginState, windowX) == 0);
static_assert(offsetof(PluginState, windowY) == 4);
static_assert(offsetof(PluginState, windowOpen) == 8);
static_assert(offsetof(PluginState, reserved) == 9);
static_assert(offsetof(PluginState, bitRateIndex) == 12);
static_assert(offsetof(PluginState, sampleRateIndex) == 16);
static_assert(offsetof(PluginState, serverHost) == 20);
static_assert(offsetof(PluginState, serverPort) == 276);
static_assert(offsetof(PluginState, mountPoint) == 308);
static_assert(offsetof(PluginState, userName) == 372);
static_assert(offsetof(PluginState, password) == 500);
static_assert(offsetof(PluginState, radioName) == 628);
static_assert(offsetof(PluginState, radioDescription) == 756);
static_assert(offsetof(PluginState, radioGenre) == 884);
static_assert(offsetof(PluginState, radioWebsite) == 948);

// Bit rates in kbit/s, in the order of the bit-rate list.
inline constexpr int32_t kBitRateTable[] = {64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
inline constexpr int32_t kDefaultBitRateIndex = 4;

// Defaults, and what an emptied box stores instead.
inline constexpr WChar kDefaultServerHost[] = SX_TEXT("localhost");
inline constexpr WChar kDefaultServerPort[] = SX_TEXT("8384");
inline constexpr WChar kDefaultMountPoint[] = SX_TEXT("/stream");
inline constexpr WChar kDefaultUserName[] = SX_TEXT("admin");
inline constexpr WChar kDefaultPassword[] = SX_TEXT("tovrz");
inline constexpr WChar kDefaultRadioName[] = SX_TEXT("My Radio Station");
inline constexpr WChar kDefaultRadioDescription[] = SX_TEXT("My Radio Station Description");
inline constexpr WChar kDefaultRadioGenre[] = SX_TEXT("Music");
inline constexpr WChar kDefaultRadioWebsite[] = SX_TEXT("https://example.com/");
// Emptied station texts store this, not their defaults.
inline constexpr WChar kMetadataFallback[] = SX_TEXT("none");

// Writes the defaults of a new plug-in; the window fields stay as they are.
void WriteDefaults(PluginState& state);

// The stored bit-rate index, or the default for one outside the table.
int32_t BitRateIndex(const PluginState& state);
// The sample-rate list's item for the rate a stream uses: 0 is 44100 Hz, any
// other stored value 48000 Hz.
inline int32_t SampleRateIndex(const PluginState& state) {
    return state.sampleRateIndex != 0 ? 1 : 0;
}

// The text of a field up to its terminator, or the whole field when it has none.
std::basic_string_view<WChar> TextInField(std::span<const WChar> field);

// Stores a text with its terminator. A text longer than the field allows is
// cut to capacity - 1 code units, never between the halves of a surrogate pair.
void StoreTextInField(std::span<WChar> field, std::basic_string_view<WChar> text);
