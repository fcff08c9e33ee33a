// The registry as folders: a key is a folder below the root, a REG_SZ value a
// file holding its text in UTF-8 without the terminator.
//
// The root (HKEY_LOCAL_MACHINE) is the folder named by SONAPLEX_REGISTRY, or
// /etc/sonaplex/registry, read at each call. A key opened by RegCreateKeyExW
// remembers its absolute folder.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <optional>
#include <string>
#include <system_error>

#include "platform/windows_api.h"
#include "utf.h"

struct RegistryKey {
    bool isRoot;
    std::filesystem::path folder;  // unused for the root
};

namespace {
RegistryKey localMachine{true, {}};
}  // namespace

const HKEY HKEY_LOCAL_MACHINE = &localMachine;

namespace platform {
namespace {

namespace fs = std::filesystem;

fs::path KeyFolder(HKEY key) {
    if (!key->isRoot) return key->folder;
    const char* root = std::getenv("SONAPLEX_REGISTRY");
    return root && root[0] ? root : "/etc/sonaplex/registry";
}

// A name of the registry as a relative path: `\` separates, empty parts are
// dropped; "." and ".." would leave the key and are refused.
std::optional<fs::path> RelativePath(LPCWSTR subKey) {
    fs::path relative;
    std::string part;
    const std::string text = ToUtf8(subKey) + "\\";
    for (const char c : text) {
        if (c != '\\' && c != '/') {
            part += c;
            continue;
        }
        if (part == "." || part == "..") return std::nullopt;
        if (!part.empty()) relative /= part;
        part.clear();
    }
    return relative;
}

// A value name as one file name; names with a separator are refused.
std::optional<std::string> ValueFileName(LPCWSTR valueName) {
    const std::string name = ToUtf8(valueName);
    if (name.empty() || name == "." || name == ".." || name.find_first_of("/\\") != std::string::npos) {
        return std::nullopt;
    }
    return name;
}

LONG FromErrno(int error) {
    return error == ENOENT || error == ENOTDIR ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED;
}

// Writes through a temporary file so that a reader sees the old or the new text.
LONG WriteFileAtomically(const fs::path& folder, const std::string& name, const std::string& content) {
    std::string temporary = (folder / ".tmp-XXXXXX").string();
    const int file = mkstemp(temporary.data());
    if (file < 0) return FromErrno(errno);
    bool written = fchmod(file, 0644) == 0;
    for (size_t done = 0; written && done < content.size();) {
        const ssize_t count = write(file, content.data() + done, content.size() - done);
        if (count < 0 && errno == EINTR) continue;
        written = count > 0;
        if (written) done += static_cast<size_t>(count);
    }
    const int error = errno;
    if (close(file) != 0 || !written || rename(temporary.c_str(), (folder / name).c_str()) != 0) {
        const LONG result = FromErrno(written ? errno : error);
        unlink(temporary.c_str());
        return result;
    }
    return ERROR_SUCCESS;
}

}  // namespace
}  // namespace platform

// Creates the key's folders, the root included; the key must be closed with
// RegCloseKey.
LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, HKEY* result,
                     DWORD* disposition) {
    if (key == nullptr) return ERROR_INVALID_HANDLE;
    const auto relative = platform::RelativePath(subKey);
    if (result == nullptr || !relative) return ERROR_INVALID_PARAMETER;
    const std::filesystem::path folder = platform::KeyFolder(key) / *relative;
    std::error_code error;
    const bool existed = std::filesystem::is_directory(folder, error);
    if (!existed) {
        std::filesystem::create_directories(folder, error);
        if (!std::filesystem::is_directory(folder, error)) return ERROR_ACCESS_DENIED;
    }
    *result = new (std::nothrow) RegistryKey{false, folder};
    if (*result == nullptr) return ERROR_ACCESS_DENIED;
    if (disposition) *disposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    return ERROR_SUCCESS;
}

// REG_SZ only; size counts bytes, the terminator included (it is not stored).
LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD size) {
    if (key == nullptr) return ERROR_INVALID_HANDLE;
    const auto name = platform::ValueFileName(valueName);
    if (type != REG_SZ || !name || (data == nullptr && size != 0)) return ERROR_INVALID_PARAMETER;
    std::u16string text(size / sizeof(char16_t), u'\0');
    if (!text.empty()) std::memcpy(text.data(), data, text.size() * sizeof(char16_t));
    text.resize(text.find(u'\0') == std::u16string::npos ? text.size() : text.find(u'\0'));
    return platform::WriteFileAtomically(platform::KeyFolder(key), *name, platform::ToUtf8(text));
}

// As on Windows: *size in bytes with the terminator; data null asks for the
// size; ERROR_MORE_DATA (and the size needed) when the buffer is too small.
LONG RegGetValueW(HKEY key, LPCWSTR subKey, LPCWSTR valueName, DWORD flags, DWORD* type, void* data, DWORD* size) {
    if (key == nullptr) return ERROR_INVALID_HANDLE;
    const auto relative = platform::RelativePath(subKey);
    const auto name = platform::ValueFileName(valueName);
    if (!relative || !name || (data != nullptr && size == nullptr)) return ERROR_INVALID_PARAMETER;
    if ((flags & RRF_RT_REG_SZ) == 0) return ERROR_UNSUPPORTED_TYPE;
    const std::filesystem::path file = platform::KeyFolder(key) / *relative / *name;
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) return ERROR_FILE_NOT_FOUND;
    std::ifstream stream(file, std::ios::binary);
    if (!stream) return ERROR_ACCESS_DENIED;
    const std::string content{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    const std::u16string text = platform::ToUtf16(content);
    const DWORD needed = static_cast<DWORD>((text.size() + 1) * sizeof(char16_t));
    if (type) *type = REG_SZ;
    if (data == nullptr) {
        if (size) *size = needed;
        return ERROR_SUCCESS;
    }
    const DWORD available = *size;
    *size = needed;
    if (available < needed) return ERROR_MORE_DATA;
    auto* out = static_cast<char16_t*>(data);
    text.copy(out, text.size());
    out[text.size()] = 0;
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
    if (key == nullptr) return ERROR_INVALID_HANDLE;
    if (!key->isRoot) delete key;
    return ERROR_SUCCESS;
}

// Removes the key's folder with its values; fails when the key does not exist
// (ERROR_FILE_NOT_FOUND) or has subkeys (ERROR_ACCESS_DENIED).
LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey) {
    if (key == nullptr) return ERROR_INVALID_HANDLE;
    const auto relative = platform::RelativePath(subKey);
    if (!relative || relative->empty()) return ERROR_INVALID_PARAMETER;
    const std::filesystem::path folder = platform::KeyFolder(key) / *relative;
    std::error_code error;
    if (!std::filesystem::is_directory(std::filesystem::symlink_status(folder, error))) return ERROR_FILE_NOT_FOUND;
    // Values are files (or links); a folder is a subkey.
    const std::filesystem::directory_iterator end;
    for (std::filesystem::directory_iterator entry(folder, error); entry != end; entry.increment(error)) {
        if (entry->symlink_status(error).type() == std::filesystem::file_type::directory) return ERROR_ACCESS_DENIED;
    }
    if (error) return platform::FromErrno(error.value());
    for (std::filesystem::directory_iterator entry(folder, error); entry != end; entry.increment(error)) {
        if (unlink(entry->path().c_str()) != 0) return platform::FromErrno(errno);
    }
    if (error) return platform::FromErrno(error.value());
    return rmdir(folder.c_str()) == 0 ? ERROR_SUCCESS : platform::FromErrno(errno);
}
