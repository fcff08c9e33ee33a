#pragma once

#include "host/app/window_picture.h"
#include "host/recording_gui_toolkit.h"

// The window as the plug-in built it, from what the toolkit recorded:
// every live control at its position and size, with its text, items,
// selection, enabled state and text colour.
WindowPicture SnapshotOf(const RecordingGuiToolkit& toolkit, const ComponentRecord& window);
