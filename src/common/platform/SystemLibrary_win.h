#pragma once

// A system library loaded for a few calls and released again; a missing library or entry point
// is no error, the caller sees none.

#include <windows.h>

class TSystemLibrary {
public:
    // Loads the library from the system folder without the system's open-file error box.
    explicit TSystemLibrary(const wchar_t* name);
    ~TSystemLibrary();
    TSystemLibrary(const TSystemLibrary&) = delete;
    TSystemLibrary& operator=(const TSystemLibrary&) = delete;

    // The entry point as a function pointer of type T; nullptr when it or the library is missing.
    template <typename T> T Entry(const char* name) const
    {
        return module ? reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                      : nullptr;
    }

private:
    HMODULE module = nullptr;
};
