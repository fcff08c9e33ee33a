// The settings window: its controls, the choices and texts it keeps, and
// when it opens and closes.

#include <vector>

#include "state_texts.h"
#include "support/plugin_fixture.h"
#include "support/stderr_capture.h"

namespace skyflume::test {
namespace {

constexpr Control kTextBoxes[] = {kServerHostBox, kServerPortBox,       kMountPointBox, kUserNameBox,    kPasswordBox,
                                  kRadioNameBox,  kRadioDescriptionBox, kRadioGenreBox, kRadioWebsiteBox};

class WindowTest : public PluginTest {};

// Where the controls stand and what they show is compared as a picture
// (test_window_linux.cpp); this is what a picture does not show.
TEST_F(WindowTest, ANewPluginOpensItsWindowListenedToWithTheDefaultChoices) {
    toolkit.SetPlacement(37, 54);
    InitializeAndActivate();

    ComponentRecord& window = settings.Window();
    EXPECT_EQ(window.text, SX_TEXT("Skyflume"));
    EXPECT_TRUE(window.visible);
    EXPECT_EQ(window.resizable, 0);
    EXPECT_EQ(window.width, 290);
    EXPECT_EQ(window.height, 412);
    EXPECT_EQ(window.windowListener, static_cast<TWindowListener*>(object));
    EXPECT_FALSE(window.positioned) << "a new plug-in keeps the toolkit's placement";
    EXPECT_EQ(State().windowX, 37);
    EXPECT_EQ(State().windowY, 54);

    EXPECT_EQ(toolkit.ControlsOf(window).size(), 25u);
    EXPECT_EQ(settings.At(kStreamButton).buttonListener, static_cast<TButtonListener*>(object));

    const std::vector<HostText> bitRates = {
        SX_TEXT("64 kbps"),  SX_TEXT("80 kbps"),  SX_TEXT("96 kbps"),  SX_TEXT("112 kbps"), SX_TEXT("128 kbps"),
        SX_TEXT("160 kbps"), SX_TEXT("192 kbps"), SX_TEXT("224 kbps"), SX_TEXT("256 kbps"), SX_TEXT("320 kbps")};
    EXPECT_EQ(settings.At(kBitRateCombo).items, bitRates);
    EXPECT_EQ(settings.At(kBitRateCombo).selectedIndex, 4);
    const std::vector<HostText> sampleRates = {SX_TEXT("44100 Hz"), SX_TEXT("48000 Hz")};
    EXPECT_EQ(settings.At(kSampleRateCombo).items, sampleRates);
    EXPECT_EQ(settings.At(kSampleRateCombo).selectedIndex, 0);
    for (const Control combo : {kBitRateCombo, kSampleRateCombo}) {
        EXPECT_EQ(settings.At(combo).comboBoxListener, static_cast<TComboBoxListener*>(object));
    }

    ASSERT_EQ(application.MenuItems().size(), 1u);
    EXPECT_EQ(application.MenuItems()[0].name, SX_TEXT("Skyflume Plug-In"));
    EXPECT_EQ(application.MenuItems()[0].listener, static_cast<SXMenuItemListener*>(object));
    EXPECT_EQ(toolkit.HeldReferences(), 0) << "service and factory are released once the window is built";
}

TEST_F(WindowTest, ChoosingAnItemStoresItsIndexAtOnceAndTheReopenedWindowShowsIt) {
    InitializeAndActivate();
    toolkit.PickItem(settings.At(kBitRateCombo), 9);
    EXPECT_EQ(State().bitRateIndex, 9);
    toolkit.PickItem(settings.At(kSampleRateCombo), 1);
    EXPECT_EQ(State().sampleRateIndex, 1);

    toolkit.PickItem(settings.At(kBitRateCombo), -1);
    toolkit.PickItem(settings.At(kSampleRateCombo), -1);
    EXPECT_EQ(State().bitRateIndex, 9) << "a list without a selection keeps the stored index";
    EXPECT_EQ(State().sampleRateIndex, 1);

    toolkit.RequestClose(settings.Window());
    application.ClickMenuItem(0);
    EXPECT_EQ(settings.At(kBitRateCombo).selectedIndex, 9);
    EXPECT_EQ(settings.At(kSampleRateCombo).selectedIndex, 1);
}

TEST_F(WindowTest, ASelectionInAnotherListChangesNothing) {
    InitializeAndActivate();
    TGuiFactory* factory = nullptr;
    ASSERT_NE(toolkit.GetFactory(kGuiFactoryVersion, &factory), 0);
    TComboBox* foreign = nullptr;
    factory->CreateComboBox(nullptr, &foreign);
    foreign->SetListener(object);
    ComponentRecord& foreignRecord = *toolkit.Components().back();

    toolkit.PickItem(foreignRecord, 7);
    EXPECT_EQ(State().bitRateIndex, 4);
    EXPECT_EQ(State().sampleRateIndex, 0);
    foreign->Release();
    factory->Release();
}

// Emptied boxes may read as none or as an empty string; both store the fall-backs.
class EmptiedTextsTest : public PluginTest, public testing::WithParamInterface<bool> {};

TEST_P(EmptiedTextsTest, StoreTheirFallbacksOnCloseAndTheReopenedWindowShowsThem) {
    toolkit.SetEmptyTextAsNone(GetParam());
    InitializeAndActivate();
    for (const Control box : kTextBoxes) {
        toolkit.TypeText(settings.At(box), SX_TEXT(""));
    }
    EXPECT_EQ(HostText(TextInField(State().radioName)), SX_TEXT("My Radio Station"))
        << "typed texts reach the block only when the window closes";

    toolkit.RequestClose(settings.Window());
    EXPECT_EQ(TextsOf(State()),
              Texts({"localhost", "8384", "/stream", "admin", "tovrz", "none", "none", "none", "none"}));

    application.ClickMenuItem(0);
    EXPECT_EQ(settings.At(kServerPortBox).text, SX_TEXT("8384"));
    EXPECT_EQ(settings.At(kRadioDescriptionBox).text, SX_TEXT("none"));
}

INSTANTIATE_TEST_SUITE_P(NoneOrEmpty, EmptiedTextsTest, testing::Bool());

TEST_F(WindowTest, TypedTextsAreStoredAsTheyAreBlanksIncluded) {
    InitializeAndActivate();
    toolkit.TypeText(settings.At(kServerHostBox), SX_TEXT("   "));
    toolkit.TypeText(settings.At(kRadioGenreBox), SX_TEXT("Jazz"));
    plugin->Deactivate();
    EXPECT_EQ(HostText(TextInField(State().serverHost)), SX_TEXT("   "));
    EXPECT_EQ(HostText(TextInField(State().radioGenre)), SX_TEXT("Jazz"));
}

TEST_F(WindowTest, TheCloseRequestHidesAndReleasesEverythingAndKeepsTheWindowClosed) {
    toolkit.SetPlacement(37, 54);
    InitializeAndActivate();
    ComponentRecord& window = settings.Window();
    window.x = 400;  // the user moved it
    window.y = 300;

    toolkit.SendWindowMessage(window, kWindowCloseMessage + 1);
    EXPECT_TRUE(window.Alive()) << "other messages are ignored";

    toolkit.RequestClose(window);
    EXPECT_FALSE(window.Alive());
    EXPECT_FALSE(window.visible);
    EXPECT_EQ(toolkit.LiveComponents(), 0);
    for (const ComponentRecord* control : toolkit.ControlsOf(window)) {
        EXPECT_LT(control->releaseIndex, window.releaseIndex) << "controls go before their window";
    }
    EXPECT_EQ(State().windowOpen, 0);
    EXPECT_EQ(State().windowX, 400);
    EXPECT_EQ(State().windowY, 300);

    plugin->Deactivate();
    plugin->Activate();
    EXPECT_EQ(toolkit.OpenWindow(), nullptr);
    EXPECT_EQ(WindowsCreated(), 1);
}

TEST_F(WindowTest, ACloseRequestForAnotherWindowChangesNothing) {
    InitializeAndActivate();
    TGuiFactory* factory = nullptr;
    ASSERT_NE(toolkit.GetFactory(kGuiFactoryVersion, &factory), 0);
    TWindow* other = nullptr;
    factory->CreateTopLevelWindow(0, &other);
    static_cast<TWindowListener*>(object)->OnWindowEvent(other, kWindowCloseMessage);
    EXPECT_EQ(State().windowOpen, 1);
    EXPECT_TRUE(toolkit.Components().front()->Alive());
    other->Release();
    factory->Release();
}

TEST_F(WindowTest, DeactivationClosesTheOpenWindowAndActivationReopensItWhereItWas) {
    InitializeAndActivate();
    settings.Window().x = 410;
    settings.Window().y = 220;
    plugin->Deactivate();
    EXPECT_EQ(toolkit.OpenWindow(), nullptr);
    EXPECT_EQ(toolkit.LiveComponents(), 0);
    EXPECT_TRUE(application.MenuItems().empty());
    EXPECT_EQ(State().windowOpen, 1);

    plugin->Activate();
    ComponentRecord& reopened = settings.Window();
    EXPECT_TRUE(reopened.positioned);
    EXPECT_EQ(reopened.x, 410);
    EXPECT_EQ(reopened.y, 220);
    EXPECT_TRUE(reopened.visible);
    EXPECT_EQ(application.MenuItems().size(), 1u);
}

TEST_F(WindowTest, NeitherTheMenuItemNorAnotherActivationOpensASecondWindowAndTheItemReopensAClosedOne) {
    InitializeAndActivate();
    application.ClickMenuItem(0);
    plugin->Activate();
    EXPECT_EQ(WindowsCreated(), 1);
    EXPECT_EQ(State().windowOpen, 1);

    toolkit.RequestClose(settings.Window());
    application.ClickMenuItem(0);
    EXPECT_EQ(WindowsCreated(), 2);
    EXPECT_TRUE(settings.Window().visible);
    EXPECT_EQ(State().windowOpen, 1);
}

// IsWindowSuppressed: only exactly 1 keeps the window shut at activation.
class SuppressedWindowTest : public PluginTest, public testing::WithParamInterface<int32_t> {};

TEST_P(SuppressedWindowTest, OnlyOneKeepsTheWindowShut) {
    application.windowSuppressed = GetParam();
    InitializeAndActivate();
    EXPECT_EQ(toolkit.OpenWindow() != nullptr, GetParam() != 1);
    EXPECT_EQ(application.MenuItems().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Answers, SuppressedWindowTest, testing::Values(0, 1, 2));

TEST_F(WindowTest, WithoutTheGuiServiceNoWindowOpensAndNothingIsSaid) {
    application.SetGuiService(nullptr);
    StderrCapture capture;
    InitializeAndActivate();
    application.ClickMenuItem(0);
    EXPECT_EQ(capture.Text(), "");
    EXPECT_TRUE(toolkit.Components().empty());
    EXPECT_TRUE(application.Messages().empty());
    EXPECT_EQ(application.MenuItems().size(), 1u);
}

}  // namespace
}  // namespace skyflume::test
