#pragma once

#include <cstdint>

// Whether the taskbar shows a top-level window: visible, owned by no window but the desktop,
// and no tool window unless it is marked as an application window.
bool TaskbarShows(bool visible, bool ownedByAnotherWindow, std::uint32_t extendedStyle);
