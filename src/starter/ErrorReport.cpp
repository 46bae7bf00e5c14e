#include "starter/ErrorReport.h"

#include <QLocale>

#include "common/infra/Translate.h"
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

void SendErrorReport(TmMailer& mailer, const TMailData& mail, int errCount,
                     const QStringList& logList, const QString& progVersName,
                     const QString& protocolLog)
{
    mailer.SetSubject(mail.Subject.isEmpty() ? Tr("KvStarter error report") : mail.Subject);
    mailer.SetRecipients(mail.Recipients);
    mailer.SetHost(mail.SMTP);
    mailer.SetPort(quint16(mail.Port));
    mailer.SetUserId(mail.Username);
    mailer.SetPassword(mail.Password);
    mailer.SetSecureTransfer(mail.SecureMode);
    mailer.SetHeloName(QStringLiteral("Kelvara"));
    mailer.SetLogname(protocolLog);
    mailer.SetWriteLogFile(mail.WriteLog);
    TEmailAddress from;
    if (mail.Sender.contains(u'@'))
        from = {QStringLiteral("KvStarter"), mail.Sender};
    else
        from = {mail.Sender, mail.ReplyTo};
    mailer.SetFrom(from);
    mailer.ClearExtraHeaders();
    mailer.AddExtraHeader(QStringLiteral("User-Agent"), progVersName);
    mailer.AddExtraHeader(QStringLiteral("Sender"), from.Address);
    mailer.AddExtraHeader(QStringLiteral("Reply-To"), mail.ReplyTo);
    mailer.ClearBody();
    for (const QString& line : ErrorReportBody(errCount, logList))
        mailer.AddToBody(line);
    try {
        mailer.Send();
    } catch (...) {
        // A failed report is silent; the protocol log tells what went wrong.
    }
    mailer.SetWriteLogFile(false);
}
