#pragma once

#include <QString>
#include <QStringList>

#include "common/mail/MailAddress.h"
#include "starter/StarterSettings.h"

class TmMailer;
class TReportQueue;
struct TQueuedMessage;

// Sets the mailer's server, account, password and TLS mode from the mail settings.
void ApplyServerSettings(TmMailer& mailer, const TMailData& mail);
// "1 error", "3 errors", "12,345 errors".
QString ErrorCountText(int errCount);
// The body of the report: a first line with the count, an empty line, the run log.
QStringList ErrorReportBody(int errCount, const QStringList& logList);
// Mails the run log to the recipients; gives the reason when it was not sent, else empty.
// With a queue, the reports queued by earlier runs go first, and a report composed but not
// delivered is handed back in `unsent` (its envelope empty otherwise).
QString SendErrorReport(TmMailer& mailer, const TMailData& mail, int errCount,
                        const QStringList& logList, const QString& progVersName,
                        const QString& protocolLog, TReportQueue* queue = nullptr,
                        TQueuedMessage* unsent = nullptr);
