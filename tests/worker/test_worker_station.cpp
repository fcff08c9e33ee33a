// The station texts are announced to the server with the source connection.

#include <gtest/gtest.h>

#include "worker_harness.h"

namespace skyflume::test {
namespace {

class WorkerStationTest : public WorkerTest {
protected:
    // Streams with these texts and stops, keeping the server's view of the
    // mount while the run streamed.
    void StreamAndStop(const StreamParams& params) {
        ASSERT_NO_FATAL_FAILURE(StartStreaming(params));
        mount = server.MountStatus();
        EXPECT_EQ(run->Stop(), kStatusOk);
        EXPECT_TRUE(server.SourceGone());
        ASSERT_TRUE(mount.has_value());
    }

    std::optional<std::map<std::string, std::string>> mount;
};

TEST_F(WorkerStationTest, StatusShowsTheFourStationTexts) {
    StreamParams params = ParamsFor(server);
    params.radioName = "Radio Skyflume";
    params.radioDescription = "Tunes from the hill";
    params.radioGenre = "Ambient";
    params.radioWebsite = "http://radio.example/";
    ASSERT_NO_FATAL_FAILURE(StreamAndStop(params));
    EXPECT_EQ(mount->at("server_name"), "Radio Skyflume");
    EXPECT_EQ(mount->at("server_description"), "Tunes from the hill");
    EXPECT_EQ(mount->at("genre"), "Ambient");
    EXPECT_EQ(mount->at("server_url"), "http://radio.example/");
}

// The server shows placeholders of its own for texts that the source did not
// announce, and no website at all.
TEST_F(WorkerStationTest, AbsentTextsAnnounceNothing) {
    ASSERT_NO_FATAL_FAILURE(StreamAndStop(ParamsFor(server)));
    EXPECT_EQ(mount->at("server_name"), "Unspecified name");
    EXPECT_EQ(mount->at("server_description"), "Unspecified description");
    EXPECT_EQ(mount->at("genre"), "various");
    EXPECT_EQ(mount->count("server_url"), 0u);
}

}  // namespace
}  // namespace skyflume::test
