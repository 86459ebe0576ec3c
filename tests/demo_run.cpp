// demo_run.cpp - the sync module, the demo as a child process writing to
// unnamed temporary files, and the picture matcher.
#include "demo_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "xm_test_songs.h"

bool WriteSyncModule(const std::string &path, const std::vector<int> &syncRows, int rows)
{
    const int channels = 2;
    XmModule module;
    module.name = "sync test";
    module.channels = channels;
    module.instruments.push_back(xm_saw_instrument());
    for (int p = 0; p < (rows + 63) / 64; ++p) {
        module.patterns.push_back(xm_pattern(64, channels));
        for (int row = 0; row < 64; row += 8)
            module.patterns.back().at(row, 0, channels) = {uint8_t(49 + (row / 8) % 5), 1};
        module.orders.push_back(uint8_t(p));
    }
    for (int row : syncRows)
        module.patterns[row / 64].at(row % 64, 1, channels) = {0, 0, 0, kEffectSync, 0};
    return xm_save(module, path.c_str());
}

DemoProcess::DemoProcess(const std::string &dir, const DemoStart &start)
    : out(std::tmpfile()), err(std::tmpfile())
{
    // The Windows build runs through the command that starts it under Wine.
    const char *command = std::getenv("DEMO_COMMAND");
    std::vector<std::string> args = {DEMO_BINARY};
    if (command && *command)
        args = {"/bin/sh", "-c", std::string("exec ") + command + " \"$@\"", "sh"};
    std::istringstream words(start.args);
    for (std::string word; words >> word;)
        args.push_back(word);
    std::vector<char *> argv;
    for (std::string &arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid = fork();
    if (pid != 0)
        return;
    const int none = open("/dev/null", O_RDONLY);
    if (!out || !err || none < 0 || dup2(none, 0) < 0 || dup2(fileno(out), 1) < 0 || dup2(fileno(err), 2) < 0 ||
        chdir(dir.c_str()) != 0)
        _exit(126);
    for (const std::string &setting : start.env)
        putenv(const_cast<char *>(setting.c_str()));
    // A file size limit stands in for a full disk: writes fail rather than
    // the signal ending the program.
    if (start.fileLimit > 0) {
        const rlimit limit = {rlim_t(start.fileLimit), rlim_t(start.fileLimit)};
        setrlimit(RLIMIT_FSIZE, &limit);
        signal(SIGXFSZ, SIG_IGN);
    }
    // The path given whole, so that it stays whole in the test program,
    // which tools that pick the tests of a rebuilt program look for.
    execv(command && *command ? "/bin/sh" : DEMO_BINARY, argv.data());
    _exit(127);
}

DemoProcess::~DemoProcess()
{
    if (Running()) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    for (std::FILE *file : {out, err})
        if (file)
            std::fclose(file);
}

// What the program wrote, in lines as it meant them: Windows writes CR LF.
static std::string Written(std::FILE *file)
{
    std::string text;
    std::rewind(file);
    for (int c; (c = std::getc(file)) != EOF;)
        if (c != '\r')
            text += char(c);
    return text;
}

bool DemoProcess::Running()
{
    int status = 0;
    if (ended.exited || pid <= 0 || waitpid(pid, &status, WNOHANG) != pid)
        return !ended.exited && pid > 0;
    ended = {true, WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), Written(out), Written(err)};
    return false;
}

DemoExit DemoProcess::Wait(double seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (Running()) {
        if (std::chrono::steady_clock::now() > deadline)
            return DemoExit{};
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return ended;
}

int PictureShown(const std::vector<uint32_t> &frame, const std::vector<std::unique_ptr<Picture>> &pictures,
                 int tolerance, double share)
{
    for (size_t i = 0; frame.size() == 320 * 240 && i < pictures.size(); ++i) {
        const Picture &picture = *pictures[i];
        const int left = 160 - picture.width / 2;
        const int top = 120 - picture.height / 2;
        int opaque = 0, matching = 0;
        for (int y = std::max(0, -top); y < std::min(picture.height, 240 - top); ++y)
            for (int x = std::max(0, -left); x < std::min(picture.width, 320 - left); ++x) {
                const uint32_t want = picture.pixels[size_t(y) * picture.width + x];
                const uint32_t got = frame[size_t(top + y) * 320 + left + x];
                bool close = want >> 24 == 0xFF;
                for (int shift = 0; shift < 24; shift += 8)
                    close &= std::abs(int(got >> shift & 255) - int(want >> shift & 255)) <= tolerance;
                opaque += want >> 24 == 0xFF;
                matching += close;
            }
        if (opaque > 0 && matching >= opaque * share)
            return int(i);
    }
    return -1;
}
