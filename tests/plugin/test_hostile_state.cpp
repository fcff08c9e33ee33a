// Random state blocks through the built module as sonaplex-host meets them:
// restored, the settings window drawn as a picture, one Stream click.
// Whatever a state file holds, nothing may crash, the window must be whole
// and the click must end in a message or a finished stream attempt.

#include <cstdint>
#include <filesystem>
#include <random>
#include <vector>

#include "host/app/window_picture.h"
#include "host/app/window_snapshot.h"
#include "host/host_object.h"
#include "host/recording_gui_toolkit.h"
#include "support/fake_server.h"
#include "support/module_fixture.h"
#include "support/png_image.h"
#include "support/recording_application.h"
#include "support/settings_window.h"
#include "support/temp_folder.h"

namespace {

using skyflume::test::FakeServer;

constexpr int kBlocks = 300;
constexpr std::size_t kStateSize = 1204;

// The text fields of the block: offset and capacity in UTF-16 code units.
struct TextField {
    std::size_t offset;
    std::size_t units;
};
constexpr TextField kServer{20, 128};
constexpr TextField kPort{276, 16};
constexpr TextField kMount{308, 32};
constexpr TextField kTextFields[] = {kServer,   kPort,     kMount,    {372, 64}, {500, 64},
                                     {628, 64}, {756, 64}, {884, 32}, {948, 128}};

void PutText(std::vector<uint8_t>& block, TextField field, const std::u16string& text) {
    for (std::size_t i = 0; i <= text.size() && i < field.units; ++i) {
        const char16_t unit = i < text.size() ? text[i] : 0;
        block[field.offset + 2 * i] = static_cast<uint8_t>(unit & 0xFF);
        block[field.offset + 2 * i + 1] = static_cast<uint8_t>(unit >> 8);
    }
}

// Every other block is random throughout. The rest end each text at a
// random length, so that some Stream clicks get past the plug-in's checks;
// those point at a closed port on loopback, so that no click reaches
// further than this machine.
std::vector<uint8_t> RandomBlock(std::mt19937& random, bool reachable, uint16_t closedPort) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<uint8_t> block(kStateSize);
    for (uint8_t& value : block) {
        value = static_cast<uint8_t>(byte(random));
    }
    if (reachable) {
        for (const TextField field : kTextFields) {
            std::uniform_int_distribution<std::size_t> length(0, field.units - 1);
            const std::size_t end = field.offset + 2 * length(random);
            block[end] = block[end + 1] = 0;
        }
        const std::string port = std::to_string(closedPort);
        PutText(block, kServer, u"127.0.0.1");
        PutText(block, kPort, std::u16string(port.begin(), port.end()));
        block[kMount.offset] = '/';
        block[kMount.offset + 1] = 0;
    }
    return block;
}

class HostileStateTest : public ModuleTest {};

TEST_F(HostileStateTest, RandomStateFilesRestoreDrawAndTakeAStreamClick) {
    const FakeServer closed(FakeServer::Kind::Closed);
    const skyflume::test::TempFolder folder;
    const auto png = folder / "window.png";
    std::mt19937 random(20251208);
    for (int n = 0; n < kBlocks; ++n) {
        SCOPED_TRACE("block " + std::to_string(n));
        const std::vector<uint8_t> block = RandomBlock(random, n % 2 == 1, closed.Port());
        RecordingGuiToolkit toolkit;
        RecordingApplication application(&toolkit);
        HostObject hostObject(&application);
        RPlugin* plugin = nullptr;
        ASSERT_NE(getPlugin(&plugin), nullptr);
        ASSERT_EQ(plugin->Initialize(nullptr, kPluginInterfaceVersion, &hostObject), 1);
        plugin->SetState(block.data(), static_cast<int32_t>(block.size()));
        plugin->Activate();
        if (toolkit.OpenWindow() == nullptr) {
            application.ClickMenuItem(0);
        }
        ComponentRecord* window = toolkit.OpenWindow();
        ASSERT_NE(window, nullptr);

        ComponentRecord& button = skyflume::test::SettingsWindow(toolkit, window).At(kStreamButton);
        const WindowPicture picture = SnapshotOf(toolkit, *window);
        EXPECT_EQ(picture.controls.size(), 25u);
        ASSERT_EQ(DrawWindowPicture(picture, png), "");
        const skyflume::test::Image drawn = skyflume::test::ReadPng(png);
        ASSERT_LT(button.x + 3, drawn.width);
        ASSERT_LT(button.y + 3, drawn.height);
        // The button is drawn last: its face differs from the window's.
        EXPECT_NE(drawn.At(button.x + 3, button.y + 3), drawn.At(0, 0));
        toolkit.Click(button);
        if (application.Messages().empty()) {
            EXPECT_TRUE(application.WaitForEvent(kEventStreamEnded, std::chrono::seconds(10)));
        }

        plugin->Deactivate();
        void* saved = nullptr;
        EXPECT_EQ(plugin->GetState(&saved), static_cast<int32_t>(kStateSize));
        plugin->Unload(1);
        EXPECT_TRUE(application.WaitForThreads(std::chrono::seconds(10)));
        EXPECT_EQ(plugin->Release(), 0);
        EXPECT_EQ(toolkit.LiveComponents(), 0);
    }
}

}  // namespace
