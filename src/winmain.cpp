// winmain.cpp - the program's entry on Windows: the system starts it at
// WinMain, which runs the demo and hands back its exit code. Elsewhere the
// runtime calls main directly and this file is not built.
//
// A program started from the desktop has no console, so a failure's line on
// stderr would go nowhere. Everything written to stderr therefore also goes
// to "demo.log" beside the program, which is only made when there is
// something to say: a normal run leaves no file behind.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <thread>

int main(int argc, char **argv);

namespace {

std::string log_path()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return "demo.log";
    std::string folder(path, length);
    const size_t slash = folder.find_last_of("\\/");
    return (slash == std::string::npos ? std::string() : folder.substr(0, slash + 1)) + "demo.log";
}

// Copies what the program writes into the pipe to the stderr it was given,
// if any, and to the log, until the last writer closes.
void copy_errors(int pipe, int console, std::string logPath)
{
    FILE *log = nullptr;
    char chunk[512];
    for (int got; (got = _read(pipe, chunk, sizeof chunk)) > 0;) {
        if (console >= 0)
            _write(console, chunk, static_cast<unsigned>(got));
        if (!log)
            log = std::fopen(logPath.c_str(), "wb");
        if (log)
            std::fwrite(chunk, 1, static_cast<size_t>(got), log);
    }
    if (log)
        std::fclose(log);
    _close(pipe);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // No other process may hold the pipe's writing end, or the copy would
    // never see its end: the system starts helper processes of its own and
    // hands them the standard handles, so only the runtime's stderr is
    // redirected and the process keeps the handle it was given.
    int ends[2];
    if (_pipe(ends, 4096, _O_BINARY | _O_NOINHERIT) != 0)
        return main(__argc, __argv);
    const HANDLE given = GetStdHandle(STD_ERROR_HANDLE);
    const int console = _dup(2);
    _dup2(ends[1], 2);
    _close(ends[1]);
    SetHandleInformation(reinterpret_cast<HANDLE>(_get_osfhandle(2)), HANDLE_FLAG_INHERIT, 0);
    SetStdHandle(STD_ERROR_HANDLE, given);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    std::thread copier(copy_errors, ends[0], console, log_path());

    const int result = main(__argc, __argv);

    std::fflush(stderr);
    _close(2);
    copier.join();
    return result;
}
