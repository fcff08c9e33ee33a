#pragma once

// On Windows the platform layer is Windows itself.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// Wide string literal of the platform's WCHAR type.
#define WTEXT(text) L##text
