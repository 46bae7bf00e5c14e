#pragma once

#include <QString>
#include <QStringList>

#include "starter/StarterSettings.h"

class TmMailer;

// "1 error", "3 errors", "12,345 errors".
QString ErrorCountText(int errCount);
// The body of the report: a first line with the count, an empty line, the run log.
QStringList ErrorReportBody(int errCount, const QStringList& logList);
// Mails the run log to the recipients; silent whatever happens.
void SendErrorReport(TmMailer& mailer, const TMailData& mail, int errCount,
                     const QStringList& logList, const QString& progVersName,
                     const QString& protocolLog);
