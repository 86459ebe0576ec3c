// demo_e2e_test.cpp - the real demo program with SDL's dummy drivers: how
// each run ends (the music's last Z00, a failure or a refused command line,
// each with its code and line), the sync listing with its row times, and
// the capture into a video file decoded back with FFmpeg's libraries.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "demo_run.h"
#include "frame_reference.h"
#include "xm_test_songs.h"

namespace fs = std::filesystem;

namespace {

std::string Slurp(const std::string &path)
{
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

std::vector<std::string> Listing(const std::string &dir)
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// After each run the folder holds what it held before, "kept.mkv" unchanged:
// a failed capture leaves neither its file nor its temporary file.
TEST(DemoEndToEnd, EachRunEndsWithItsCodeAndLine)
{
    TempDir dir;
    ASSERT_TRUE(WriteSolidPng(dir.File("red.png"), 120, 90, 0xFFFF0000u));
    ASSERT_TRUE(WriteSolidPng(dir.File("soft.png"), 401, 301, 0x8000FF00u));
    ASSERT_TRUE(WriteText(dir.File("kept.mkv"), "old"));
    ASSERT_TRUE(WriteText(dir.File("pics.dat"), "red.png\r\nsoft.png\n"));
    EXPECT_FALSE(DemoProcess(dir.path()).Wait(2).exited) << "no module, so no sync ends it";
    // The first Z00 shows the second picture, the second ends the show.
    ASSERT_TRUE(WriteSyncModule(dir.File("demo.xm"), {4, 12}, 64));
    std::remove(dir.File("pics.dat").c_str());
    const std::vector<std::string> files = Listing(dir.path());
    const struct {
        const char *args;
        const char *list; // "pics.dat", none when null
        int code;
        std::string err;
        std::vector<std::string> env = {};
        long fileLimit = 0;
    } cases[] = {
        {"", "red.png\r\nsoft.png\n", 0, ""},
        {"", "red.png\nmissing.png\nsoft.png\n", 1, "demo: cannot load picture \"missing.png\"\n"},
        {"", nullptr, 1, "demo: cannot read \"pics.dat\": No such file or directory\n"},
        {"", "\nab\n", 1, "demo: \"pics.dat\" lists no picture\n"},
        // An X11 display with no server to reach, and a driver that does not exist.
        {"", "red.png\n", 1, "demo: cannot open the display\n", {"SDL_VIDEODRIVER=x11", "DISPLAY=:none"}},
        {"", "red.png\n", 1, "demo: cannot open the display\n", {"SDL_VIDEODRIVER=no-such-driver"}},
        {"--capture show.avi", "red.png\n", 1,
         "demo: cannot capture to \"show.avi\": the name must end in .mp4 or .mkv\n"},
        {"--capture no-such-folder/show.mkv --scale 1", "red.png\n", 1,
         "demo: cannot write \"no-such-folder/show.mkv\": No such file or directory\n"},
        {"--capture kept.mkv --scale 1", "red.png\nsoft.png\n", 1, "demo: cannot write \"kept.mkv\": File too large\n", {},
         100000},
        {"--bogus", "red.png\n", 2, "demo: unknown option \"--bogus\" (see --help)\n"},
        {"--capture", "red.png\n", 2, "demo: --capture needs a value (see --help)\n"},
        {"--scale 0 --capture a.mkv", "red.png\n", 2, "demo: --scale takes a whole number from 1 to 8, not \"0\"\n"},
        {"--scale 9 --capture a.mkv", "red.png\n", 2, "demo: --scale takes a whole number from 1 to 8, not \"9\"\n"},
        {"--seconds -1 --capture a.mkv", "red.png\n", 2,
         "demo: --seconds takes a number of seconds above 0, not \"-1\"\n"},
        {"--seconds 2", "red.png\n", 2, "demo: --seconds only goes with --capture\n"},
        {"--window --list-syncs", "red.png\n", 2, "demo: --window, --list-syncs and --capture go one at a time\n"},
        {"no-such-folder", "red.png\n", 2,
         "demo: cannot open the folder \"no-such-folder\": No such file or directory\n"},
        {"--window=yes", "red.png\n", 2, "demo: --window takes no value\n"},
        {"one two", "red.png\n", 2, "demo: more than one folder given (\"one\" and \"two\")\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args + std::string(" with ") + (c.list ? c.list : "no list"));
        if (c.list) {
            ASSERT_TRUE(WriteText(dir.File("pics.dat"), c.list));
        }
        const DemoExit result = RunDemo(dir.path(), {c.args, c.env, c.fileLimit});
        std::remove(dir.File("pics.dat").c_str());
        ASSERT_TRUE(result.exited);
        EXPECT_EQ(result.code, c.code);
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(Listing(dir.path()), files);
        EXPECT_EQ(Slurp(dir.File("kept.mkv")), "old");
    }
    const DemoExit help = RunDemo(dir.path(), {"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(help.out.rfind("usage: demo", 0), 0u) << help.out;
}

// Every Zxx cell of the sync song once through, read off its patterns by
// hand: order 0 loops rows 2..4 back once (E60/E61), holds row 5 for three
// rows' worth (EE2), drops to speed 2 on row 6, breaks into row 2 of order 1
// (D02), where BPM 150 (F96) starts and B02 jumps to order 2. The restart at
// order 1 then plays the two rows it skipped, at speed 3 and BPM 125, and
// stops at the first row played before. A tick lasts 2.5 / BPM seconds.
// The Z00s on rows 0 and 3, and on row 3 again after the loop, show the
// second and third of three pictures and end the show.
TEST(DemoEndToEnd, SyncListingNamesWhatEachZ00Does)
{
    TempDir dir;
    ASSERT_TRUE(xm_save(xm_sync_song(), dir.File("demo.xm").c_str()));
    ASSERT_TRUE(WriteText(dir.File("pics.dat"), "one.png\ntwo.png\nthree.png\n"));
    fs::create_directory(dir.File("sub"));
    const DemoExit run = RunDemo(dir.File("sub"), {"--list-syncs .."});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.err, "");
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
    EXPECT_EQ(short_of_syncs.code, 0);
    EXPECT_EQ(std::count(short_of_syncs.err.begin(), short_of_syncs.err.end(), '\n'), 2) << short_of_syncs.err;
    EXPECT_NE(short_of_syncs.err.find("pictures 5 to 5"), std::string::npos) << short_of_syncs.err;

    std::remove(dir.File("demo.xm").c_str());
    const DemoExit no_music = RunDemo(dir.path(), {"--list-syncs"});
    EXPECT_EQ(no_music.code, 1);
    EXPECT_EQ(no_music.err, "demo: cannot play \"demo.xm\": cannot be read\n");
}

// A video file decoded back: every frame as 0xRRGGBB words and the count
// of audio sample frames.
struct Decoded {
    int width = 0, height = 0;
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
    auto drain = [&](AVCodecContext *decoder, AVPacket *sent) {
        avcodec_send_packet(decoder, sent);
        while (avcodec_receive_frame(decoder, frame) >= 0) {
            if (decoder->codec_type == AVMEDIA_TYPE_AUDIO) {
                result.samples += frame->nb_samples;
                continue;
            }
            result.width = frame->width;
            result.height = frame->height;
            std::vector<uint32_t> &pixels = result.frames.emplace_back(size_t(frame->width) * frame->height);
            for (int y = 0; y < frame->height; ++y)
                std::memcpy(&pixels[size_t(y) * frame->width], frame->data[0] + y * frame->linesize[0],
                            4 * size_t(frame->width));
            for (uint32_t &word : pixels)
                word &= 0xFFFFFF;
        }
    };
    for (; av_read_frame(format, packet) >= 0; av_packet_unref(packet))
        drain(decoders[packet->stream_index], packet);
    for (AVCodecContext *decoder : decoders) {
        drain(decoder, nullptr);
        avcodec_free_context(&decoder);
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avformat_close_input(&format);
    return result;
}

// The bundled show's first 16 seconds: 60 frames and 48,000 sample frames a
// second, and each picture first in the frame that holds the first sample
// of its Z00's row as the listing times it. A capture of its first 1.5 s
// at twice the size holds the same frames, each pixel a sharp 2x2 square.
TEST(DemoEndToEnd, CaptureShowsEachPictureFromTheFrameOfItsSyncRow)
{
    TempDir dir;
    const DemoExit listing = RunDemo(EXAMPLE_DIR, {"--list-syncs"});
    ASSERT_EQ(listing.code, 0);
    std::vector<int> changeFrames;
    std::istringstream rows(listing.out);
    for (std::string line; std::getline(rows, line);)
        if (line.find("→ picture") != std::string::npos)
            changeFrames.push_back(static_cast<int>(std::llround(std::stod(line) * 48000) / 800));
    ASSERT_GE(changeFrames.size(), 2u);

    const DemoExit capture = RunDemo(EXAMPLE_DIR, {"--capture " + dir.File("show.mkv") + " --scale 1 --seconds 16"});
    ASSERT_EQ(capture.code, 0) << capture.err;
    const Decoded video = Decode(dir.File("show.mkv"));
    EXPECT_EQ(std::make_pair(video.width, video.height), std::make_pair(320, 240));
    ASSERT_EQ(video.frames.size(), 960u);
    EXPECT_EQ(video.samples, 960 * 800);

    std::vector<std::unique_ptr<Picture>> pictures;
    for (const char *name : {"orb.png", "emblem.png", "tiles.png"}) {
        pictures.push_back(std::make_unique<Picture>());
        ASSERT_TRUE(pictures.back()->Load((EXAMPLE_DIR "/" + std::string(name)).c_str()));
    }
    for (int picture = 0; picture < 3; ++picture) {
        const int first = picture == 0 ? 0 : changeFrames[picture - 1];
        const int last = picture == 2 ? 959 : changeFrames[picture] - 1;
        EXPECT_EQ(PictureShown(video.frames[first], pictures, 1, 1.0), picture) << "frame " << first;
        EXPECT_EQ(PictureShown(video.frames[last], pictures, 1, 1.0), picture) << "frame " << last;
    }

    ASSERT_EQ(RunDemo(EXAMPLE_DIR, {"--capture " + dir.File("big.mkv") + " --scale 2 --seconds 1.5"}).code, 0);
    const Decoded big = Decode(dir.File("big.mkv"));
    EXPECT_EQ(big.width, 640);
    ASSERT_EQ(big.frames.size(), 90u);
    for (size_t f = 0; f < big.frames.size(); ++f)
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                ASSERT_EQ(big.frames[f][y * 640 + x], video.frames[f][y / 2 * 320 + x / 2])
                    << "frame " << f << " at " << x << "," << y;
}

} // namespace
