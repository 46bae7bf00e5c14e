#pragma once

#include <functional>

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

#include "common/infra/EventLog.h"
#include "starter/GroupRun.h"
#include "starter/RunActions.h"
#include "starter/StarterOptions.h"
#include "starter/StarterSettings.h"

class TmMailer;

// The action selection dialog: gives -1 when cancelled, else the button index (+256 ticked).
// None where nobody can answer it (no display).
using TSelectActionHook =
    std::function<int(const QString& caption, const QStringList& buttons, const QString& option)>;

// Collaborators of a command-line run.
struct TStarterServices {
    IProcessLauncher* Launcher = nullptr;
    ISessionService* Session = nullptr; // none: no lock and no action after the run
    TmMailer* Mailer = nullptr;         // none: no report
    TRunHooks Hooks;
    TSelectActionHook SelectAction;
    std::function<QDateTime()> Now;
    // Terminates the taskbar programs (defaults to the system's).
    std::function<void(QStringList& log, int& errCount)> Terminate;
    // Writes an entry of the system's event log (defaults to the system's).
    std::function<void(const TEventEntry& entry)> Event;
};

// Event identifier of the starter's entry for an error report that was not sent.
inline constexpr uint32_t kEvReportNotSent = 0xC000001B;

// The starter's state between start-up and the end of a command-line run.
struct TStarterState {
    TStarterOptions Options;
    TSettingsChoice Settings;
    TStarterSettings Stored;
    QString KvPath;
    QString LogName;
    QString ProtocolLog; // the mailer's protocol log
};

// A command-line run: header, groups, run log, report, action.
class TStarterRun {
public:
    TStarterRun(TStarterState& state, TStarterServices services);

    // True when the program must end without its window.
    bool CheckForce();
    const QStringList& LogList() const { return FLog; }
    int ErrCount() const { return FErrCount; }

private:
    void RunGroups();
    void MailReport();
    void ReportMailFailure(const QString& reason);
    void WriteRunLog() const;
    QString Now() const;

    TStarterState& FState;
    TStarterServices FServices;
    QStringList FLog;
    int FErrCount = 0;
    bool FSelectionSkipped = false;
};

// The locale's long time format without the time zone.
QString LongTimeFormat(const QLocale& locale);
// Date and time of the run log's start and end lines, in the locale's formats.
QString RunLogDateTime(const QDateTime& t, const QLocale& locale);
// The first line of a run log: name, bitness and the four-part version.
QString RunLogHeader();
// Appends the lines and an empty line to the run log; two tries 2000 ms apart, then silence.
bool AppendRunLog(const QString& fileName, const QStringList& lines,
                  const std::function<void(int ms)>& sleep);
