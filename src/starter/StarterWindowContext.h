#pragma once

struct TStarterState;
struct TStarterServices;

// What KvStarter hands its main window: the settings and options of this start and the
// services a run from the window uses.
struct TStarterWindowContext {
    TStarterState* State = nullptr;
    TStarterServices* Services = nullptr;
};
