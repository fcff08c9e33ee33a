// Proves that the cross-built FFmpeg DLLs load under Wine and carry what the
// module uses: the MP3 muxer, the LAME encoder, the resampler and the Icecast
// protocol.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswresample/swresample.h>
}

#include <gtest/gtest.h>
#include <windows.h>

#include <string_view>

namespace {

bool has_output_protocol(std::string_view name) {
    void* opaque = nullptr;
    while (const char* p = avio_enum_protocols(&opaque, 1)) {
        if (name == p) return true;
    }
    return false;
}

TEST(FfmpegWin64, LibrariesAreTheFfmpeg51Series) {
    EXPECT_EQ(AV_VERSION_MAJOR(avformat_version()), 59u);
    EXPECT_EQ(AV_VERSION_MAJOR(avcodec_version()), 59u);
    EXPECT_EQ(AV_VERSION_MAJOR(avutil_version()), 57u);
    EXPECT_EQ(AV_VERSION_MAJOR(swresample_version()), 4u);
}

TEST(FfmpegWin64, HasMp3MuxerAndLameEncoder) {
    EXPECT_NE(av_guess_format("mp3", nullptr, nullptr), nullptr);
    const AVCodec* lame = avcodec_find_encoder_by_name("libmp3lame");
    ASSERT_NE(lame, nullptr);
    AVCodecContext* ctx = avcodec_alloc_context3(lame);
    ASSERT_NE(ctx, nullptr);
    ctx->sample_rate = 44100;
    ctx->sample_fmt = AV_SAMPLE_FMT_S16P;
    ctx->bit_rate = 128000;
    av_channel_layout_default(&ctx->ch_layout, 2);
    EXPECT_EQ(avcodec_open2(ctx, lame, nullptr), 0);
    avcodec_free_context(&ctx);
}

TEST(FfmpegWin64, HasIcecastProtocol) {
    EXPECT_TRUE(has_output_protocol("icecast"));
}

TEST(FfmpegWin64, ResamplerInitialises) {
    SwrContext* swr = nullptr;
    AVChannelLayout stereo;
    av_channel_layout_default(&stereo, 2);
    ASSERT_EQ(
        swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_S16P, 44100, &stereo, AV_SAMPLE_FMT_FLT, 48000, 0, nullptr),
        0);
    EXPECT_EQ(swr_init(swr), 0);
    swr_free(&swr);
}

TEST(FfmpegWin64, ModuleWithStaticRuntimeLoads) {
    HMODULE module = LoadLibraryA("probe_module.dll");
    ASSERT_NE(module, nullptr) << "LoadLibrary error " << GetLastError();
    using Probe = unsigned (*)();
    auto probe =
        reinterpret_cast<Probe>(reinterpret_cast<void*>(GetProcAddress(module, "probe_avformat_version_from_thread")));
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(probe(), avformat_version());
    EXPECT_TRUE(FreeLibrary(module));
}

}  // namespace
