// demo_run.cpp - the sync module through our XM writer, and the demo as a
// child process whose stderr goes to a file beside its directory.
#include "demo_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
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
        for (int row = 0; row < 64; row += 8) {
            XmCell &note = module.patterns.back().at(row, 0, channels);
            note.note = 49 + (row / 8) % 5;
            note.instrument = 1;
        }
        module.orders.push_back(uint8_t(p));
    }
    for (int row : syncRows) {
        XmCell &sync = module.patterns[row / 64].at(row % 64, 1, channels);
        sync.effect = kEffectSync;
        sync.param = 0;
    }
    return xm_save(module, path.c_str());
}

DemoProcess::DemoProcess(const std::string &dir, const std::vector<std::string> &env)
    : errPath(dir + ".stderr")
{
    pid = fork();
    if (pid == 0) {
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (err < 0 || dup2(err, 2) < 0 || chdir(dir.c_str()) != 0)
            _exit(126);
        for (const std::string &setting : env)
            putenv(const_cast<char *>(setting.c_str()));
        // The Windows build runs through the command that starts it under Wine.
        const char *command = std::getenv("DEMO_COMMAND");
        if (command && *command)
            execl("/bin/sh", "sh", "-c", (std::string("exec ") + command).c_str(), static_cast<char *>(nullptr));
        else
            execl(DEMO_BINARY, DEMO_BINARY, static_cast<char *>(nullptr));
        _exit(127);
    }
}

DemoProcess::~DemoProcess()
{
    if (Running()) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    std::remove(errPath.c_str());
}

bool DemoProcess::Running()
{
    int status = 0;
    if (ended.exited || pid <= 0 || waitpid(pid, &status, WNOHANG) != pid)
        return !ended.exited && pid > 0;
    ended.exited = true;
    ended.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::stringstream text;
    text << std::ifstream(errPath).rdbuf();
    // Lines as the program meant them: Windows writes text with CR LF.
    ended.err = text.str();
    for (size_t at; (at = ended.err.find("\r\n")) != std::string::npos;)
        ended.err.erase(at, 1);
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
