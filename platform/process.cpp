// process.cpp - ending the process at once with an exit code, as the
// platform does: no destructors or exit handlers run, open output streams
// are flushed so that nothing already written is lost.
#include <cstdio>
#include <cstdlib>

#include "windows.h"

void WINAPI ExitProcess(UINT exitCode)
{
    std::fflush(nullptr);
    std::_Exit(static_cast<int>(exitCode));
}
