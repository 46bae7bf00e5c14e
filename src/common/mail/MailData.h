#pragma once

#include <QString>
#include <QStringList>

#include "common/mail/MailAddress.h"
#include "common/mail/MailTypes.h"

// Mail settings of the error report.
struct TMailData {
    QString SMTP;
    QString Username;
    QString Password;
    QString Sender;
    QString ReplyTo;
    QString Recipients; // comma text
    QString Subject;
    int Port = 25;
    TSecTransfer SecureMode = stNone;
    bool WriteLog = false;
    bool Enabled = false;

    bool operator==(const TMailData&) const = default;
};
// Defaults of the mail settings: empty texts, port 25, no TLS, nothing enabled.
void DefaultValues(TMailData& mail);

// The sender of the report: an address in Sender with the name "KvStarter"; else the name in
// Sender at the reply address, or at the account name when that is an address. An empty address
// means the report cannot be sent.
TEmailAddress ReportSender(const TMailData& mail);

// A list as comma text: entries joined by commas; an entry with a blank, a comma or a double
// quote is quoted, inner quotes doubled.
QString ToCommaText(const QStringList& list);
// Reads comma text: commas and unquoted blanks separate entries.
QStringList FromCommaText(const QString& text);

// Earlier entries of the mail dialog's fields, most recent first.
struct TMailHistories {
    QStringList Servers;
    QStringList Users;
    QStringList Addresses; // senders, reply addresses and recipients alike
};
inline constexpr int kMaxServerHistory = 15;
inline constexpr int kMaxUserHistory = 15;
inline constexpr int kMaxAddressHistory = 50;

// Reads the histories from a settings file; a missing file or section leaves its list as it
// is, empty values are skipped and at most the limit is read.
void ReadMailHistories(const QString& iniName, TMailHistories& histories);
// Replaces the three sections in the settings file, at most the limit each; the file's other
// sections stay. Throws EWriteError (the old file stays intact).
void WriteMailHistories(const QString& iniName, const TMailHistories& histories);
// The address history with the address on top: an entry equal but for case moves up and takes
// the new spelling; a new one drops the last beyond the limit. An empty address changes nothing.
QStringList WithAddressOnTop(QStringList history, const QString& address);
