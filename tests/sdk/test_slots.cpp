// Every operation of every interface sits in the slot that host and module
// agree on. Host and module share these headers, so a slot missing from a
// header would go unnoticed by either side; only a comparison with the
// agreed table catches it. Each list is in slot order.

#include <gtest/gtest.h>

#include "plugin_sdk/gui_toolkit.h"
#include "plugin_sdk/host_application.h"
#include "plugin_sdk/host_listeners.h"
#include "plugin_sdk/r_plugin.h"
#include "plugin_sdk/r_string.h"
#include "slot_layout.h"

namespace {

TEST(SlotTest, RootAndStringAndPlugin) {
    ExpectSlots<RUnknown>("RUnknown", 0, &RUnknown::QueryInterface, &RUnknown::AddRef, &RUnknown::Release);
    ExpectSlots<RString>("RString", 3, &RString::GetBuffer, &RString::GetLength);
    using P = RPlugin;
    ExpectSlots<P>("RPlugin", 0, &P::QueryInterface, &P::AddRef, &P::Release, &P::GetPluginName, &P::GetPluginAuthor,
                   &P::GetPluginId, &P::ReservedQuery, &P::Initialize, &P::SetState, &P::Activate, &P::Deactivate,
                   &P::GetState, &P::ReservedNotify, &P::Unload);
}

TEST(SlotTest, Listeners) {
    ExpectSlots<TWindowListener>("TWindowListener", 3, &TWindowListener::OnWindowEvent);
    ExpectSlots<SXMenuItemListener>("SXMenuItemListener", 3, &SXMenuItemListener::OnMenuItemClicked);
    ExpectSlots<TButtonListener>("TButtonListener", 3, &TButtonListener::OnButtonClicked);
    ExpectSlots<SXAudioCallback>("SXAudioCallback", 3, &SXAudioCallback::OnAudio);
    ExpectSlots<SXEventListener>("SXEventListener", 3, &SXEventListener::OnEvent);
    ExpectSlots<TComboBoxListener>("TComboBoxListener", 3, &TComboBoxListener::OnSelectionChanged);
    ExpectSlots<SXThread>("SXThread", 0, &SXThread::QueryInterface, &SXThread::AddRef, &SXThread::Release,
                          &SXThread::Run);
}

TEST(SlotTest, HostAndApplication) {
    ExpectSlots<SXHost>("SXHost", 3, &SXHost::GetInterface);
    using A = SXApplication;
    ExpectSlots<A>("SXApplication", 0, &A::QueryInterface, &A::AddRef, &A::Release, &A::Reserved3, &A::Reserved4,
                   &A::Reserved5, &A::Reserved6, &A::Reserved7, &A::Reserved8, &A::Reserved9, &A::Reserved10,
                   &A::Reserved11, &A::Reserved12, &A::Reserved13, &A::Reserved14, &A::Reserved15, &A::Reserved16,
                   &A::Reserved17, &A::IsStarted, &A::IsWindowSuppressed, &A::Reserved20, &A::Reserved21,
                   &A::Reserved22, &A::ShowMessageBox, &A::ShowMessage, &A::AddMenuItem, &A::RemoveMenuItem,
                   &A::GetService, &A::Reserved28, &A::Reserved29, &A::RegisterAudioCallback,
                   &A::UnregisterAudioCallback, &A::RegisterEventListener, &A::UnregisterEventListener, &A::Reserved34,
                   &A::Reserved35, &A::Reserved36, &A::Reserved37, &A::PostEvent, &A::Reserved39, &A::Reserved40,
                   &A::GetSampleRate, &A::IsStreamFormatProcessing, &A::IsProcessAudioEnabled, &A::Reserved44,
                   &A::Reserved45, &A::FreeUtf8, &A::WideToUtf8, &A::Reserved48, &A::StartThread);
}

TEST(SlotTest, GuiServiceAndFactory) {
    ExpectSlots<TGuiService>("TGuiService", 3, &TGuiService::Reserved3, &TGuiService::GetFactory);
    using F = TGuiFactory;
    ExpectSlots<F>("TGuiFactory", 3, &F::CreateTopLevelWindow, &F::CreateButton, &F::Reserved5, &F::CreateLabel,
                   &F::Reserved7, &F::Reserved8, &F::CreateComboBox, &F::Reserved10, &F::CreateTextBox,
                   &F::CreateSeparator, &F::CreatePasswordBox, &F::CreateNumberBox);
}

TEST(SlotTest, ComponentWindowAndControls) {
    using C = TComponent;
    ExpectSlots<C>("TComponent", 3, &C::SetText, &C::SetSize, &C::SetPosition, &C::SetVisible, &C::SetEnabled,
                   &C::GetText, &C::Reserved9, &C::Reserved10, &C::GetX, &C::GetY, &C::Reserved13, &C::Reserved14);
    ExpectSlots<TWindow>("TWindow", 15, &TWindow::Reserved15, &TWindow::Reserved16, &TWindow::SetResizable,
                         &TWindow::Reserved18, &TWindow::SetListener, &TWindow::SetClosable);
    ExpectSlots<TLabel>("TLabel", 15, &TLabel::SetTextColor);
    ExpectSlots<TButton>("TButton", 15, &TButton::SetListener);
    using B = TComboBox;
    ExpectSlots<B>("TComboBox", 15, &B::AddItem, &B::Reserved16, &B::Reserved17, &B::Reserved18, &B::Reserved19,
                   &B::GetSelectedIndex, &B::SetSelectedIndex, &B::Reserved22, &B::SetListener);
    ExpectSlots<TTextBox>("TTextBox", 15);
    ExpectSlots<TPasswordBox>("TPasswordBox", 15);
    ExpectSlots<TNumberBox>("TNumberBox", 15);
    ExpectSlots<TSeparator>("TSeparator", 15);
}

}  // namespace
