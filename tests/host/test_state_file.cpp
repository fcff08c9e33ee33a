#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>

#include "host/app/state_file.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

namespace {

using skyflume::test::ScopedEnv;
using skyflume::test::TempFolder;

std::vector<uint8_t> Block(uint8_t seed, std::size_t size = kPluginStateSize) {
    std::vector<uint8_t> block(size);
    for (std::size_t i = 0; i < size; ++i) {
        block[i] = static_cast<uint8_t>(seed + i * 7);
    }
    return block;
}

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> FolderContents(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

TEST(StateFile, SavedBlockLoadsBackAndOnlyItsOwnerCanReadIt) {
    TempFolder folder;
    const auto path = folder / "nested" / "deeper" / "skyflume.state";
    ASSERT_EQ(SaveStateFile(path, Block(1)), "");

    const LoadedState loaded = LoadStateFile(path);
    EXPECT_EQ(loaded.block, Block(1));
    EXPECT_EQ(loaded.warning, "");
    // The block holds the server password.
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    ASSERT_EQ(SaveStateFile(path, Block(2)), "");
    EXPECT_EQ(LoadStateFile(path).block, Block(2));
    EXPECT_EQ(FolderContents(path.parent_path()), std::vector<std::string>{"skyflume.state"});
}

TEST(StateFile, MissingFileMeansNoBlockWithoutComplaint) {
    TempFolder folder;
    const LoadedState loaded = LoadStateFile(folder / "none.state");
    EXPECT_TRUE(loaded.block.empty());
    EXPECT_EQ(loaded.warning, "");
}

class StateFileOfAnotherSize : public testing::TestWithParam<std::size_t> {};

TEST_P(StateFileOfAnotherSize, IsIgnoredWithAWarning) {
    TempFolder folder;
    const auto path = folder / "skyflume.state";
    WriteFile(path, Block(3, GetParam()));
    const LoadedState loaded = LoadStateFile(path);
    EXPECT_TRUE(loaded.block.empty());
    EXPECT_NE(loaded.warning.find(std::to_string(GetParam()) + " bytes"), std::string::npos) << loaded.warning;
}

INSTANTIATE_TEST_SUITE_P(Sizes, StateFileOfAnotherSize,
                         testing::Values(std::size_t{0}, kPluginStateSize - 1, kPluginStateSize + 1));

TEST(StateFile, AFolderIsIgnoredWithAWarning) {
    TempFolder folder;
    const LoadedState fromFolder = LoadStateFile(folder.Path());
    EXPECT_TRUE(fromFolder.block.empty());
    EXPECT_NE(fromFolder.warning.find(folder.Path().string()), std::string::npos) << fromFolder.warning;
}

// Lowers the file size limit, as a full disk or quota would, so that the
// temporary file's write fails partway. SIGXFSZ would otherwise end the test.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &previous);
        rlimit lowered = previous;
        lowered.rlim_cur = bytes;
        applied = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
    }
    bool Applied() const { return applied; }

private:
    rlimit previous{};
    void (*previousHandler)(int) = nullptr;
    bool applied = false;
};

TEST(StateFile, FailedSaveLeavesThePreviousBlockAndNoLeftovers) {
    TempFolder folder;
    const auto path = folder / "skyflume.state";
    ASSERT_EQ(SaveStateFile(path, Block(4)), "");

    std::string error;
    {
        FileSizeLimit limit(kPluginStateSize / 2);
        ASSERT_TRUE(limit.Applied());
        error = SaveStateFile(path, Block(5));
    }
    EXPECT_NE(error, "");
    EXPECT_EQ(LoadStateFile(path).block, Block(4));
    EXPECT_EQ(FolderContents(folder.Path()), std::vector<std::string>{"skyflume.state"});

    const std::string refused = SaveStateFile(path, Block(6, kPluginStateSize - 4));
    EXPECT_NE(refused.find(std::to_string(kPluginStateSize - 4)), std::string::npos) << refused;
    EXPECT_EQ(LoadStateFile(path).block, Block(4));
}

TEST(StateFile, SaveWhereNoFolderCanBeMadeFailsWithTheReason) {
    TempFolder folder;
    const auto blocker = folder / "a-file";
    WriteFile(blocker, {1, 2, 3});
    const std::string error = SaveStateFile(blocker / "skyflume.state", Block(7));
    EXPECT_NE(error.find(blocker.string()), std::string::npos) << error;
}

// XDG_STATE_HOME when it is an absolute path, else the folder in HOME.
struct StateHome {
    const char* variable;  // none when unset
    const char* path;
};

void PrintTo(const StateHome& home, std::ostream* out) {
    *out << (home.variable != nullptr ? home.variable : "unset");
}

class DefaultStatePathTest : public testing::TestWithParam<StateHome> {};

TEST_P(DefaultStatePathTest, FollowsTheUsersStateFolder) {
    const ScopedEnv home("HOME", "/home/listener");
    const ScopedEnv state("XDG_STATE_HOME", GetParam().variable);
    EXPECT_EQ(DefaultStatePath(), GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(
    StateHomes, DefaultStatePathTest,
    testing::Values(StateHome{"/var/state/listener", "/var/state/listener/sonaplex-host/skyflume.state"},
                    StateHome{nullptr, "/home/listener/.local/state/sonaplex-host/skyflume.state"},
                    StateHome{"relative/state", "/home/listener/.local/state/sonaplex-host/skyflume.state"}));

}  // namespace
