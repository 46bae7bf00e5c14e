#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A window the taskbar shows, with the process that owns it (0: unknown). A window of a client
// on another host (WM_CLIENT_MACHINE) is not local, and its process number names no process here.
struct TTaskbarWindow {
    std::string title;
    std::uint32_t window = 0;
    int processId = 0;
    bool local = true;
};

// True when a window's WM_CLIENT_MACHINE names this host (`hostName`).
bool IsThisHost(const std::string& clientMachine, const std::string& hostName);

// The taskbar windows of the display (empty: the one of $DISPLAY); none without X11.
std::vector<TTaskbarWindow> ListTaskbarWindows(const std::string& display = {});

// The base name of the process's executable; nullopt when it cannot be read.
std::optional<std::string> ProcessProgramName(int processId);

// Asks the process to end (SIGTERM). Gives the system's text of the failure, nullopt on
// success. Our own process and ids below 2 are never signalled, nor, unless we are root, a
// process of another user.
std::optional<std::string> TerminateProcessById(int processId);
