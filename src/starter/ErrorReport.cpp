#include "starter/ErrorReport.h"

#include <QLocale>

#include "common/infra/Translate.h"
#include "common/mail/ReportQueue.h"
#include "common/mail/mMailer10.h"

QString ErrorCountText(int errCount)
{
    if (errCount == 1)
        return Tr("1 error");
    const QString number =
        errCount > 9999 ? QLocale::system().toString(errCount) : QString::number(errCount);
    return Fmt(Tr("%u errors"), {number});
}

QStringList ErrorReportBody(int errCount, const QStringList& logList)
{
    QStringList body;
    body.append(Tr("KvStarter error report") + u' ' + ErrorCountText(errCount) + u':');
    body.append(QString());
    body.append(logList);
    return body;
}

namespace {

void PrepareReport(TmMailer& mailer, const TMailData& mail, const TEmailAddress& from, int errCount,
                   const QStringList& logList, const QString& progVersName,
                   const QString& protocolLog)
{
    mailer.SetSubject(mail.Subject.isEmpty() ? Tr("KvStarter error report") : mail.Subject);
    mailer.SetRecipients(mail.Recipients);
    ApplyServerSettings(mailer, mail);
    mailer.SetLogname(protocolLog);
    mailer.SetFrom(from);
    mailer.ClearExtraHeaders();
    mailer.AddExtraHeader(QStringLiteral("User-Agent"), progVersName);
    mailer.AddExtraHeader(QStringLiteral("Sender"), from.Address);
    if (!mail.ReplyTo.trimmed().isEmpty())
        mailer.AddExtraHeader(QStringLiteral("Reply-To"), mail.ReplyTo);
    mailer.ClearBody();
    for (const QString& line : ErrorReportBody(errCount, logList))
        mailer.AddToBody(line);
}

// The reasons of the mailer's last failure, joined.
QString SendFailure(TmMailer& mailer, bool sent)
{
    QStringList failures;
    if (!sent)
        for (const TSendError& error : mailer.ErrorList())
            failures.append(error.ErrMsg);
    return failures.join(QStringLiteral("; "));
}

QString SendQueued(TmMailer& mailer, const TQueuedMessage& message)
{
    return SendFailure(mailer,
                       mailer.SendComposed(message.Message, message.From, message.Recipients));
}

} // namespace

QString SendErrorReport(TmMailer& mailer, const TMailData& mail, int errCount,
                        const QStringList& logList, const QString& progVersName,
                        const QString& protocolLog, TReportQueue* queue, TQueuedMessage* unsent)
{
    const TEmailAddress from = ReportSender(mail);
    if (from.Address.isEmpty())
        return Fmt(Tr("The sender \"%s\" has no mail address."), {mail.Sender});
    PrepareReport(mailer, mail, from, errCount, logList, progVersName, protocolLog);
    TQueuedMessage report{from.Address.trimmed(), mailer.EnvelopeRecipients(), {}};
    QString failure;
    mailer.SetWriteLogFile(mail.WriteLog);
    try {
        // Composed once, so that a queued report keeps the date of its run.
        report.Message = mailer.ComposedMessage();
        if (queue)
            queue->Deliver([&mailer](const TQueuedMessage& m) { return SendQueued(mailer, m); });
        failure = SendQueued(mailer, report);
    } catch (const std::exception& e) {
        failure = QString::fromLocal8Bit(e.what());
    }
    mailer.SetWriteLogFile(false);
    if (unsent && !failure.isEmpty() && !report.Message.isEmpty())
        *unsent = report;
    return failure;
}

void ApplyServerSettings(TmMailer& mailer, const TMailData& mail)
{
    mailer.SetHost(mail.SMTP);
    mailer.SetPort(quint16(mail.Port));
    mailer.SetUserId(mail.Username);
    mailer.SetPassword(mail.Password);
    mailer.SetSecureTransfer(mail.SecureMode);
    mailer.SetHeloName(QStringLiteral("Kelvara"));
}
