#pragma once

#include <cstdint>

#include "plugin_sdk/r_string.h"

// The host's GUI toolkit. All calls, both ways, happen on the GUI thread.
// Coordinates are pixels; a height of 0 asks for the control's standard
// height. Texts passed in are the caller's to release after the call.

class TWindow;
class TButton;
class TComboBox;

class TWindowListener : public RUnknown {
public:
    // message 16 (WM_CLOSE): the user asks to close the window.
    virtual void OnWindowEvent(TWindow* source, int32_t message) = 0;
};

class TButtonListener : public RUnknown {
public:
    virtual void OnButtonClicked(TButton* button) = 0;
};

class TComboBoxListener : public RUnknown {
public:
    virtual void OnSelectionChanged(TComboBox* comboBox) = 0;
};

// Common to the window and every control.
class TComponent : public RUnknown {
public:
    virtual void SetText(RString* text) = 0;
    virtual void SetSize(int32_t width, int32_t height) = 0;
    virtual void SetPosition(int32_t x, int32_t y) = 0;
    virtual void SetVisible(int32_t flag) = 0;
    virtual void SetEnabled(int32_t flag) = 0;
    // *out is preset to none; it receives the content as a new reference, or
    // none for an empty content.
    virtual void GetText(RString** out) = 0;
    virtual void Reserved9() = 0;
    virtual void Reserved10() = 0;
    virtual int32_t GetX() = 0;
    virtual int32_t GetY() = 0;
    virtual void Reserved13() = 0;
    virtual void Reserved14() = 0;
};

class TWindow : public TComponent {
public:
    virtual void Reserved15() = 0;
    virtual void Reserved16() = 0;
    virtual void SetResizable(int32_t flag) = 0;
    virtual void Reserved18() = 0;
    virtual void SetListener(TWindowListener* listener) = 0;
    virtual void SetClosable(int32_t flag) = 0;
};

class TLabel : public TComponent {
public:
    // 0x00BBGGRR
    virtual void SetTextColor(COLORREF color) = 0;
};

class TButton : public TComponent {
public:
    virtual void SetListener(TButtonListener* listener) = 0;
};

class TComboBox : public TComponent {
public:
    virtual void AddItem(RString* text) = 0;
    virtual void Reserved16() = 0;
    virtual void Reserved17() = 0;
    virtual void Reserved18() = 0;
    virtual void Reserved19() = 0;
    // Counts from 0 in the order of AddItem; negative when nothing is selected.
    virtual int32_t GetSelectedIndex() = 0;
    virtual void SetSelectedIndex(int32_t index) = 0;
    virtual void Reserved22() = 0;
    virtual void SetListener(TComboBoxListener* listener) = 0;
};

class TTextBox : public TComponent {};
class TPasswordBox : public TComponent {};
class TNumberBox : public TComponent {};
class TSeparator : public TComponent {};

// Each operation stores a new reference, owned by the caller, through its
// last argument. Controls are released before their window.
class TGuiFactory : public RUnknown {
public:
    virtual void CreateTopLevelWindow(int32_t reserved, TWindow** out) = 0;
    virtual void CreateButton(TWindow* parent, TButton** out) = 0;
    virtual void Reserved5() = 0;
    virtual void CreateLabel(TWindow* parent, int32_t reserved, TLabel** out) = 0;
    virtual void Reserved7() = 0;
    virtual void Reserved8() = 0;
    virtual void CreateComboBox(TWindow* parent, TComboBox** out) = 0;
    virtual void Reserved10() = 0;
    virtual void CreateTextBox(TWindow* parent, TTextBox** out) = 0;
    virtual void CreateSeparator(TWindow* parent, TSeparator** out) = 0;
    virtual void CreatePasswordBox(TWindow* parent, TPasswordBox** out) = 0;
    virtual void CreateNumberBox(TWindow* parent, TNumberBox** out) = 0;
};

class TGuiService : public RUnknown {
public:
    virtual void Reserved3() = 0;
    // Nonzero: *out holds a factory reference for the caller; zero: *out is none.
    virtual int32_t GetFactory(int32_t version, TGuiFactory** out) = 0;
};

// {37336624-CB91-49D5-8C79-709A460A0ECA}
constexpr GUID kGuiServiceId = {0x37336624, 0xCB91, 0x49D5, {0x8C, 0x79, 0x70, 0x9A, 0x46, 0x0A, 0x0E, 0xCA}};
constexpr int32_t kGuiFactoryVersion = 1001;
constexpr int32_t kWindowCloseMessage = 16;
