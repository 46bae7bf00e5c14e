#pragma once

#include <chrono>
#include <functional>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "common/mail/MailTypes.h"
#include "common/mail/TlsContext.h"

// Where and how to deliver: server, greeting name, TLS mode, account and time limits.
struct TSmtpServer {
    QString Host;
    quint16 Port = 25;
    QString HeloName;
    TSecTransfer Mode = stNone;
    QString UserId;
    QString Password;
    std::chrono::milliseconds ConnectTimeout{30000};
    std::chrono::milliseconds ReadTimeout{30000};
    std::chrono::milliseconds TotalTimeout{600000};
};

// Sender and recipients as the server sees them (bare addresses).
struct TSmtpEnvelope {
    QString From;
    QStringList Recipients;
    bool ContinueOnFailedRecipient = false;
};

// What the session tells its owner; every member may be empty.
struct TSmtpHooks {
    std::function<void(const QByteArray& line)> Sent; // secrets already replaced by "****"
    std::function<void(const QByteArray& line)> Received;
    std::function<void(const QString& text)> Status;
    std::function<void()> Connected;
    std::function<void()> Disconnected;
    std::function<void(qint64 done, qint64 total)> Progress;
    std::function<void(const QString& text)> FailedRecipient; // address, or the server's reply
};

// Delivers one message (lines ending in CRLF) in one SMTP session and closes the connection in
// every case. `tls` is null when no TLS set-up is available. Throws ESmtpError on any failure; a
// refused recipient is reported through the hooks and ends the session unless the envelope says
// to go on.
void SmtpDeliver(const TSmtpServer& server, const TTlsFiles* tls, const TSmtpEnvelope& envelope,
                 const QByteArray& message, const TSmtpHooks& hooks);
// Connects, sets up TLS as the mode says (the certificate verified), logs in when an account is
// given and quits without sending anything. Throws ESmtpError on any failure.
void SmtpCheckLogin(const TSmtpServer& server, const TTlsFiles* tls, const TSmtpHooks& hooks);
