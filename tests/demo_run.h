// demo_run.h - the real demo program for the end-to-end tests: a module
// whose Z00s fall on given rows, and the program run as a child process in
// a scratch directory, with a deadline, its exit code and its stderr.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// Writes a module `rows` rows long at speed 6 and 125 BPM (0.12 s a row):
// notes on one channel, a Z00 on each row of `syncRows` on the other.
bool WriteSyncModule(const std::string &path, const std::vector<int> &syncRows, int rows);

struct DemoExit {
    bool exited = false; // false: still running at the deadline, then killed
    int code = -1;
    std::string err;
};

// The demo started with `dir` as its working directory and `env` (NAME=value)
// added to its environment; killed when the object goes, if still running.
// $DEMO_COMMAND, when set, is the shell command that starts it instead of
// the program built here.
class DemoProcess {
public:
    DemoProcess(const std::string &dir, const std::vector<std::string> &env);
    ~DemoProcess();
    DemoProcess(const DemoProcess &) = delete;
    DemoProcess &operator=(const DemoProcess &) = delete;

    bool Running();
    // Waits up to `seconds` for the end.
    DemoExit Wait(double seconds);

private:
    pid_t pid;
    std::string errPath;
    DemoExit ended;
};
