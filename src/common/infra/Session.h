#pragma once

// True when the process has a controlling terminal.
bool HasControllingTerminal();
// True when the environment names a graphical session (DISPLAY or WAYLAND_DISPLAY set).
bool HasGraphicalSession();
// A batch session, as a scheduled task at night: no controlling terminal and no graphical session.
bool IsBatch();
