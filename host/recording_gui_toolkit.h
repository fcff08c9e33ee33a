#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "host/host_string.h"
#include "plugin_sdk/gui_toolkit.h"

// A GUI toolkit without a screen: it keeps what a plug-in does to its
// windows and controls, and acts as the user would on them.

enum class ComponentKind { Window, Button, Label, ComboBox, TextBox, Separator, PasswordBox, NumberBox };

// What the toolkit knows of one window or control. Records outlive their
// objects, so a test can look at what was done after the release.
struct ComponentRecord {
    ComponentKind kind;
    int32_t creationIndex;          // across the toolkit, from 0
    const ComponentRecord* parent;  // none for a window
    TComponent* object;             // none once released
    int32_t releaseIndex = -1;      // across the toolkit, from 0; -1 while alive
    HostText text;
    bool positioned = false;  // SetPosition called
    int32_t x = 0;
    int32_t y = 0;
    bool sized = false;  // SetSize called
    int32_t width = 0;
    int32_t height = 0;
    bool visible = false;
    bool enabled = true;
    std::vector<HostText> items;
    int32_t selectedIndex = -1;
    bool colored = false;  // SetTextColor called
    COLORREF textColor = 0;
    int32_t resizable = 1;
    int32_t closable = 1;
    TWindowListener* windowListener = nullptr;
    TButtonListener* buttonListener = nullptr;
    TComboBoxListener* comboBoxListener = nullptr;

    bool Alive() const { return object != nullptr; }
};

class RecordingGuiToolkit : public TGuiService {
public:
    RecordingGuiToolkit();
    ~RecordingGuiToolkit();
    RecordingGuiToolkit(const RecordingGuiToolkit&) = delete;
    RecordingGuiToolkit& operator=(const RecordingGuiToolkit&) = delete;

    // Observation.
    const std::vector<std::shared_ptr<ComponentRecord>>& Components() const;
    // The last window created that is still alive; none if there is none.
    ComponentRecord* OpenWindow() const;
    // The controls created for a window, in creation order.
    std::vector<ComponentRecord*> ControlsOf(const ComponentRecord& window) const;
    // Windows and controls not yet released.
    int32_t LiveComponents() const;
    // References to the service and its factory that others hold.
    int32_t HeldReferences() const;

    // The user's actions.
    void TypeText(ComponentRecord& box, std::basic_string_view<WChar> text);
    // Selects the item (a negative index selects none) and tells the listener.
    void PickItem(ComponentRecord& comboBox, int32_t index);
    // Tells the listener, if the button is enabled.
    void Click(ComponentRecord& button);
    void SendWindowMessage(ComponentRecord& window, int32_t message);
    void RequestClose(ComponentRecord& window) { SendWindowMessage(window, kWindowCloseMessage); }

    // RUnknown: the toolkit outlives its users; counting only tracks them.
    int32_t QueryInterface(const GUID* iid, void** out) override;
    int32_t AddRef() override;
    int32_t Release() override;

    // TGuiService
    void Reserved3() override {}
    int32_t GetFactory(int32_t version, TGuiFactory** out) override;

    struct Shared;
    class Factory;

protected:
    // How toolkits differ where plug-ins must cope with either answer.
    struct Conventions {
        // Where a new window stands; GetX and GetY answer it until SetPosition.
        int32_t placementX = 0;
        int32_t placementY = 0;
        // Whether GetText of an empty box hands out none or an empty string.
        bool emptyTextAsNone = true;
    };
    Conventions& ConventionsInUse();

private:
    std::shared_ptr<Shared> shared;
    std::unique_ptr<Factory> factory;
    int32_t serviceReferences = 0;
};
