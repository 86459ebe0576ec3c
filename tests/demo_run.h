// demo_run.h - the real demo program as a child process for the end-to-end
// tests, a module to drive it, and which picture a frame of it shows.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "loadpng.h"

// `rows` rows at speed 6 and 125 BPM (0.12 s a row): notes on one channel,
// a Z00 on each row of `syncRows` on the other.
bool WriteSyncModule(const std::string &path, const std::vector<int> &syncRows, int rows);

struct DemoExit {
    bool exited = false; // false: still running at the deadline, then killed
    int code = -1;
    std::string out, err;
};

struct DemoStart {
    std::string args;                  // split at spaces
    std::vector<std::string> env = {}; // NAME=value, added to the test's own
    long fileLimit = 0;                // bytes any one file may grow to, when above 0
};

// The demo, or the shell command $DEMO_COMMAND names, started in `dir`;
// killed when the object goes, if still running.
class DemoProcess {
public:
    DemoProcess(const std::string &dir, const DemoStart &start = {});
    ~DemoProcess();
    DemoProcess(const DemoProcess &) = delete;
    DemoProcess &operator=(const DemoProcess &) = delete;

    bool Running();
    DemoExit Wait(double seconds);

private:
    pid_t pid;
    std::FILE *out, *err;
    DemoExit ended;
};

inline DemoExit RunDemo(const std::string &dir, const DemoStart &start = {})
{
    return DemoProcess(dir, start).Wait(120);
}

// Which of `pictures` a 320x240 frame of 0xRRGGBB words shows: the first
// whose opaque pixels, centred as the demo draws them, are each channel
// within `tolerance` of their colour for at least `share` of them; -1 if none.
int PictureShown(const std::vector<uint32_t> &frame, const std::vector<std::unique_ptr<Picture>> &pictures,
                 int tolerance, double share);
