#pragma once

// The few Windows services that Skyflume uses, with their Windows names and
// behaviour, implemented on POSIX. Only what the module and the reference
// host call is here.

#include <pthread.h>
#include <cstddef>
#include <cstdint>

#include "platform/platform_object.h"

using BOOL = int32_t;
using BYTE = uint8_t;
using DWORD = uint32_t;
using LONG = int32_t;
using UINT = uint32_t;
using WCHAR = char16_t;
using LPSTR = char*;
using LPCSTR = const char*;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPVOID = void*;
using COLORREF = uint32_t;
using REGSAM = uint32_t;
using HANDLE = PlatformObject*;
using HINSTANCE = void*;  // any address inside the loaded module
using HMODULE = HINSTANCE;
using HWND = void*;
using LPSECURITY_ATTRIBUTES = void*;
using FARPROC = void (*)();
using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID);
struct RegistryKey;
using HKEY = RegistryKey*;

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};

// Wide string literal of the platform's WCHAR type.
#define WTEXT(text) u##text

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;
constexpr DWORD INFINITE = 0xFFFFFFFFu;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;
constexpr DWORD DLL_PROCESS_DETACH = 0;
constexpr DWORD DLL_PROCESS_ATTACH = 1;
constexpr UINT MB_OK = 0x0;
constexpr UINT MB_ICONERROR = 0x10;
constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_UNSUPPORTED_TYPE = 1630;
constexpr UINT CP_UTF8 = 65001;
constexpr DWORD REG_SZ = 1;
constexpr DWORD RRF_RT_REG_SZ = 0x2;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;
extern const HKEY HKEY_LOCAL_MACHINE;

// Critical sections: recursive, like the Windows ones.
struct CRITICAL_SECTION {
    pthread_mutex_t mutex;
};
void InitializeCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);

// Events, threads and waiting.
HANDLE CreateEventW(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState, LPCWSTR name);
BOOL SetEvent(HANDLE event);
DWORD WaitForSingleObject(HANDLE handle, DWORD timeoutMs);
BOOL CloseHandle(HANDLE handle);
void Sleep(DWORD milliseconds);
// The handle becomes signalled when start returns and stays so; it may be
// closed before that.
HANDLE CreateThread(LPSECURITY_ATTRIBUTES attributes, size_t stackSize, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD creationFlags, DWORD* threadId);

// Texts. wsprintfW knows %d, %i, %u, %x, %s (a WCHAR text), %c and %%.
int lstrlenW(LPCWSTR text);
int wsprintfW(LPWSTR buffer, LPCWSTR format, ...);
// UTF-8 <-> UTF-16 only (codePage CP_UTF8, flags 0), as on Windows: length
// -1 takes a terminated text and counts the terminator; capacity 0 asks for
// the units needed; ill-formed input becomes U+FFFD; 0 on failure.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR buffer, int capacity);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int length, LPSTR buffer, int capacity,
                        LPCSTR defaultChar, BOOL* usedDefault);

// One line "caption: text" on standard error; answers IDOK (1).
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

// Modules. GetModuleFileNameW with a null module names the executable.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);
HMODULE LoadLibraryW(LPCWSTR fileName);
FARPROC GetProcAddress(HMODULE module, const char* name);
BOOL FreeLibrary(HMODULE module);

// Registry: HKEY_LOCAL_MACHINE is the folder named by SONAPLEX_REGISTRY, or
// /etc/sonaplex/registry; a key is a folder, a REG_SZ value a UTF-8 file.
LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options, REGSAM access,
                     LPSECURITY_ATTRIBUTES attributes, HKEY* result, DWORD* disposition);
LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
LONG RegGetValueW(HKEY key, LPCWSTR subKey, LPCWSTR valueName, DWORD flags, DWORD* type, void* data, DWORD* size);
LONG RegCloseKey(HKEY key);
LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey);
