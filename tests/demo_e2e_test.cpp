// demo_e2e_test.cpp - the real demo program headless: how each run ends, the
// sync listing, and the capture decoded back with FFmpeg's libraries.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <sys/stat.h>

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
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
    // Echoed shortened in the middle, its end kept.
    const std::string longName = "none/" + std::string(200, 'a') + ".mkv";
    const std::string longCapture = "--capture " + longName;
    const std::string longCaptureError = "cannot write \"" + longName.substr(0, 40) + "…" +
                                         longName.substr(longName.size() - 60) + "\": no such folder";
    const struct {
        const char *args;
        int code;
        const char *err; // after "demo: "
        const char *list = "red.png\r\nsoft.png\n"; // "pics.dat", none when null
        std::vector<std::string> env = {};
        long fileLimit = 0;
    } cases[] = {
        {"", 1, "cannot load picture \"missing.png\": no such file", "red.png\nmissing.png\nsoft.png\n"},
        {"", 1, "cannot read \"pics.dat\": no such file", nullptr},
        {"", 1, "\"pics.dat\" lists no picture", "\nab\n"},
        {"", 1, "cannot open the display", "red.png\n", {"SDL_VIDEODRIVER=x11", "DISPLAY=:none"}},
        {"--capture show.avi", 1, "cannot capture to \"show.avi\": the name must end in .mp4 or .mkv"},
        {"--capture none/show.mkv --scale 1", 1, "cannot write \"none/show.mkv\": no such folder"},
        {"--capture kept.mkv --scale 1", 1, "cannot write \"kept.mkv\": file too large", "red.png\nsoft.png\n", {}, 100000},
        {"--bogus", 2, "unknown option \"--bogus\" (see --help)"},
        {"--capture", 2, "--capture needs a value (see --help)"},
        {"--scale 0 --capture a.mkv", 2, "--scale takes a whole number from 1 to 8, not \"0\""},
        {"--scale 9 --capture a.mkv", 2, "--scale takes a whole number from 1 to 8, not \"9\""},
        {"--seconds -1 --capture a.mkv", 2, "--seconds takes a number of seconds above 0 and at most 192153584101141, not \"-1\""},
        {"--seconds 192153584101141.1 --capture a.mkv", 2, "--seconds takes a number of seconds above 0 and at most 192153584101141, not \"192153584101141.1\""},
        {"--seconds 1e18 --capture a.mkv", 2, "--seconds takes a number of seconds above 0 and at most 192153584101141, not \"1e18\""},
        {"--scale \x1b[2J --capture a.mkv", 2, "--scale takes a whole number from 1 to 8, not \"\\x1B[2J\""},
        {"--capture \x1b[2J.avi", 1, "cannot capture to \"\\x1B[2J.avi\": the name must end in .mp4 or .mkv"},
        {longCapture.c_str(), 1, longCaptureError.c_str()},
        {"--bogus=\x07", 2, "unknown option \"--bogus=\\x07\" (see --help)"},
        {"none\x7f", 2, "cannot open the folder \"none\\x7F\": no such folder"},
        {"--seconds 2", 2, "--seconds only goes with --capture"},
        {"--window --list-syncs", 2, "--window, --edit, --list-syncs and --capture go one at a time"},
        {"--from 4:x --window", 2, "--from takes seconds (31.5) or an order and row (4:16), not \"4:x\""},
        {"--from -1 --window", 2, "--from takes seconds (31.5) or an order and row (4:16), not \"-1\""},
        {"--from 1 --list-syncs", 2, "--from does not go with --list-syncs"},
        {"--from 7.68 --window", 2, "cannot start at \"7.68\": past the end of the tune, which lasts 0:07.68"},
        {"--from 0:30", 2, "cannot start at \"0:30\": after the Z00 that ends the show, at 0:03.60"},
        {"--from 1:0 --edit", 2, "cannot start at \"1:0\": one pass of the tune never plays that order and row"},
        {"none", 2, "cannot open the folder \"none\": no such folder"},
        {"pics.dat", 2, "cannot open the folder \"pics.dat\": not a folder"},
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

// What is not a regular file is refused at once in every mode, a FIFO whose open would block for ever among
// them; each picture's line says why, with its name made safe to print.
TEST(DemoEndToEnd, HostileFilesAreRefusedAtOnceWithTheReason)
{
    TempDir dir;
    ASSERT_TRUE(WriteSolidPng(dir.File("red.png"), 120, 90, 0xFFFF0000u));
    ASSERT_TRUE(WriteSyncModule(dir.File("good.xm"), {1, 30}, 64));
    ASSERT_TRUE(WriteText(dir.File("short.png"), "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR"));
    ASSERT_TRUE(WriteText(dir.File("photo.png"), "\xff\xd8\xff\xe0\0\x10JFIF"));
    ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.File("folder"));
    const std::string longName = std::string(300, 'n') + "\x1b.png";
    const struct {
        const char *args;
        const char *list;  // "pics.dat" names this, or is the FIFO when null
        const char *music; // "demo.xm" names this
        const char *err;   // after "demo: "
    } cases[] = {
        {"", "fifo\n", "good.xm", "cannot load picture \"fifo\": not a regular file"},
        {"--capture a.mkv", "fifo\n", "good.xm", "cannot load picture \"fifo\": not a regular file"},
        {"", nullptr, "good.xm", "cannot read \"pics.dat\": not a regular file"},
        {"--list-syncs", nullptr, "good.xm", "cannot read \"pics.dat\": not a regular file"},
        {"--capture a.mkv", nullptr, "good.xm", "cannot read \"pics.dat\": not a regular file"},
        {"--list-syncs", "red.png\n", "fifo", "cannot play \"demo.xm\": not a regular file"},
        {"--capture a.mkv", "red.png\n", "fifo", "cannot play \"demo.xm\": not a regular file"},
        {"--list-syncs", "red.png\n", "folder", "cannot play \"demo.xm\": a folder"},
        {"", "red.png\nfolder\n", "good.xm", "cannot load picture \"folder\": a folder"},
        {"", "photo.png\n", "good.xm", "cannot load picture \"photo.png\": not a PNG file"},
        {"", "short.png\n", "good.xm", "cannot load picture \"short.png\": the file ends early"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args + std::string(" with ") + (c.list ? c.list : "a FIFO list") + " and " + c.music);
        std::filesystem::remove(dir.File("pics.dat"));
        std::filesystem::remove(dir.File("demo.xm"));
        ASSERT_TRUE(c.list ? WriteText(dir.File("pics.dat"), c.list) : mkfifo(dir.File("pics.dat").c_str(), 0600) == 0);
        std::filesystem::create_symlink(c.music, dir.File("demo.xm"));
        const DemoExit result = DemoProcess(dir.path(), {c.args}).Wait(20);
        ASSERT_TRUE(result.exited) << "still running: an open blocked";
        EXPECT_EQ(std::make_tuple(result.exited, result.code, result.err, result.out),
                  std::make_tuple(true, 1, "demo: " + std::string(c.err) + "\n", ""));
    }
    ASSERT_TRUE(WriteText(dir.File("pics.dat"), "red.png\n" + longName + "\n"));
    const DemoExit named = RunDemo(dir.path());
    EXPECT_EQ(std::make_tuple(named.code, named.err),
              std::make_tuple(1, "demo: cannot load picture \"" + std::string(40, 'n') + "…" + std::string(55, 'n') +
                                     "\\x1B.png\": the name is too long\n"));
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
              std::make_tuple(1, "demo: cannot play \"demo.xm\": no such file\n"));
}

// A video file decoded back: its frames as 0xRRGGBB words, and its audio sample frames.
struct Decoded {
    std::vector<std::vector<uint32_t>> frames;
    int64_t samples = 0;
    std::vector<uint8_t> sound; // interleaved, as the decoder gives it
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
            if (decoder->codec_type == AVMEDIA_TYPE_AUDIO) {
                result.samples += frame->nb_samples;
                const int bytes = frame->nb_samples * frame->ch_layout.nb_channels *
                                  av_get_bytes_per_sample(AVSampleFormat(frame->format));
                if (!av_sample_fmt_is_planar(AVSampleFormat(frame->format)))
                    result.sound.insert(result.sound.end(), frame->data[0], frame->data[0] + bytes);
            }
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

// Started from a position, a capture holds what the whole one holds from
// the frame that contains the position's first sample on, frames and sound:
// on a sync's own row, between syncs, and in seconds in the middle of a row.
// Rows last 0.12 s, 5,760 sample frames.
TEST(DemoEndToEnd, CaptureFromAPositionIsTheWholeCapturesTail)
{
    TempDir dir;
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(WriteSolidPng(dir.File(std::to_string(i) + ".png"), 120 - 30 * i, 90, 0xFF0000FFu << (8 * i)));
    ASSERT_TRUE(WriteText(dir.File("pics.dat"), "0.png\n1.png\n2.png\n"));
    ASSERT_TRUE(WriteSyncModule(dir.File("demo.xm"), {2, 5, 9}, 64));
    ASSERT_EQ(RunDemo(dir.path(), {"--capture whole.mkv"}).code, 0);
    const Decoded whole = Decode(dir.File("whole.mkv"));
    ASSERT_EQ(whole.frames.size(), 64u) << "row 9 ends the show at 1.08 s";
    ASSERT_EQ(whole.frames[0].size(), 320u * 240) << "a .mkv is kept at the frame's size";
    const size_t bytesPerFrame = whole.sound.size() / size_t(whole.samples);
    const struct {
        const char *from;
        size_t first;
        const char *seconds;
    } cases[] = {{"0:5", 36, ""}, {"0:3", 21, ""}, {"0.5", 30, ""}, {"0:7", 50, " --seconds 0.1"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.from);
        const DemoExit run = RunDemo(dir.path(), {"--capture part.mkv --from " + std::string(c.from) + c.seconds});
        ASSERT_EQ(run.code, 0) << run.err;
        const Decoded part = Decode(dir.File("part.mkv"));
        const size_t count = *c.seconds ? 6 : whole.frames.size() - c.first;
        ASSERT_EQ(part.frames.size(), count);
        for (size_t k = 0; k < count; ++k)
            ASSERT_EQ(part.frames[k], whole.frames[c.first + k]) << "frame " << k;
        const auto from = whole.sound.begin() + std::ptrdiff_t(c.first * 800 * bytesPerFrame);
        EXPECT_TRUE(std::equal(part.sound.begin(), part.sound.end(), from, from + std::ptrdiff_t(part.sound.size())));
        EXPECT_EQ(part.sound.size(), count * 800 * bytesPerFrame);
    }
}

// A file's bytes, as text.
std::string Contents(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The names in a folder that may hold folders, which Listing cannot size.
std::vector<std::string> Names(const std::string &dir)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The one child process of this test, found by its parent's id in /proc:
// DemoProcess keeps the id to itself. -1 when there is not exactly one.
pid_t OnlyChild()
{
    std::vector<pid_t> children;
    for (const auto &entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream file(entry.path() / "stat");
        std::string line;
        std::getline(file, line);
        // The parent follows the state, after the command's name in
        // parentheses, which may hold anything.
        std::istringstream fields(line.substr(std::min(line.size(), line.rfind(')') + 1)));
        std::string state;
        long parent = 0;
        if (fields >> state >> parent && parent == getpid())
            children.push_back(pid_t(std::stol(name)));
    }
    return children.size() == 1 ? children[0] : -1;
}

// True once `dir` holds a file whose name ends in `end`, false when the
// demo ends first or the deadline passes.
bool Appears(const std::string &dir, const std::string &end, DemoProcess &demo, double seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (demo.Running() && std::chrono::steady_clock::now() < deadline) {
        for (const std::string &name : Names(dir))
            if (name.size() > end.size() && name.compare(name.size() - end.size(), end.size(), end) == 0)
                return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// A capture makes its temporary file itself under a fresh name: a file and
// a link already at FILE.part stay as they were, nothing is written through
// the link, and the folder gains FILE alone, with the mode the umask gives.
// A name as long as a folder takes still leaves room for the temporary one.
TEST(DemoEndToEnd, CaptureWritesOnlyItsOwnFile)
{
    TempDir dir;
    ASSERT_TRUE(WriteSolidPng(dir.File("red.png"), 120, 90, 0xFFFF0000u));
    ASSERT_TRUE(WriteText(dir.File("pics.dat"), "red.png\n"));
    ASSERT_TRUE(WriteSyncModule(dir.File("demo.xm"), {2}, 64));
    ASSERT_TRUE(WriteText(dir.File("kept.mkv.part"), "mine"));
    ASSERT_TRUE(WriteText(dir.File("target"), "target"));
    std::filesystem::create_symlink("target", dir.File("link.mkv.part"));
    std::vector<std::string> expected = Listing(dir.path());
    const mode_t mask = umask(0);
    umask(mask);
    for (const std::string &name : {std::string("kept.mkv"), std::string("link.mkv"), std::string(251, 'a') + ".mkv"}) {
        SCOPED_TRACE(name.substr(0, 12));
        const DemoExit run = DemoProcess(dir.path(), {"--capture " + name + " --scale 1"}).Wait(60);
        EXPECT_EQ(std::make_tuple(run.exited, run.code), std::make_tuple(true, 0)) << run.err;
        struct stat made = {};
        EXPECT_EQ(stat(dir.File(name).c_str(), &made), 0);
        EXPECT_EQ(made.st_mode & 0777, 0666 & ~mask);
        expected.push_back(name + " " + std::to_string(made.st_size));
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Listing(dir.path()), expected);
    EXPECT_EQ(std::make_tuple(Contents(dir.File("kept.mkv.part")), Contents(dir.File("target")),
                              std::filesystem::read_symlink(dir.File("link.mkv.part")).string()),
              std::make_tuple("mine", "target", "target"));
}

// A signal that would end the program ends a capture as it would have,
// with 128 + its number, and takes the temporary file with it; the old FILE
// stays. The tune has no Z00, so only the signal ends the capture in time.
TEST(DemoEndToEnd, CaptureEndedBySignalLeavesTheFolderAsItWas)
{
    TempDir dir;
    ASSERT_TRUE(WriteSolidPng(dir.File("red.png"), 120, 90, 0xFFFF0000u));
    ASSERT_TRUE(WriteText(dir.File("pics.dat"), "red.png\n"));
    ASSERT_TRUE(WriteSyncModule(dir.File("demo.xm"), {}, 64));
    ASSERT_TRUE(WriteText(dir.File("kept.mkv"), "old"));
    const std::vector<std::string> files = Listing(dir.path());
    // SIGXFSZ's default dumps core, which would add a file.
    rlimit core = {};
    getrlimit(RLIMIT_CORE, &core);
    core.rlim_cur = 0;
    setrlimit(RLIMIT_CORE, &core);
    for (int number : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
        SCOPED_TRACE(strsignal(number));
        DemoProcess demo(dir.path(), {"--capture kept.mkv --seconds 100"});
        ASSERT_TRUE(Appears(dir.path(), ".part", demo, 30));
        const pid_t child = OnlyChild();
        ASSERT_GT(child, 0);
        kill(child, number);
        const DemoExit ended = demo.Wait(30);
        EXPECT_EQ(std::make_tuple(ended.exited, ended.code), std::make_tuple(true, 128 + number)) << ended.err;
        EXPECT_EQ(Listing(dir.path()), files);
    }
}

// A folder at FILE, or a link to one, is refused before a frame is drawn;
// at this size the show would take minutes.
TEST(DemoEndToEnd, CaptureOntoAFolderIsRefusedAtOnce)
{
    TempDir dir;
    ASSERT_TRUE(WriteSolidPng(dir.File("red.png"), 120, 90, 0xFFFF0000u));
    ASSERT_TRUE(WriteText(dir.File("pics.dat"), "red.png\n"));
    ASSERT_TRUE(WriteSyncModule(dir.File("demo.xm"), {}, 64));
    std::filesystem::create_directory(dir.File("folder.mkv"));
    std::filesystem::create_directory_symlink("folder.mkv", dir.File("link.mkv"));
    const std::vector<std::string> names = Names(dir.path());
    for (const std::string name : {"folder.mkv", "link.mkv"}) {
        const DemoExit run = DemoProcess(dir.path(), {"--capture " + name + " --scale 8 --seconds 100"}).Wait(20);
        EXPECT_EQ(std::make_tuple(run.exited, run.code, run.err),
                  std::make_tuple(true, 1, "demo: cannot write \"" + name + "\": a folder\n"));
        EXPECT_EQ(std::make_tuple(Names(dir.path()), Names(dir.File("folder.mkv")).size(),
                                  std::filesystem::is_symlink(dir.File("link.mkv"))),
                  std::make_tuple(names, 0u, true));
    }
}

// Without a playable tune, a capture told where to stop runs silent on the
// first picture with a warning giving the listing's reason; one that is not
// told would never end, and is refused with that reason.
TEST(DemoEndToEnd, CaptureWithoutItsTuneIsSilentOnlyWhenToldWhereToStop)
{
    TempDir dir;
    std::vector<std::unique_ptr<Picture>> pictures;
    pictures.emplace_back(MakeSolidPicture(120, 90, 0xFFFF0000u));
    pictures.emplace_back(MakeSolidPicture(81, 61, 0xFF00FF00u));
    ASSERT_TRUE(WriteSolidPng(dir.File("0.png"), 120, 90, 0xFFFF0000u));
    ASSERT_TRUE(WriteSolidPng(dir.File("1.png"), 81, 61, 0xFF00FF00u));
    ASSERT_TRUE(WriteText(dir.File("pics.dat"), "0.png\n1.png\n"));
    for (const char *tune : {"", "not a module"}) {
        SCOPED_TRACE(*tune ? tune : "no tune");
        if (*tune) {
            ASSERT_TRUE(WriteText(dir.File("demo.xm"), tune));
        }
        const std::string refused = RunDemo(dir.path(), {"--list-syncs"}).err;
        ASSERT_EQ(refused.rfind("demo: cannot play \"demo.xm\": ", 0), 0u) << refused;
        const std::vector<std::string> files = Listing(dir.path());
        const DemoExit endless = RunDemo(dir.path(), {"--capture silent.mkv --scale 1"});
        EXPECT_EQ(std::make_tuple(endless.code, endless.err, Listing(dir.path())), std::make_tuple(1, refused, files));

        const DemoExit silent = RunDemo(dir.path(), {"--capture silent.mkv --scale 1 --seconds 0.5"});
        const std::string warning = "demo: warning: " + refused.substr(6, refused.size() - 7) + "; the capture is silent\n";
        EXPECT_EQ(std::make_tuple(silent.code, silent.err.substr(0, warning.size()),
                                  std::count(silent.err.begin(), silent.err.end(), '\n')),
                  std::make_tuple(0, warning, 2)) << silent.err;
        const Decoded video = Decode(dir.File("silent.mkv"));
        std::vector<int> shown;
        for (const std::vector<uint32_t> &frame : video.frames)
            shown.push_back(PictureShown(frame, pictures, 1, 1.0));
        EXPECT_EQ(std::make_tuple(shown, video.samples), std::make_tuple(std::vector<int>(30, 0), 30 * 800));
        std::remove(dir.File("silent.mkv").c_str());
    }
}

// The longest --seconds that the counters hold is taken, and the capture
// still ends where the show does: frame 36, where row 5 starts. Each kind
// of file reads back whole, the .mp4 one only if its output could seek.
TEST(DemoEndToEnd, EachKindOfCaptureAtTheLongestSecondsEndsWithTheShow)
{
    TempDir dir;
    ASSERT_TRUE(WriteSolidPng(dir.File("0.png"), 120, 90, 0xFFFF0000u));
    ASSERT_TRUE(WriteSolidPng(dir.File("1.png"), 81, 61, 0xFF00FF00u));
    ASSERT_TRUE(WriteText(dir.File("pics.dat"), "0.png\n1.png\n"));
    ASSERT_TRUE(WriteSyncModule(dir.File("demo.xm"), {2, 5}, 64));
    for (const std::string name : {"edge.mkv", "edge.mp4"}) {
        SCOPED_TRACE(name);
        const DemoExit run = RunDemo(dir.path(), {"--capture " + name + " --scale 1 --seconds 192153584101141"});
        ASSERT_EQ(run.code, 0) << run.err;
        const Decoded video = Decode(dir.File(name));
        // AAC adds its priming and pads its last codec frame of 1024.
        EXPECT_EQ(std::make_tuple(video.frames.size(), video.samples >= 36 * 800 && video.samples < 36 * 800 + 2048),
                  std::make_tuple(36u, true)) << video.samples;
    }
}

} // namespace
