// demo_e2e_test.cpp - the real demo program headless: how each run ends, the
// sync listing, and the capture decoded back with FFmpeg's libraries.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "demo_run.h"
#include "frame_reference.h"
#include "xm_test_songs.h"

namespace {

// The folder's files with their sizes.
std::vector<std::string> Listing(const std::string &dir)
{
    std::vector<std::string> files;
    for (const auto &entry : std::filesystem::directory_iterator(dir))
        files.push_back(entry.path().filename().string() + " " + std::to_string(entry.file_size()));
    std::sort(files.begin(), files.end());
    return files;
}

// After each run the folder holds what it held before, "kept.mkv" as it was:
// a failed capture leaves neither its file nor its temporary file.
TEST(DemoEndToEnd, EachRunEndsWithItsCodeAndLine)
{
    TempDir dir;
    ASSERT_TRUE(WriteSolidPng(dir.File("red.png"), 120, 90, 0xFFFF0000u));
    ASSERT_TRUE(WriteSolidPng(dir.File("soft.png"), 401, 301, 0x8000FF00u));
    ASSERT_TRUE(WriteText(dir.File("kept.mkv"), "old"));
    ASSERT_TRUE(WriteText(dir.File("pics.dat"), "red.png\r\nsoft.png\n"));
    EXPECT_FALSE(DemoProcess(dir.path()).Wait(2).exited) << "no module, so no sync ends it";
    // The first Z00 shows the second picture, the second ends the show when
    // the music reaches it, 3.6 s in, less the sound buffered ahead.
    ASSERT_TRUE(WriteSyncModule(dir.File("demo.xm"), {1, 30}, 64));
    const auto start = std::chrono::steady_clock::now();
    const DemoExit shown = RunDemo(dir.path());
    EXPECT_GT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3000));
    EXPECT_EQ(std::make_tuple(shown.code, shown.err, shown.out), std::make_tuple(0, "", ""));
    std::remove(dir.File("pics.dat").c_str());
    const std::vector<std::string> files = Listing(dir.path());
    const struct {
        const char *args;
        int code;
        const char *err; // after "demo: "
        const char *list = "red.png\r\nsoft.png\n"; // "pics.dat", none when null
        std::vector<std::string> env = {};
        long fileLimit = 0;
    } cases[] = {
        {"", 1, "cannot load picture \"missing.png\"", "red.png\nmissing.png\nsoft.png\n"},
        {"", 1, "cannot read \"pics.dat\": No such file or directory", nullptr},
        {"", 1, "\"pics.dat\" lists no picture", "\nab\n"},
        {"", 1, "cannot open the display", "red.png\n", {"SDL_VIDEODRIVER=x11", "DISPLAY=:none"}},
        {"--capture show.avi", 1, "cannot capture to \"show.avi\": the name must end in .mp4 or .mkv"},
        {"--capture none/show.mkv --scale 1", 1, "cannot write \"none/show.mkv\": No such file or directory"},
        {"--capture kept.mkv --scale 1", 1, "cannot write \"kept.mkv\": File too large", "red.png\nsoft.png\n", {}, 100000},
        {"--bogus", 2, "unknown option \"--bogus\" (see --help)"},
        {"--capture", 2, "--capture needs a value (see --help)"},
        {"--scale 0 --capture a.mkv", 2, "--scale takes a whole number from 1 to 8, not \"0\""},
        {"--scale 9 --capture a.mkv", 2, "--scale takes a whole number from 1 to 8, not \"9\""},
        {"--seconds -1 --capture a.mkv", 2, "--seconds takes a number of seconds above 0, not \"-1\""},
        {"--seconds 2", 2, "--seconds only goes with --capture"},
        {"--window --list-syncs", 2, "--window, --list-syncs and --capture go one at a time"},
        {"none", 2, "cannot open the folder \"none\": No such file or directory"},
        {"--window=yes", 2, "--window takes no value"},
        {"one two", 2, "more than one folder given (\"one\" and \"two\")"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args + std::string(" with ") + (c.list ? c.list : "no list"));
        if (c.list) {
            ASSERT_TRUE(WriteText(dir.File("pics.dat"), c.list));
        }
        const DemoExit result = RunDemo(dir.path(), {c.args, c.env, c.fileLimit});
        std::remove(dir.File("pics.dat").c_str());
        EXPECT_EQ(std::make_tuple(result.exited, result.code, result.err, result.out),
                  std::make_tuple(true, c.code, "demo: " + std::string(c.err) + "\n", ""));
        EXPECT_EQ(Listing(dir.path()), files);
    }
    const DemoExit help = RunDemo(dir.path(), {"--help"});
    EXPECT_EQ(std::make_tuple(help.code, help.out.rfind("usage: demo", 0)), std::make_tuple(0, 0u)) << help.out;
}

// Every Zxx of the sync song once through, timed by hand: order 0 loops rows
// 2..4 once (E60/E61), holds row 5 three rows long (EE2), goes to speed 2 on
// row 6 and breaks to row 2 of order 1 (D02), where BPM 150 (F96) starts and
// B02 jumps to order 2; the restart at order 1 plays its two skipped rows at
// speed 3 and BPM 125, then stops. A tick lasts 2.5 / BPM s. The Z00s on row
// 0 and on row 3, twice, show pictures 2 and 3 and end the show.
TEST(DemoEndToEnd, SyncListingNamesWhatEachZ00Does)
{
    TempDir dir;
    ASSERT_TRUE(xm_save(xm_sync_song(), dir.File("demo.xm").c_str()));
    ASSERT_TRUE(WriteText(dir.File("pics.dat"), "one.png\ntwo.png\nthree.png\n"));
    std::filesystem::create_directory(dir.File("sub"));
    const DemoExit run = RunDemo(dir.File("sub"), {"--list-syncs .."});
    EXPECT_EQ(std::make_tuple(run.code, run.err), std::make_tuple(0, ""));
    EXPECT_EQ(run.out.substr(run.out.find('\n') + 1), "  0.000000     0       0   0       2 Z00  → picture 2: two.png\n"
                                                      "  0.060000     0       0   1       3 ZAB\n"
                                                      "  0.180000     0       0   3       2 Z01\n"
                                                      "  0.180000     0       0   3       4 Z00  → picture 3: three.png\n"
                                                      "  0.360000     0       0   3       2 Z01\n"
                                                      "  0.360000     0       0   3       4 Z00  → end\n"
                                                      "  0.480000     0       0   5       4 Z02\n"
                                                      "  0.660000     0       0   6       3 Z03\n"
                                                      "  0.700000     0       0   7       2 Z04\n"
                                                      "  0.740000     1       1   2       1 Z12\n"
                                                      "  0.806667     2       2   0       2 Z20\n"
                                                      "  0.906667     2       2   3       1 Z21\n"
                                                      "  0.940000     1       1   0       1 Z10\n"
                                                      "  1.000000     1       1   1       2 Z11\n");

    // Five pictures need four Z00s and a fifth to end.
    ASSERT_TRUE(WriteText(dir.File("pics.dat"), "1.png\n2.png\n3.png\n4.png\n5.png\n"));
    const DemoExit short_of_syncs = RunDemo(dir.path(), {"--list-syncs"});
    const std::string &warned = short_of_syncs.err;
    EXPECT_EQ(std::make_tuple(short_of_syncs.code, std::count(warned.begin(), warned.end(), '\n'),
                              warned.find("pictures 5 to 5") != std::string::npos),
              std::make_tuple(0, 2, true)) << warned;

    std::remove(dir.File("demo.xm").c_str());
    const DemoExit no_music = RunDemo(dir.path(), {"--list-syncs"});
    EXPECT_EQ(std::make_tuple(no_music.code, no_music.err),
              std::make_tuple(1, "demo: cannot play \"demo.xm\": No such file or directory\n"));
}

// A video file decoded back: its frames as 0xRRGGBB words, and its audio sample frames.
struct Decoded {
    std::vector<std::vector<uint32_t>> frames;
    int64_t samples = 0;
};

Decoded Decode(const std::string &file)
{
    Decoded result;
    AVFormatContext *format = nullptr;
    if (avformat_open_input(&format, file.c_str(), nullptr, nullptr) < 0)
        return result;
    avformat_find_stream_info(format, nullptr);
    std::vector<AVCodecContext *> decoders;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVCodec *codec = avcodec_find_decoder(format->streams[i]->codecpar->codec_id);
        decoders.push_back(avcodec_alloc_context3(codec));
        avcodec_parameters_to_context(decoders[i], format->streams[i]->codecpar);
        avcodec_open2(decoders[i], codec, nullptr);
    }
    AVPacket *packet = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    auto decode = [&](AVCodecContext *decoder, AVPacket *sent) {
        avcodec_send_packet(decoder, sent);
        while (avcodec_receive_frame(decoder, frame) >= 0) {
            result.samples += decoder->codec_type == AVMEDIA_TYPE_AUDIO ? frame->nb_samples : 0;
            if (decoder->codec_type != AVMEDIA_TYPE_VIDEO)
                continue;
            std::vector<uint32_t> &pixels = result.frames.emplace_back();
            for (int y = 0; y < frame->height; ++y)
                for (int x = 0; x < frame->width; ++x)
                    pixels.push_back(reinterpret_cast<uint32_t *>(frame->data[0] + y * frame->linesize[0])[x] &
                                     0xFFFFFF);
        }
    };
    for (; av_read_frame(format, packet) >= 0; av_packet_unref(packet))
        decode(decoders[packet->stream_index], packet);
    for (AVCodecContext *decoder : decoders) {
        decode(decoder, nullptr);
        avcodec_free_context(&decoder);
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avformat_close_input(&format);
    return result;
}

// Two pictures, Z00s on rows 2 and 5, captured whole: 60 frames and 48,000
// sample frames a second up to the ending row, the second picture from the
// frame holding its row's first sample as the listing times it; at twice the
// size each pixel a sharp 2x2 square.
TEST(DemoEndToEnd, CaptureShowsEachPictureFromTheFrameOfItsSyncRow)
{
    TempDir dir;
    const uint32_t colors[] = {0xFFFF0000u, 0xFF00FF00u};
    std::vector<std::unique_ptr<Picture>> pictures;
    for (int i = 0; i < 2; ++i) {
        pictures.emplace_back(MakeSolidPicture(120 - 39 * i, 90 - 29 * i, colors[i]));
        ASSERT_TRUE(WriteSolidPng(dir.File(std::to_string(i) + ".png"), 120 - 39 * i, 90 - 29 * i, colors[i]));
    }
    ASSERT_TRUE(WriteText(dir.File("pics.dat"), "0.png\n1.png\n"));
    ASSERT_TRUE(WriteSyncModule(dir.File("demo.xm"), {2, 5}, 64));
    const std::string listing = RunDemo(dir.path(), {"--list-syncs"}).out;
    const int change = int(std::llround(std::stod(listing.substr(listing.find('\n'))) * 48000) / 800);
    ASSERT_EQ(RunDemo(dir.path(), {"--capture show.mkv --scale 1"}).code, 0);
    ASSERT_EQ(RunDemo(dir.path(), {"--capture big.mkv --scale 2"}).code, 0);
    const Decoded video = Decode(dir.File("show.mkv")), big = Decode(dir.File("big.mkv"));
    ASSERT_EQ(std::make_tuple(video.frames.size(), big.frames.size(), video.samples),
              std::make_tuple(36u, 36u, 36 * 800)); // row 5 starts at 0.6 s
    ASSERT_EQ(std::make_tuple(video.frames[0].size(), big.frames[0].size()), std::make_tuple(320u * 240, 640u * 480));
    std::vector<int> shown;
    for (int frame : {0, change - 1, change, 35})
        shown.push_back(PictureShown(video.frames[frame], pictures, 1, 1.0));
    EXPECT_EQ(shown, (std::vector<int>{0, 0, 1, 1})) << "second picture from frame " << change;
    for (size_t f = 0; f < big.frames.size(); ++f)
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                ASSERT_EQ(big.frames[f][y * 640 + x], video.frames[f][y / 2 * 320 + x / 2])
                    << "frame " << f << " at " << x << "," << y;
}

} // namespace
