// The state block that the host stores and restores: defaults, round trips
// and blocks that a host may hand back damaged.

#include <algorithm>
#include <vector>

#include "state_texts.h"
#include "support/plugin_fixture.h"

namespace skyflume::test {
namespace {

std::vector<uint8_t> CopyOf(const PluginState& state) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&state);
    return {bytes, bytes + sizeof(PluginState)};
}

class PersistenceTest : public PluginTest {};

TEST_F(PersistenceTest, ANewBlockIsZeroButForWindowOpenUntilInitializeWritesTheDefaults) {
    void* block = nullptr;
    ASSERT_EQ(plugin->GetState(&block), 1204);
    const auto* bytes = static_cast<const uint8_t*>(block);
    for (size_t i = 0; i < 1204; ++i) {
        EXPECT_EQ(bytes[i], i == 8 ? 1 : 0) << "byte " << i;
    }

    Initialize();
    void* initialized = nullptr;
    ASSERT_EQ(plugin->GetState(&initialized), 1204);
    EXPECT_EQ(initialized, block) << "the live block, not a copy";
    const PluginState& state = State();
    EXPECT_EQ(state.windowX, 0);
    EXPECT_EQ(state.windowY, 0);
    EXPECT_EQ(state.windowOpen, 1);
    EXPECT_EQ(state.bitRateIndex, 4);
    EXPECT_EQ(state.sampleRateIndex, 0);
    EXPECT_EQ(TextsOf(state), Texts({"localhost", "8384", "/stream", "admin", "tovrz", "My Radio Station",
                                     "My Radio Station Description", "Music", "https://example.com/"}));
}

TEST_F(PersistenceTest, ARestoredBlockBringsBackPositionChoicesAndTexts) {
    InitializeAndActivate();
    settings.Window().x = 321;
    settings.Window().y = 123;
    toolkit.TypeText(settings.At(kServerHostBox), SX_TEXT("radio.example.org"));
    toolkit.TypeText(settings.At(kRadioNameBox), SX_TEXT("Night Owl"));
    toolkit.PickItem(settings.At(kBitRateCombo), 9);
    toolkit.PickItem(settings.At(kSampleRateCombo), 1);
    plugin->Deactivate();
    const std::vector<uint8_t> saved = CopyOf(State());
    plugin->Release();

    int freshDestroyed = 0;
    RPlugin* fresh = new PluginUnderTest(freshDestroyed);
    ASSERT_EQ(fresh->Initialize(nullptr, kPluginInterfaceVersion, &hostObject), 1);
    fresh->SetState(saved.data(), static_cast<int32_t>(saved.size()));
    fresh->Activate();

    ComponentRecord& window = settings.Window();
    EXPECT_TRUE(window.positioned);
    EXPECT_EQ(window.x, 321);
    EXPECT_EQ(window.y, 123);
    EXPECT_EQ(settings.At(kServerHostBox).text, SX_TEXT("radio.example.org"));
    EXPECT_EQ(settings.At(kRadioNameBox).text, SX_TEXT("Night Owl"));
    EXPECT_EQ(settings.At(kMountPointBox).text, SX_TEXT("/stream"));
    EXPECT_EQ(settings.At(kBitRateCombo).selectedIndex, 9);
    EXPECT_EQ(settings.At(kSampleRateCombo).selectedIndex, 1);

    fresh->Deactivate();
    EXPECT_EQ(fresh->Release(), 0);
    EXPECT_EQ(freshDestroyed, 1);
}

TEST_F(PersistenceTest, ABlockOfAnotherSizeIsIgnored) {
    InitializeAndActivate();
    std::vector<uint8_t> block = CopyOf(State());
    reinterpret_cast<PluginState*>(block.data())->bitRateIndex = 7;
    block.push_back(0);
    const std::vector<uint8_t> before = CopyOf(State());

    plugin->SetState(block.data(), 1203);
    plugin->SetState(block.data(), 1205);
    EXPECT_EQ(CopyOf(State()), before);
    EXPECT_FALSE(settings.Window().positioned);
}

TEST_F(PersistenceTest, ABlockRestoredWhileTheWindowIsOpenMovesItAndRefillsTheSameControls) {
    InitializeAndActivate();
    PluginState restored = State();
    restored.windowX = 77;
    restored.windowY = 88;
    restored.sampleRateIndex = 1;
    StoreTextInField(restored.userName, SX_TEXT("source"));
    const size_t componentsBefore = toolkit.Components().size();

    plugin->SetState(&restored, sizeof restored);
    EXPECT_EQ(toolkit.Components().size(), componentsBefore) << "nothing is rebuilt";
    EXPECT_EQ(settings.Window().x, 77);
    EXPECT_EQ(settings.Window().y, 88);
    EXPECT_EQ(settings.At(kUserNameBox).text, SX_TEXT("source"));
    EXPECT_EQ(settings.At(kSampleRateCombo).selectedIndex, 1);
}

TEST_F(PersistenceTest, TextsWithoutTerminatorAreReadOnlyWithinTheirFields) {
    Initialize();
    PluginState restored = State();
    std::fill(std::begin(restored.serverPort), std::end(restored.serverPort), WChar{'9'});
    std::fill(std::begin(restored.radioWebsite), std::end(restored.radioWebsite), WChar{'w'});
    plugin->SetState(&restored, sizeof restored);
    plugin->Activate();

    EXPECT_EQ(settings.At(kServerPortBox).text, Repeated('9', 16));
    EXPECT_EQ(settings.At(kMountPointBox).text, SX_TEXT("/stream"));
    EXPECT_EQ(settings.At(kRadioWebsiteBox).text, Repeated('w', 128));
}

TEST_F(PersistenceTest, ALongerTextIsCutToTheFieldWithoutSplittingASurrogatePair) {
    InitializeAndActivate();
    const HostText emoji = {0xD83D, 0xDE00};
    toolkit.TypeText(settings.At(kServerHostBox), Repeated('h', 300));
    toolkit.TypeText(settings.At(kServerPortBox), Repeated('1', 14) + emoji);
    toolkit.TypeText(settings.At(kMountPointBox), Repeated('m', 29) + emoji);
    toolkit.TypeText(settings.At(kRadioGenreBox), Repeated('g', 31));
    plugin->Deactivate();

    const PluginState& state = State();
    EXPECT_EQ(HostText(TextInField(state.serverHost)), Repeated('h', 127));
    EXPECT_EQ(HostText(TextInField(state.serverPort)), Repeated('1', 14));
    EXPECT_EQ(HostText(TextInField(state.mountPoint)), Repeated('m', 29) + emoji);
    EXPECT_EQ(HostText(TextInField(state.radioGenre)), Repeated('g', 31));
    EXPECT_EQ(state.serverHost[127], 0);
    EXPECT_EQ(HostText(TextInField(state.password)), SX_TEXT("tovrz")) << "the next field is untouched";
}

TEST_F(PersistenceTest, AShorterTextLeavesTheOldTailBehindItsTerminator) {
    InitializeAndActivate();
    toolkit.TypeText(settings.At(kRadioNameBox), SX_TEXT("Jo"));
    plugin->Deactivate();
    EXPECT_EQ(HostText(TextInField(State().radioName)), SX_TEXT("Jo"));
    EXPECT_EQ(State().radioName[3], WChar{'R'}) << "remains of \"My Radio Station\"";
    plugin->Activate();
    EXPECT_EQ(settings.At(kRadioNameBox).text, SX_TEXT("Jo"));
}

// A restored bit-rate index outside the table counts as the default 128 kbps,
// and a sample-rate index other than 0 or 1 as 48000 Hz, which a stream uses.
class BitRateIndexTest : public PluginTest, public testing::WithParamInterface<int32_t> {};

TEST_P(BitRateIndexTest, OutsideTheTableCountsAsTheDefault) {
    Initialize();
    PluginState restored = State();
    restored.bitRateIndex = restored.sampleRateIndex = GetParam();
    plugin->SetState(&restored, sizeof restored);
    EXPECT_EQ(kBitRateTable[BitRateIndex(State())], 128);
    plugin->Activate();
    EXPECT_EQ(settings.At(kBitRateCombo).selectedIndex, 4);
    EXPECT_EQ(settings.At(kSampleRateCombo).selectedIndex, 1);
}

INSTANTIATE_TEST_SUITE_P(Restored, BitRateIndexTest, testing::Values(-1, 10, 1000, INT32_MIN));

}  // namespace
}  // namespace skyflume::test
