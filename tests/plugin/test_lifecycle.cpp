// The plug-in object's life: one count through every interface, the
// Initialize handshake and its names.

#include <array>
#include <cstring>

#include "support/plugin_fixture.h"

namespace skyflume::test {
namespace {

class LifecycleTest : public PluginTest {
protected:
    // The RUnknown of each of the nine interface parts, primary first.
    std::array<RUnknown*, 9> Parts() {
        return {static_cast<CRUnknown*>(object),       static_cast<RPlugin*>(object),
                static_cast<TWindowListener*>(object), static_cast<SXMenuItemListener*>(object),
                static_cast<TButtonListener*>(object), static_cast<SXAudioCallback*>(object),
                static_cast<SXEventListener*>(object), static_cast<TComboBoxListener*>(object),
                static_cast<SXThread*>(object)};
    }
};

TEST_F(LifecycleTest, EveryPartCountsOnTheOneCountAndTheLastReleaseDestroysOnce) {
    const auto parts = Parts();
    int32_t expected = 1;
    for (RUnknown* part : parts) {
        void* untouched = &expected;
        EXPECT_EQ(part->QueryInterface(&kGuiServiceId, &untouched), kENoInterface);
        EXPECT_EQ(untouched, &expected);
        EXPECT_EQ(part->AddRef(), ++expected);
    }
    for (RUnknown* part : parts) {
        EXPECT_EQ(part->Release(), --expected);
    }
    EXPECT_EQ(destroyed, 0);

    EXPECT_EQ(static_cast<SXThread*>(object)->AddRef(), 2);
    EXPECT_EQ(plugin->Release(), 1);
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(static_cast<SXThread*>(object)->Release(), 0);
    EXPECT_EQ(destroyed, 1);
}

TEST_F(LifecycleTest, InitializeRefusesAnotherVersionWithoutAskingTheHost) {
    EXPECT_EQ(plugin->Initialize(nullptr, kPluginInterfaceVersion + 1, &hostObject), 0);
    EXPECT_EQ(hostObject.Lookups(), 0);
    EXPECT_EQ(State().bitRateIndex, 0);
}

TEST_F(LifecycleTest, InitializeFailsWithoutTheApplicationAndWritesNoDefaults) {
    hostObject.Refuse();
    EXPECT_EQ(plugin->Initialize(nullptr, kPluginInterfaceVersion, &hostObject), 0);
    EXPECT_EQ(hostObject.Lookups(), 1);
    EXPECT_EQ(State().bitRateIndex, 0);
    EXPECT_EQ(State().serverHost[0], 0);
}

TEST_F(LifecycleTest, NamesAndIdAreThePluginsOwn) {
    RString* name = nullptr;
    plugin->GetPluginName(&name);
    EXPECT_EQ(TextOf(name), SX_TEXT("Skyflume"));
    EXPECT_EQ(name->Release(), 0);

    RString* author = nullptr;
    plugin->GetPluginAuthor(&author);
    EXPECT_EQ(TextOf(author), SX_TEXT("Quillmark"));
    EXPECT_EQ(author->Release(), 0);

    const GUID* id = nullptr;
    plugin->GetPluginId(&id);
    const GUID expected = {0xE85D1DFD, 0x8B26, 0x4399, {0xA2, 0xE8, 0x20, 0xFE, 0x31, 0x56, 0x00, 0xC1}};
    ASSERT_NE(id, nullptr);
    EXPECT_EQ(std::memcmp(id, &expected, sizeof(GUID)), 0);
}

}  // namespace
}  // namespace skyflume::test
