#pragma once

#include "common/infra/Reporter.h"

// With a display: messages in the message boxes, events in the system's event log.
class TDialogReporter : public Reporter {
public:
    void Information(const QString& hint, int delaySeconds) override;
    void Error(const QString& hint, int delaySeconds) override;
    bool Confirm(const QString& hint) override;
    void Event(const TEventEntry& entry) override;
};
