// demo_run.h - runs the real demo program in a scratch directory for the
// end-to-end tests: its files (pictures, "pics.dat", a module whose Z00s
// fall on given rows), the process with its environment, its exit code and
// its stderr.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// Writes "demo.xm": one channel of notes at speed 6 and 125 BPM (0.12 s a
// row), `rows` rows long, with a Z00 on each row of `syncRows`.
bool WriteSyncModule(const std::string &path, const std::vector<int> &syncRows, int rows);

struct DemoExit {
    bool exited = false; // false: still running at the deadline, then killed
    int code = -1;
    std::string err;
};

class DemoProcess {
public:
    // Starts the demo with `dir` as working directory and `env` (NAME=value)
    // added to the environment; stderr goes to a file beside it.
    DemoProcess(const std::string &dir, const std::vector<std::string> &env);
    ~DemoProcess();
    DemoProcess(const DemoProcess &) = delete;
    DemoProcess &operator=(const DemoProcess &) = delete;

    // True once the process has ended; fills `result` then.
    bool Ended(DemoExit &result);
    // Waits up to `seconds` for the end; kills the process after that.
    DemoExit Wait(double seconds);

private:
    pid_t pid = -1;
    std::string errPath;
    DemoExit ended;
    bool done = false;
};
