// show_tools_test.cpp - the program's tools for people who make shows: the
// command line, the sync listing with its row times, and the capture into
// a video file decoded back with FFmpeg's libraries.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "loadpng.h"
#include "xm_test_songs.h"

namespace fs = std::filesystem;

namespace {

struct DemoRun {
    int code;
    std::string out;
    std::string err;
};

std::string slurp(const fs::path &path)
{
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

// The test's own name in the temporary folder, with the process's number
// so that runs of the suite at the same time keep apart.
fs::path scratch_path()
{
    return fs::temp_directory_path() / ("show_tools_" + std::to_string(getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
}

// The demo started in `dir` with `args` through the shell, after `prelude`;
// its output is kept beside the scratch folders, never in `dir`.
DemoRun run_demo(const fs::path &dir, const std::string &args, const std::string &prelude = "")
{
    const fs::path output = scratch_path();
    const std::string command = "cd '" + dir.string() + "' && " + prelude + " exec " DEMO_BINARY " " + args + " >'" +
                                output.string() + ".out' 2>'" + output.string() + ".err' </dev/null";
    const int status = std::system(("sh -c \"" + command + "\"").c_str());
    DemoRun run = {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(output.string() + ".out"),
                   slurp(output.string() + ".err")};
    fs::remove(output.string() + ".out");
    fs::remove(output.string() + ".err");
    return run;
}

int lines(const std::string &text)
{
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

class ShowFolder : public ::testing::Test {
protected:
    fs::path dir = scratch_path();
    void SetUp() override
    {
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    void write(const std::string &name, const std::string &text) { std::ofstream(dir / name) << text; }
};

TEST_F(ShowFolder, CommandLineRefusesWhatItCannotDoWithTwoAndOneLine)
{
    const char *refused[] = {
        "--bogus",          "--capture",          "--scale 0 --capture a.mkv", "--scale 9 --capture a.mkv",
        "--seconds -1 --capture a.mkv", "--seconds 2",  "--window --list-syncs",     "no-such-folder",
        "--window=yes",     "one two",
    };
    for (const char *args : refused) {
        const DemoRun run = run_demo(dir, args);
        EXPECT_EQ(run.code, 2) << args;
        EXPECT_EQ(lines(run.err), 1) << args << ": " << run.err;
    }
    const DemoRun help = run_demo(dir, "--help");
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
TEST_F(ShowFolder, SyncListingNamesWhatEachZ00Does)
{
    const std::vector<uint8_t> song = xm_write(xm_sync_song());
    write("demo.xm", std::string(song.begin(), song.end()));
    write("pics.dat", "one.png\ntwo.png\nthree.png\n");
    fs::create_directory(dir / "sub");
    const DemoRun run = run_demo(dir / "sub", "--list-syncs ..");
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
    write("pics.dat", "1.png\n2.png\n3.png\n4.png\n5.png\n");
    const DemoRun short_of_syncs = run_demo(dir, "--list-syncs");
    EXPECT_EQ(short_of_syncs.code, 0);
    EXPECT_EQ(lines(short_of_syncs.err), 2) << short_of_syncs.err;
    EXPECT_NE(short_of_syncs.err.find("pictures 5 to 5"), std::string::npos) << short_of_syncs.err;

    fs::remove(dir / "demo.xm");
    const DemoRun no_music = run_demo(dir, "--list-syncs");
    EXPECT_EQ(no_music.code, 1);
    EXPECT_EQ(lines(no_music.err), 1);
    EXPECT_NE(no_music.err.find("demo.xm"), std::string::npos);
}

// A video file decoded back: every frame as 0xRRGGBB words and the count
// of audio sample frames.
struct Decoded {
    int width = 0;
    int height = 0;
    std::vector<std::vector<uint32_t>> frames;
    int64_t samples = 0;
};

Decoded decode(const fs::path &file)
{
    Decoded result;
    AVFormatContext *format = nullptr;
    if (avformat_open_input(&format, file.c_str(), nullptr, nullptr) < 0)
        return result;
    avformat_find_stream_info(format, nullptr);
    std::vector<AVCodecContext *> decoders(format->nb_streams);
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVCodec *codec = avcodec_find_decoder(format->streams[i]->codecpar->codec_id);
        decoders[i] = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(decoders[i], format->streams[i]->codecpar);
        avcodec_open2(decoders[i], codec, nullptr);
    }
    AVPacket *packet = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    auto drain = [&](AVCodecContext *decoder) {
        while (avcodec_receive_frame(decoder, frame) >= 0) {
            if (decoder->codec_type == AVMEDIA_TYPE_AUDIO) {
                result.samples += frame->nb_samples;
                continue;
            }
            result.width = frame->width;
            result.height = frame->height;
            std::vector<uint32_t> pixels(static_cast<size_t>(frame->width) * frame->height);
            for (int y = 0; y < frame->height; ++y)
                std::memcpy(&pixels[static_cast<size_t>(y) * frame->width], frame->data[0] + y * frame->linesize[0],
                            4 * static_cast<size_t>(frame->width));
            for (uint32_t &word : pixels)
                word &= 0xFFFFFF;
            result.frames.push_back(std::move(pixels));
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        avcodec_send_packet(decoders[packet->stream_index], packet);
        drain(decoders[packet->stream_index]);
        av_packet_unref(packet);
    }
    for (AVCodecContext *decoder : decoders) {
        avcodec_send_packet(decoder, nullptr);
        drain(decoder);
        avcodec_free_context(&decoder);
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avformat_close_input(&format);
    return result;
}

// Which of the pictures a 320x240 frame shows: the one whose opaque pixels
// the frame holds, each channel within the blend's rounding.
int shown_picture(const std::vector<uint32_t> &frame, const std::vector<Picture *> &pictures)
{
    for (size_t p = 0; p < pictures.size(); ++p) {
        const Picture &picture = *pictures[p];
        const int left = (320 - picture.width) / 2;
        const int top = (240 - picture.height) / 2;
        bool matches = true;
        for (int y = 0; y < picture.height && matches; ++y)
            for (int x = 0; x < picture.width && matches; ++x) {
                const uint32_t want = picture.pixels[y * picture.width + x];
                if (want >> 24 != 255)
                    continue;
                const uint32_t got = frame[(top + y) * 320 + left + x];
                for (int shift = 0; shift < 24 && matches; shift += 8)
                    matches = std::abs(int(got >> shift & 255) - int(want >> shift & 255)) <= 1;
            }
        if (matches)
            return static_cast<int>(p);
    }
    return -1;
}

// The bundled show's first 16 seconds: 60 frames and 48,000 sample frames a
// second, and each picture first in the frame that holds the first sample
// of its Z00's row as the listing times it.
TEST_F(ShowFolder, CaptureShowsEachPictureFromTheFrameOfItsSyncRow)
{
    const DemoRun listing = run_demo(EXAMPLE_DIR, "--list-syncs");
    ASSERT_EQ(listing.code, 0);
    std::vector<int> changeFrames;
    std::istringstream rows(listing.out);
    for (std::string line; std::getline(rows, line);)
        if (line.find("→ picture") != std::string::npos)
            changeFrames.push_back(static_cast<int>(std::llround(std::stod(line) * 48000) / 800));
    ASSERT_GE(changeFrames.size(), 2u);

    const DemoRun capture = run_demo(EXAMPLE_DIR, "--capture '" + (dir / "show.mkv").string() + "' --scale 1 --seconds 16");
    ASSERT_EQ(capture.code, 0) << capture.err;
    const Decoded video = decode(dir / "show.mkv");
    EXPECT_EQ(video.width, 320);
    EXPECT_EQ(video.height, 240);
    ASSERT_EQ(video.frames.size(), 960u);
    EXPECT_EQ(video.samples, 960 * 800);

    std::vector<Picture *> pictures;
    for (const char *name : {"orb.png", "emblem.png", "tiles.png"}) {
        pictures.push_back(new Picture);
        ASSERT_TRUE(pictures.back()->Load((fs::path(EXAMPLE_DIR) / name).c_str()));
    }
    for (int picture = 0; picture < 3; ++picture) {
        const int first = picture == 0 ? 0 : changeFrames[picture - 1];
        const int last = picture == 2 ? 959 : changeFrames[picture] - 1;
        EXPECT_EQ(shown_picture(video.frames[first], pictures), picture) << "frame " << first;
        EXPECT_EQ(shown_picture(video.frames[last], pictures), picture) << "frame " << last;
    }
    for (Picture *picture : pictures)
        delete picture;
}

TEST_F(ShowFolder, CapturesOfTheSameShowDecodeToTheSameFrames)
{
    const std::string args = " --scale 2 --seconds 1.5";
    ASSERT_EQ(run_demo(EXAMPLE_DIR, "--capture '" + (dir / "a.mkv").string() + "'" + args).code, 0);
    ASSERT_EQ(run_demo(EXAMPLE_DIR, "--capture '" + (dir / "b.mkv").string() + "'" + args).code, 0);
    const Decoded a = decode(dir / "a.mkv");
    const Decoded b = decode(dir / "b.mkv");
    EXPECT_EQ(a.width, 640);
    ASSERT_EQ(a.frames.size(), 90u);
    EXPECT_TRUE(a.frames == b.frames);
    // Each captured pixel is a sharp 2x2 square.
    const std::vector<uint32_t> &frame = a.frames[45];
    for (int y = 0; y < 480; y += 2)
        for (int x = 0; x < 640; x += 2)
            ASSERT_TRUE(frame[y * 640 + x] == frame[y * 640 + x + 1] && frame[y * 640 + x] == frame[(y + 1) * 640 + x])
                << x << "," << y;
}

// A capture that fails says why in one line, ends with 1 and leaves nothing
// under the file's name, nor its temporary file; a file already there stays.
TEST_F(ShowFolder, FailedCaptureLeavesNoFile)
{
    fs::copy(EXAMPLE_DIR, dir / "show");
    struct Case {
        const char *file;
        const char *prelude;
    };
    const Case cases[] = {
        {"show.avi", ""},
        {"no-such-folder/show.mkv", ""},
        // A file size limit stands in for a full disk.
        {"show.mkv", "ulimit -f 2048; trap '' XFSZ;"},
    };
    for (const Case &c : cases) {
        const DemoRun run = run_demo(dir / "show", std::string("--capture ../") + c.file + " --scale 1", c.prelude);
        EXPECT_EQ(run.code, 1) << c.file;
        EXPECT_EQ(lines(run.err), 1) << c.file << ": " << run.err;
        EXPECT_NE(run.err.find(fs::path(c.file).filename().string()), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists(dir / c.file)) << c.file;
        EXPECT_FALSE(fs::exists(dir / (std::string(c.file) + ".part"))) << c.file;
    }
    write("kept.mp4", "old");
    const DemoRun runaway = run_demo(dir / "show", "--capture ../kept.mp4", "ulimit -f 64; trap '' XFSZ;");
    EXPECT_EQ(runaway.code, 1);
    EXPECT_EQ(slurp(dir / "kept.mp4"), "old");
}

} // namespace
