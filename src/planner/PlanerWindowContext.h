#pragma once

class TPlanerRun;
class TClock;

// What KvPlaner hands its main window: the run that read the command line and the clock.
struct TPlanerWindowContext {
    TPlanerRun* Run = nullptr;
    const TClock* Clock = nullptr;
};
