#pragma once

#include <QString>
#include <QStringList>

class TCheckReport;
class TmMailer;
class TTaskProperties;
struct TMailData;

// Tells, without running anything, whether the groups would run tonight.

// The items of one group at its position in the settings file.
void CheckGroup(const QString& iniName, int position, const TTaskProperties& group,
                TCheckReport& report);
// The error report's server: reached, TLS as configured, login accepted; nothing is sent.
void CheckReportMail(TmMailer& mailer, const TMailData& mail, TCheckReport& report);

// "--check GROUP[,GROUP...] [/ini:file]": arguments are those after "--check". Prints one line
// per item on standard output; returns 0 (all OK), 1 (warnings) or 2 (a failure).
int RunStarterCheck(const QStringList& arguments, TmMailer& mailer);
