#include "common/mail/SmtpLog.h"

#include <QDateTime>

void TSmtpLog::SetActive(bool on)
{
    if (on == Active())
        return;
    if (!on) {
        fFile.close();
        return;
    }
    fFile.setFileName(fFileName);
    if (fFile.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        fFile.write("\n" + QByteArray(46, '=') + "\n");
        fFile.flush();
    }
}

void TSmtpLog::Write(const char* kind, const QString& text)
{
    if (!Active())
        return;
    const QString stamp = QDateTime::currentDateTime().toString("yyyy-MM-dd hh:mm:ss.zzz");
    fFile.write(QString(QLatin1String(kind) + ' ' + stamp + ": " + text + '\n').toUtf8());
    fFile.flush();
}
