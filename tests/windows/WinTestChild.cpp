// The child the start tests run:
//   exit N        ends with exit code N
//   sleep MS      sleeps, then ends with 0
//   cwd FILE      writes its current folder (UTF-8) to FILE
//   env NAME FILE writes the variable's value (UTF-8; "(unset)" when it is not set) to FILE
//   args FILE     writes its arguments after "args FILE" (UTF-8, one a line) to FILE
#include <cstdio>
#include <cwchar>
#include <string>

#include <windows.h>

namespace {

std::string Utf8(const std::wstring& text)
{
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, result.data(), length, nullptr, nullptr);
    result.resize(result.size() - 1);
    return result;
}

int WriteTo(const wchar_t* file, const std::string& text)
{
    FILE* out = _wfopen(file, L"wb");
    if (!out)
        return 90;
    std::fwrite(text.data(), 1, text.size(), out);
    std::fclose(out);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3)
        return 99;
    const std::wstring command = argv[1];
    if (command == L"exit")
        return std::wcstol(argv[2], nullptr, 10);
    if (command == L"sleep") {
        Sleep(static_cast<DWORD>(std::wcstol(argv[2], nullptr, 10)));
        return 0;
    }
    if (command == L"cwd") {
        wchar_t folder[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, folder);
        return WriteTo(argv[2], Utf8(folder));
    }
    if (command == L"env" && argc > 3) {
        wchar_t value[4096];
        const DWORD length = GetEnvironmentVariableW(argv[2], value, 4096);
        return WriteTo(argv[3], length ? Utf8(std::wstring(value, length)) : "(unset)");
    }
    if (command == L"args") {
        std::string text;
        for (int i = 3; i < argc; ++i)
            text += Utf8(argv[i]) + '\n';
        return WriteTo(argv[2], text);
    }
    return 98;
}
