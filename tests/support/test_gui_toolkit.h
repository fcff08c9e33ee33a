#pragma once

#include "host/recording_gui_toolkit.h"

// The host kit's toolkit set to answer as other toolkits do, or to offer no
// factory at all.
class TestGuiToolkit final : public RecordingGuiToolkit {
public:
    // Without a factory GetFactory answers 0.
    void SetFactoryAvailable(bool available) { factoryAvailable = available; }
    void SetPlacement(int32_t x, int32_t y) {
        ConventionsInUse().placementX = x;
        ConventionsInUse().placementY = y;
    }
    // Plug-ins must read none and an empty string alike.
    void SetEmptyTextAsNone(bool none) { ConventionsInUse().emptyTextAsNone = none; }

    int32_t GetFactory(int32_t version, TGuiFactory** out) override {
        if (!factoryAvailable) {
            *out = nullptr;
            return 0;
        }
        return RecordingGuiToolkit::GetFactory(version, out);
    }

private:
    bool factoryAvailable = true;
};
