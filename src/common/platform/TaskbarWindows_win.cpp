#include "common/platform/TaskbarWindows.h"

#include <windows.h>

#include "common/platform/TaskbarWindows_win.h"
#include "common/platform/WinText_win.h"

namespace {

constexpr int kTitleChars = 1025;
constexpr UINT kTerminatedExitCode = 5;

bool ShownOnTaskbar(HWND window)
{
    const HWND owner = GetWindow(window, GW_OWNER);
    return TaskbarShows(IsWindowVisible(window), owner && owner != GetDesktopWindow(),
                        static_cast<std::uint32_t>(GetWindowLongPtrW(window, GWL_EXSTYLE)));
}

BOOL CALLBACK TakeWindow(HWND window, LPARAM list)
{
    if (!ShownOnTaskbar(window))
        return TRUE;
    wchar_t title[kTitleChars];
    const int length = GetWindowTextW(window, title, kTitleChars);
    if (length <= 0)
        return TRUE;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    auto& windows = *reinterpret_cast<std::vector<TTaskbarWindow>*>(list);
    windows.push_back({WideToUtf8(std::wstring(title, static_cast<std::size_t>(length))),
                       static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window)),
                       static_cast<int>(process), true});
    return TRUE;
}

} // namespace

bool TaskbarShows(bool visible, bool ownedByAnotherWindow, std::uint32_t extendedStyle)
{
    return visible && !ownedByAnotherWindow &&
           ((extendedStyle & WS_EX_TOOLWINDOW) == 0 || (extendedStyle & WS_EX_APPWINDOW) != 0);
}

std::vector<TTaskbarWindow> ListTaskbarWindows(const std::string& /*display*/)
{
    std::vector<TTaskbarWindow> windows;
    EnumWindows(TakeWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::optional<std::string> ProcessProgramName(int processId)
{
    if (processId <= 0)
        return std::nullopt;
    const HANDLE process =
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(processId));
    if (!process)
        return std::nullopt;
    wchar_t path[MAX_PATH];
    DWORD size = MAX_PATH;
    const bool read = QueryFullProcessImageNameW(process, 0, path, &size);
    CloseHandle(process);
    if (!read)
        return std::nullopt;
    const std::string full = WideToUtf8(std::wstring(path, size));
    return full.substr(full.find_last_of("\\/") + 1);
}

std::optional<std::string> TerminateProcessById(int processId)
{
    if (processId <= 0)
        return SystemErrorText(ERROR_INVALID_PARAMETER);
    if (static_cast<DWORD>(processId) == GetCurrentProcessId())
        return SystemErrorText(ERROR_ACCESS_DENIED);
    const HANDLE process =
        OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE,
                    static_cast<DWORD>(processId));
    if (!process)
        return SystemErrorText(GetLastError());
    const bool ended = TerminateProcess(process, kTerminatedExitCode);
    const DWORD error = GetLastError();
    CloseHandle(process);
    if (!ended)
        return SystemErrorText(error);
    return std::nullopt;
}
