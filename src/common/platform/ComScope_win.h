#pragma once

// COM for the calls of one scope: initialised (single-threaded apartment) when the thread has
// not done it yet, and released at the scope's end when this scope initialised it.

#include <objbase.h>

class TComScope {
public:
    TComScope() : result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~TComScope()
    {
        if (SUCCEEDED(result))
            CoUninitialize();
    }
    TComScope(const TComScope&) = delete;
    TComScope& operator=(const TComScope&) = delete;

private:
    HRESULT result;
};

// Releases a COM interface at the end of its scope.
template <typename T> class TComPtr {
public:
    TComPtr() = default;
    ~TComPtr() { Reset(); }
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;

    T* operator->() const { return pointer; }
    T* Get() const { return pointer; }
    explicit operator bool() const { return pointer != nullptr; }
    // For the calls that hand out an interface.
    T** Put()
    {
        Reset();
        return &pointer;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    void Reset()
    {
        if (pointer)
            pointer->Release();
        pointer = nullptr;
    }

private:
    T* pointer = nullptr;
};
