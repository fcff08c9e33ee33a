#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

// The plug-in's state block, kept by the host between runs. The host does not
// look inside it; it only insists on the size the plug-in hands out.
inline constexpr std::size_t kPluginStateSize = 1204;

struct LoadedState {
    std::vector<uint8_t> block;  // empty: no block to restore
    std::string warning;         // why an existing file was not used
};

// A missing file gives no block and no warning.
LoadedState LoadStateFile(const std::filesystem::path& path);

// Writes a temporary file beside the target, flushes it to disk and renames it
// over the target, creating the folder first; the previous file stays intact
// if anything fails. Answers an error text, empty on success.
[[nodiscard]] std::string SaveStateFile(const std::filesystem::path& path, std::span<const uint8_t> block);

// $XDG_STATE_HOME/sonaplex-host/skyflume.state, or under ~/.local/state when
// XDG_STATE_HOME is unset or not absolute.
std::filesystem::path DefaultStatePath();
