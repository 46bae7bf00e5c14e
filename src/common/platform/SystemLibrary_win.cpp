#include "common/platform/SystemLibrary_win.h"

TSystemLibrary::TSystemLibrary(const wchar_t* name)
{
    const UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX | SEM_FAILCRITICALERRORS);
    module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetErrorMode(oldMode);
}

TSystemLibrary::~TSystemLibrary()
{
    if (module)
        FreeLibrary(module);
}
