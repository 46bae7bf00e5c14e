#pragma once

class TPlanerRun;
class TClock;
class TProcessLauncher;

// What KvPlaner hands its main window: the run that read the command line, the clock
// and the process launcher.
struct TPlanerWindowContext {
    TPlanerRun* Run = nullptr;
    const TClock* Clock = nullptr;
    TProcessLauncher* Launcher = nullptr; // starts the backup program to edit a task
};
