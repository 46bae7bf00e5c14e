#pragma once

// Text between our UTF-8 strings and the system's UTF-16 calls, and the system's error texts.

#include <cstdint>
#include <string>

// UTF-8 to UTF-16; invalid sequences become U+FFFD.
std::wstring Utf8ToWide(const std::string& text);
// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string WideToUtf8(const std::wstring& text);
std::string WideToUtf8(const wchar_t* text);
// The system's message for an error code (a Win32 code or an HRESULT), without the trailing line
// break; "Error 0x...." when the system has none.
std::string SystemErrorText(std::uint32_t code);
// Raises EProcessError with the system's text for the code.
[[noreturn]] void ThrowSystemError(std::uint32_t code, const std::string& account = {});
