#include "common/platform/WinEventLog_win.h"

#include <windows.h>

#include "common/platform/WinRegistry_win.h"
#include "common/platform/WinText_win.h"

namespace {

WORD EventType(TWinEventType type)
{
    switch (type) {
    case TWinEventType::Warning:
        return EVENTLOG_WARNING_TYPE;
    case TWinEventType::Error:
        return EVENTLOG_ERROR_TYPE;
    case TWinEventType::Information:
        break;
    }
    return EVENTLOG_INFORMATION_TYPE;
}

} // namespace

std::string EventSourceKey(const std::string& source)
{
    return "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\" + source;
}

bool WinEventSourceRegistered(const std::string& source)
{
    return RegKeyExists(TRegRoot::LocalMachine, EventSourceKey(source));
}

bool ReportWinEvent(const std::string& source, TWinEventType type, std::uint16_t category,
                    std::uint32_t id, const std::vector<std::string>& strings)
{
    const HANDLE log = RegisterEventSourceW(nullptr, Utf8ToWide(source).c_str());
    if (!log)
        return false;
    std::vector<std::wstring> wide;
    for (const std::string& text : strings)
        wide.push_back(Utf8ToWide(text));
    std::vector<LPCWSTR> pointers;
    for (const std::wstring& text : wide)
        pointers.push_back(text.c_str());
    const BOOL written = ReportEventW(log, EventType(type), category, id, nullptr,
                                      static_cast<WORD>(pointers.size()), 0,
                                      pointers.empty() ? nullptr : pointers.data(), nullptr);
    DeregisterEventSource(log);
    return written != FALSE;
}
