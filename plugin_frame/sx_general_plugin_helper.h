#pragma once

#include <cstring>
#include <type_traits>

#include "plugin_frame/cr_string.h"
#include "plugin_frame/sx_general_plugin.h"
#include "plugin_sdk/gui_toolkit.h"
#include "plugin_sdk/ref_ptr.h"

// The frame of a plug-in with one settings window: a persisted state block
// handed to the host as it is, the window built through the host's GUI
// service, a menu item that reopens it, and a fixed order of steps for
// activation, deactivation, loading and saving. The concrete plug-in
// overrides the hooks and forwards the RUnknown operations of every interface
// to its one count.
//
// PluginState is a trivially copyable block whose first fields windowX,
// windowY (int32_t) and windowOpen (uint8_t) belong to the frame.
template <class PluginState>
class SXGeneralPluginHelper : public SXGeneralPlugin, public TWindowListener, public SXMenuItemListener {
    static_assert(std::is_trivially_copyable_v<PluginState>);

public:
    // RPlugin
    void GetPluginName(RString** out) override { *out = CreateRString(GetShortName()); }
    void GetPluginAuthor(RString** out) override { *out = CreateRString(GetAuthorName()); }
    int32_t Initialize(void* context, int32_t version, SXHost* sxHost) override {
        if (SXGeneralPlugin::Initialize(context, version, sxHost) == 0) {
            return 0;
        }
        return OnInitialize(kPluginInterfaceVersion, sxHost);
    }
    void SetState(const void* block, int32_t size) override {
        if (size != static_cast<int32_t>(sizeof(PluginState))) {
            return;
        }
        std::memcpy(&state, block, sizeof(PluginState));
        windowPositionValid = true;
        OnStateLoaded();
        if (window != nullptr) {
            RefreshWindow();
        }
    }
    void Activate() override {
        // A window already open stays the one window.
        if (window == nullptr && IsWindowWanted()) {
            OpenWindow();
        }
        const RefPtr<RString> name = RefPtr<RString>::Adopt(CreateRString(GetDisplayName()));
        host->AddMenuItem(name.Get(), this);
        OnActivate();
        activated = true;
    }
    void Deactivate() override {
        activated = false;
        OnDeactivate();
        host->RemoveMenuItem(this);
        if (window != nullptr) {
            CloseWindow();
        }
        windowPositionValid = true;
    }
    // The live block, not a copy: texts typed into an open window reach it
    // only when the window closes.
    int32_t GetState(void** block) override {
        OnStateSaving();
        *block = &state;
        return static_cast<int32_t>(sizeof(PluginState));
    }
    // A host closing in a hurry may unload without deactivating: nothing it
    // holds may still lead to the object once it is released, so the menu
    // item and the window go as deactivation takes them.
    void Unload(int32_t flag) override {
        if (flag == 0) {
            return;
        }
        if (activated) {
            Deactivate();
        }
        OnUnload();
    }

    // TWindowListener
    void OnWindowEvent(TWindow* source, int32_t message) override {
        if (source == window && window != nullptr && message == kWindowCloseMessage) {
            state.windowOpen = 0;
            CloseWindow();
        }
    }

    // SXMenuItemListener
    void OnMenuItemClicked(int32_t) override {
        state.windowOpen = 1;
        if (window == nullptr) {
            OpenWindow();
        }
    }

protected:
    SXGeneralPluginHelper() {
        std::memset(&state, 0, sizeof(PluginState));
        state.windowOpen = 1;
    }

    // The plug-in's own operations, in their order.

    // Places, fills and shows the open window.
    virtual void RefreshWindow() {
        if (windowPositionValid) {
            window->SetPosition(state.windowX, state.windowY);
        } else {
            state.windowX = window->GetX();
            state.windowY = window->GetY();
        }
        LoadControls();
        window->SetVisible(1);
    }
    virtual bool IsWindowWanted() { return host->IsWindowSuppressed() != 1 && state.windowOpen != 0; }
    // The factory is released before the service, both on leaving.
    virtual void OpenWindow() {
        void* service = nullptr;
        if (host->GetService(&kGuiServiceId, &service) == 0) {
            return;
        }
        const RefPtr<TGuiService> guiService = RefPtr<TGuiService>::Adopt(static_cast<TGuiService*>(service));
        RefPtr<TGuiFactory> factory;
        if (guiService->GetFactory(kGuiFactoryVersion, factory.Receive()) == 0) {
            MessageBoxW(nullptr, SX_TEXT("Required GUI service not found. Please update your application."),
                        GetShortName(), MB_OK | MB_ICONERROR);
            return;
        }
        factory->CreateTopLevelWindow(0, &window);
        SetComponentText(window, GetWindowTitle());
        CreateControls(guiService.Get(), factory.Get());
        window->SetResizable(0);
        window->SetListener(this);
        RefreshWindow();
    }
    // Keeps the position for the next opening, then lets the controls go
    // before the window.
    virtual void CloseWindow() {
        state.windowX = window->GetX();
        state.windowY = window->GetY();
        windowPositionValid = true;
        window->SetVisible(0);
        DestroyControls();
        window->Release();
        window = nullptr;
    }
    virtual const WChar* GetWindowTitle() { return GetShortName(); }
    // Texts of static lifetime.
    virtual const WChar* GetDisplayName() = 0;
    virtual const WChar* GetShortName() = 0;
    virtual const WChar* GetAuthorName() = 0;
    // Runs once host is set; its answer is Initialize's.
    virtual int32_t OnInitialize(int32_t version, SXHost* sxHost) = 0;
    virtual void OnUnload() {}
    // Both arguments are valid for the call only. The window exists and has
    // its title; it is neither listened to nor visible yet.
    virtual void CreateControls(TGuiService* guiService, TGuiFactory* factory) = 0;
    // The window is hidden and released right after: no reference to it or
    // its controls may remain.
    virtual void DestroyControls() = 0;
    virtual void OnStateLoaded() {}
    virtual void OnStateSaving() {}
    // Runs before the window is shown.
    virtual void LoadControls() = 0;
    virtual void OnActivate() {}
    virtual void OnDeactivate() {}

    // Hands a text to a window or control for the one call.
    static void SetComponentText(TComponent* component, const WChar* text) {
        const RefPtr<RString> string = RefPtr<RString>::Adopt(CreateRString(text));
        component->SetText(string.Get());
    }

    PluginState state;
    // Whether windowX and windowY are to be applied when the window is
    // shown; otherwise the toolkit's own placement is kept and recorded.
    bool windowPositionValid = false;
    // Between Activate and Deactivate.
    bool activated = false;
    // Owned by the frame while open. Held raw: the object may outlive the
    // toolkit, so nothing is released on destruction, only by CloseWindow.
    TWindow* window = nullptr;
};
