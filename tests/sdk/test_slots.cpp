// Every operation of every interface sits in the slot that host and module
// agree on. Host and module share these headers, so a slot missing from a
// header would go unnoticed by either side; only a comparison with the
// agreed table catches it.

#include <gtest/gtest.h>

#include "plugin_sdk/gui_toolkit.h"
#include "plugin_sdk/host_application.h"
#include "plugin_sdk/host_listeners.h"
#include "plugin_sdk/r_plugin.h"
#include "plugin_sdk/r_string.h"
#include "slot_layout.h"

namespace {

TEST(SlotTest, RootAndStringAndPlugin) {
    ExpectSlots({
        SLOT(RUnknown, QueryInterface, 0), SLOT(RUnknown, AddRef, 1),     SLOT(RUnknown, Release, 2),
        SLOT(RString, GetBuffer, 3),       SLOT(RString, GetLength, 4),   SLOT(RPlugin, QueryInterface, 0),
        SLOT(RPlugin, AddRef, 1),          SLOT(RPlugin, Release, 2),     SLOT(RPlugin, GetPluginName, 3),
        SLOT(RPlugin, GetPluginAuthor, 4), SLOT(RPlugin, GetPluginId, 5), SLOT(RPlugin, ReservedQuery, 6),
        SLOT(RPlugin, Initialize, 7),      SLOT(RPlugin, SetState, 8),    SLOT(RPlugin, Activate, 9),
        SLOT(RPlugin, Deactivate, 10),     SLOT(RPlugin, GetState, 11),   SLOT(RPlugin, ReservedNotify, 12),
        SLOT(RPlugin, Unload, 13),
    });
    ExpectSlots({SLOT_COUNT(RUnknown, 3), SLOT_COUNT(RString, 5), SLOT_COUNT(RPlugin, 14)});
}

TEST(SlotTest, Listeners) {
    ExpectSlots({SLOT(TWindowListener, OnWindowEvent, 3), SLOT(SXMenuItemListener, OnMenuItemClicked, 3),
                 SLOT(TButtonListener, OnButtonClicked, 3), SLOT(SXAudioCallback, OnAudio, 3),
                 SLOT(SXEventListener, OnEvent, 3), SLOT(TComboBoxListener, OnSelectionChanged, 3),
                 SLOT(SXThread, Run, 3), SLOT(SXThread, QueryInterface, 0), SLOT(SXThread, AddRef, 1),
                 SLOT(SXThread, Release, 2)});
    ExpectSlots({SLOT_COUNT(TWindowListener, 4), SLOT_COUNT(SXMenuItemListener, 4), SLOT_COUNT(TButtonListener, 4),
                 SLOT_COUNT(SXAudioCallback, 4), SLOT_COUNT(SXEventListener, 4), SLOT_COUNT(TComboBoxListener, 4),
                 SLOT_COUNT(SXThread, 4)});
}

TEST(SlotTest, HostAndApplication) {
    ExpectSlots({SLOT(SXHost, GetInterface, 3),       SLOT(SXApplication, QueryInterface, 0),
                 SLOT(SXApplication, AddRef, 1),      SLOT(SXApplication, Release, 2),
                 SLOT(SXApplication, Reserved3, 3),   SLOT(SXApplication, Reserved4, 4),
                 SLOT(SXApplication, Reserved5, 5),   SLOT(SXApplication, Reserved6, 6),
                 SLOT(SXApplication, Reserved7, 7),   SLOT(SXApplication, Reserved8, 8),
                 SLOT(SXApplication, Reserved9, 9),   SLOT(SXApplication, Reserved10, 10),
                 SLOT(SXApplication, Reserved11, 11), SLOT(SXApplication, Reserved12, 12),
                 SLOT(SXApplication, Reserved13, 13), SLOT(SXApplication, Reserved14, 14),
                 SLOT(SXApplication, Reserved15, 15), SLOT(SXApplication, Reserved16, 16),
                 SLOT(SXApplication, Reserved17, 17), SLOT(SXApplication, IsStarted, 18)});
    ExpectSlots({SLOT(SXApplication, IsWindowSuppressed, 19), SLOT(SXApplication, Reserved20, 20),
                 SLOT(SXApplication, Reserved21, 21), SLOT(SXApplication, Reserved22, 22),
                 SLOT(SXApplication, ShowMessageBox, 23), SLOT(SXApplication, ShowMessage, 24),
                 SLOT(SXApplication, AddMenuItem, 25), SLOT(SXApplication, RemoveMenuItem, 26),
                 SLOT(SXApplication, GetService, 27), SLOT(SXApplication, Reserved28, 28),
                 SLOT(SXApplication, Reserved29, 29), SLOT(SXApplication, RegisterAudioCallback, 30),
                 SLOT(SXApplication, UnregisterAudioCallback, 31), SLOT(SXApplication, RegisterEventListener, 32),
                 SLOT(SXApplication, UnregisterEventListener, 33)});
    ExpectSlots({SLOT(SXApplication, Reserved34, 34), SLOT(SXApplication, Reserved35, 35),
                 SLOT(SXApplication, Reserved36, 36), SLOT(SXApplication, Reserved37, 37),
                 SLOT(SXApplication, PostEvent, 38), SLOT(SXApplication, Reserved39, 39),
                 SLOT(SXApplication, Reserved40, 40), SLOT(SXApplication, GetSampleRate, 41),
                 SLOT(SXApplication, IsStreamFormatProcessing, 42), SLOT(SXApplication, IsProcessAudioEnabled, 43),
                 SLOT(SXApplication, Reserved44, 44), SLOT(SXApplication, Reserved45, 45),
                 SLOT(SXApplication, FreeUtf8, 46), SLOT(SXApplication, WideToUtf8, 47),
                 SLOT(SXApplication, Reserved48, 48), SLOT(SXApplication, StartThread, 49)});
    ExpectSlots({SLOT_COUNT(SXHost, 4), SLOT_COUNT(SXApplication, 50)});
}

TEST(SlotTest, GuiServiceAndFactory) {
    ExpectSlots({SLOT(TGuiService, Reserved3, 3), SLOT(TGuiService, GetFactory, 4),
                 SLOT(TGuiFactory, CreateTopLevelWindow, 3), SLOT(TGuiFactory, CreateButton, 4),
                 SLOT(TGuiFactory, Reserved5, 5), SLOT(TGuiFactory, CreateLabel, 6), SLOT(TGuiFactory, Reserved7, 7),
                 SLOT(TGuiFactory, Reserved8, 8), SLOT(TGuiFactory, CreateComboBox, 9),
                 SLOT(TGuiFactory, Reserved10, 10), SLOT(TGuiFactory, CreateTextBox, 11),
                 SLOT(TGuiFactory, CreateSeparator, 12), SLOT(TGuiFactory, CreatePasswordBox, 13),
                 SLOT(TGuiFactory, CreateNumberBox, 14)});
    ExpectSlots({SLOT_COUNT(TGuiService, 5), SLOT_COUNT(TGuiFactory, 15)});
}

TEST(SlotTest, ComponentWindowAndControls) {
    ExpectSlots({
        SLOT(TComponent, SetText, 3),    SLOT(TComponent, SetSize, 4),          SLOT(TComponent, SetPosition, 5),
        SLOT(TComponent, SetVisible, 6), SLOT(TComponent, SetEnabled, 7),       SLOT(TComponent, GetText, 8),
        SLOT(TComponent, Reserved9, 9),  SLOT(TComponent, Reserved10, 10),      SLOT(TComponent, GetX, 11),
        SLOT(TComponent, GetY, 12),      SLOT(TComponent, Reserved13, 13),      SLOT(TComponent, Reserved14, 14),
        SLOT(TWindow, Reserved15, 15),   SLOT(TWindow, Reserved16, 16),         SLOT(TWindow, SetResizable, 17),
        SLOT(TWindow, Reserved18, 18),   SLOT(TWindow, SetListener, 19),        SLOT(TWindow, SetClosable, 20),
        SLOT(TLabel, SetTextColor, 15),  SLOT(TButton, SetListener, 15),        SLOT(TComboBox, AddItem, 15),
        SLOT(TComboBox, Reserved16, 16), SLOT(TComboBox, Reserved17, 17),       SLOT(TComboBox, Reserved18, 18),
        SLOT(TComboBox, Reserved19, 19), SLOT(TComboBox, GetSelectedIndex, 20), SLOT(TComboBox, SetSelectedIndex, 21),
        SLOT(TComboBox, Reserved22, 22), SLOT(TComboBox, SetListener, 23),
    });
    ExpectSlots({SLOT_COUNT(TComponent, 15), SLOT_COUNT(TWindow, 21), SLOT_COUNT(TLabel, 16), SLOT_COUNT(TButton, 16),
                 SLOT_COUNT(TComboBox, 24), SLOT_COUNT(TTextBox, 15), SLOT_COUNT(TPasswordBox, 15),
                 SLOT_COUNT(TNumberBox, 15), SLOT_COUNT(TSeparator, 15)});
}

}  // namespace
