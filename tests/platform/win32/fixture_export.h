#pragma once

// A fixture module's function that the test finds with GetProcAddress.
#define FIXTURE_EXPORT extern "C" __declspec(dllexport)
