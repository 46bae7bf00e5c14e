#pragma once

#include <QString>

#include "common/infra/EventLog.h"

// The seam through which a run speaks to its user. A message is plain text: names and paths in
// it are data, so a "|" in it is shown as it stands and never read as the end of a title.
class Reporter {
public:
    virtual ~Reporter() = default;
    // Information that closes itself after delaySeconds (0: it waits for the user).
    virtual void Information(const QString& hint, int delaySeconds) = 0;
    // An error; closes itself after delaySeconds (0: it waits for the user).
    virtual void Error(const QString& hint, int delaySeconds) = 0;
    // A question; true when the user answers Yes.
    virtual bool Confirm(const QString& hint) = 0;
    // An entry of the system's event log.
    virtual void Event(const TEventEntry& entry) = 0;
};

// A hint of the message dialogs split at its first "|"; without "|" the title is empty.
struct THintParts {
    QString title;
    QString message;
};
THintParts SplitHint(const QString& hint);
// The hint of the message dialogs that shows `message` whole, under the dialog's default title.
QString UntitledHint(const QString& message);
// Line breaks of a message ("\r\n") as the platform's line breaks.
QString PlainLines(const QString& text);

// Without a display: messages go to standard error, a question answers No, events go to the
// system's event log.
class StdErrReporter : public Reporter {
public:
    void Information(const QString& hint, int delaySeconds) override;
    void Error(const QString& hint, int delaySeconds) override;
    bool Confirm(const QString& hint) override;
    void Event(const TEventEntry& entry) override;
};
