// library.cpp - run-time module loading: "ddraw.dll" is the one library the
// demo loads, and it resolves to the DirectDraw stand-in linked into the
// program; the program itself is the other module there is a handle for.
#include <cstring>
#include <strings.h>

#include "directdraw.h"

struct HINSTANCE__ {
    const char *name;
    int loadCount;
};

namespace {

HINSTANCE__ program = {"", 1};
HINSTANCE__ directDrawLibrary = {"ddraw.dll", 0};

// Function pointers pass through the generic FARPROC type by way of the
// type every function pointer may be converted to and from.
FARPROC as_farproc(decltype(&DirectDrawCreate) function)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

} // namespace

HMODULE WINAPI LoadLibraryA(LPCSTR fileName)
{
    if (!fileName || strcasecmp(fileName, directDrawLibrary.name) != 0)
        return nullptr;
    ++directDrawLibrary.loadCount;
    return &directDrawLibrary;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName)
{
    if (module != &directDrawLibrary || directDrawLibrary.loadCount == 0 || !procName)
        return nullptr;
    if (std::strcmp(procName, "DirectDrawCreate") == 0)
        return as_farproc(DirectDrawCreate);
    return nullptr;
}

BOOL WINAPI FreeLibrary(HMODULE module)
{
    if (module != &directDrawLibrary || directDrawLibrary.loadCount == 0)
        return FALSE;
    --directDrawLibrary.loadCount;
    return TRUE;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName)
{
    if (!moduleName)
        return &program;
    if (strcasecmp(moduleName, directDrawLibrary.name) == 0 && directDrawLibrary.loadCount > 0)
        return &directDrawLibrary;
    return nullptr;
}
