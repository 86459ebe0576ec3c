// winmain.cpp - the program's entry on Windows: the runtime's start-up calls
// WinMain, which runs the demo and hands back its exit code. Elsewhere the
// runtime calls main directly and this file is not built.
#include <windows.h>

int main();

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return main();
}
