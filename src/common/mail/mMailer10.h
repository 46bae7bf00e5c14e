#pragma once

#include <chrono>
#include <functional>

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>

#include "common/mail/MailAddress.h"
#include "common/mail/MailTypes.h"
#include "common/mail/SmtpClient.h"
#include "common/mail/SmtpLog.h"
#include "common/mail/TlsContext.h"

enum TSendErrorType { seUnknown, seSmtp, seFailedRecipient, seNoSecure };

// One failure of the last send.
struct TSendError {
    TSendErrorType ErrType = seUnknown;
    QString ErrMsg;
};
using TSendErrors = QList<TSendError>;

// Supplies the passphrase of the client key; the argument is in and out.
using TGetPassword = std::function<void(QString& APassword)>;

enum TWorkMode { wmRead, wmWrite };

class TmMailer;
using TMailerNotify = std::function<void(TmMailer& sender)>;
using TBeginSendEvent =
    std::function<void(TmMailer& sender, TWorkMode mode, qint64 expected, qint64 messageSize)>;
using TSendingEvent = std::function<void(TmMailer& sender, TWorkMode mode, qint64 done)>;
using TEndSendEvent = std::function<void(TmMailer& sender, TWorkMode mode)>;

// The files attached to a message: each entry is a path, optionally followed by "|" and a type.
class TAttachement {
public:
    explicit TAttachement(QObject* owner = nullptr) : fOwner(owner) {}
    void Clear() { fAttachedFiles.clear(); }
    QStringList& AttachedFiles() { return fAttachedFiles; }
    const QStringList& AttachedFiles() const { return fAttachedFiles; }
    void SetAttachedFiles(const QStringList& files) { fAttachedFiles = files; }
    QObject* Owner() const { return fOwner; }

private:
    QStringList fAttachedFiles;
    QObject* fOwner;
};

// Holds one message and its server settings, composes the message and delivers it over SMTP
// (optionally with TLS and SASL), optionally writing a protocol log.
class TmMailer : public QObject {
public:
    // Without TLS files: TLS is unavailable.
    explicit TmMailer(QObject* owner = nullptr);
    // `path` is the folder of the TLS files; `root`, `cert` and `key` name the CA file, the client
    // certificate and its key, `pwd` is the key's passphrase. TLS is available when the three
    // names are given; a missing root file leaves the system's trusted certificates alone, and
    // the client certificate is used only when it and its key both exist now.
    TmMailer(QObject* owner, const QString& path, const QString& root, const QString& cert,
             const QString& key, const QString& pwd);
    ~TmMailer() override;

    const QString& About() const { return fAbout; }
    void SetAbout(const QString& v) { fAbout = v; }
    const QString& Host() const { return fHost; }
    void SetHost(const QString& v) { fHost = v; }
    quint16 Port() const { return fPort; }
    void SetPort(quint16 v) { fPort = v; }
    const QString& UserId() const { return fUserId; }
    void SetUserId(const QString& v) { fUserId = v; }
    const QString& Password() const { return fPassword; }
    void SetPassword(const QString& v) { fPassword = v; }
    const QString& HeloName() const { return fHeloName; }
    void SetHeloName(const QString& v) { fHeloName = v; }
    const TEmailAddress& From() const { return fFrom; }
    void SetFrom(const TEmailAddress& v) { fFrom = v; }

    TAddressList& Recipients() { return fRecipients; }
    const TAddressList& Recipients() const { return fRecipients; }
    // Replaces the To recipients by a comma-separated address list.
    void SetRecipients(const QString& list) { fRecipients = ParseAddressList(list); }
    TAddressList& CCList() { return fCC; }
    const TAddressList& CCList() const { return fCC; }
    void SetCCList(const QString& list) { fCC = ParseAddressList(list); }
    TAddressList& BCCList() { return fBCC; }
    const TAddressList& BCCList() const { return fBCC; }
    void SetBCCList(const QString& list) { fBCC = ParseAddressList(list); }

    const QString& Subject() const { return fSubject; }
    void SetSubject(const QString& v) { fSubject = v; }
    QStringList& Body() { return fBody; }
    const QStringList& Body() const { return fBody; }
    QStringList& HTMLBody() { return fHTMLBody; }
    const QStringList& HTMLBody() const { return fHTMLBody; }
    // Empties the plain body.
    void ClearBody() { fBody.clear(); }
    // Appends one line to the plain body.
    void AddToBody(const QString& text) { fBody.append(text); }
    // Removes all extra headers.
    void ClearExtraHeaders() { fExtraHeaders.clear(); }
    // Sets header `id` to `contents`; a header of that name (in any case) gets the new value.
    void AddExtraHeader(const QString& id, const QString& contents);

    TContentType ContentType() const { return fContentType; }
    void SetContentType(TContentType v) { fContentType = v; }
    TMessagePriority Priority() const { return fPriority; }
    void SetPriority(TMessagePriority v) { fPriority = v; }
    TAttachement& Attachments() { return fAttachments; }
    void SetAttachments(const TAttachement& v) { fAttachments.SetAttachedFiles(v.AttachedFiles()); }
    TSecTransfer SecureTransfer() const { return fUseTLS; }
    // Any value other than the three TLS modes means no TLS.
    void SetSecureTransfer(TSecTransfer mode);
    bool ContinueOnFailedRecipient() const { return fContinueOnFailedRecipient; }
    void SetContinueOnFailedRecipient(bool v) { fContinueOnFailedRecipient = v; }
    // True when TLS can be used (the certificate file names were given).
    bool TlsAvailable() const { return fTLSAvail; }

    // Time limits: connecting, each wait for the server, and the whole send.
    std::chrono::milliseconds ConnectTimeout() const { return fConnectTimeout; }
    void SetConnectTimeout(std::chrono::milliseconds v) { fConnectTimeout = v; }
    std::chrono::milliseconds ReadTimeout() const { return fReadTimeout; }
    void SetReadTimeout(std::chrono::milliseconds v) { fReadTimeout = v; }
    std::chrono::milliseconds SendTimeLimit() const { return fSendTimeLimit; }
    void SetSendTimeLimit(std::chrono::milliseconds v) { fSendTimeLimit = v; }

    // The failures of the last Send, in the order they happened.
    const TSendErrors& ErrorList() const { return fErrorList; }
    const QString& Logname() const { return fIdLogFile.FileName(); }
    void SetLogname(const QString& name) { fIdLogFile.SetFileName(name); }
    bool WriteLogFile() const { return fIdLogFile.Active(); }
    // On: appends an empty line and a separator to the log and keeps it open; off: closes it.
    void SetWriteLogFile(bool on) { fIdLogFile.SetActive(on); }

    void SetOnConnected(TMailerNotify f) { fOnConnected = std::move(f); }
    void SetOnDisconnected(TMailerNotify f) { fOnDisconnected = std::move(f); }
    void SetOnBeginSend(TBeginSendEvent f) { FOnBeginSend = std::move(f); }
    void SetOnSending(TSendingEvent f) { FOnSending = std::move(f); }
    void SetOnEndSend(TEndSendEvent f) { FOnEndSend = std::move(f); }
    void SetOnSSLPassword(TGetPassword f) { fGetSSLPassword = std::move(f); }

    // Composes the message and writes it to the file; false on any error.
    bool SaveToFile(const QString& fileName) const;
    // Composes and delivers the message; never throws. True when ErrorList is empty afterwards.
    bool Send();
    // The message as Send would deliver it now, with its Date and Message-ID.
    // Throws ESmtpError when an attachment cannot be read.
    QByteArray ComposedMessage() const { return Compose(); }
    // The bare addresses of To, Cc and Bcc, each once.
    QStringList EnvelopeRecipients() const;
    // Delivers a message composed before, byte for byte, with the server settings of this mailer
    // and the given envelope; never throws. True when ErrorList is empty afterwards.
    bool SendComposed(const QByteArray& message, const QString& envelopeFrom,
                      const QStringList& recipients);
    // Connects, sets up TLS as configured, logs in and quits without sending anything; never
    // throws. True when ErrorList is empty afterwards.
    bool CheckLogin();

private:
    QByteArray Compose() const;
    // Runs one SMTP session's work with the checks and error handling of a send.
    bool Attempt(const std::function<void()>& work);
    void AddError(TSendErrorType type, const QString& text);
    bool Transmit(const std::function<QByteArray()>& message, const QString& envelopeFrom,
                  const QStringList& recipients);
    void Deliver(const QByteArray& message, const TSmtpEnvelope& envelope);
    TSmtpServer ServerSettings() const;
    // Hooks that write the protocol log.
    TSmtpHooks LogHooks();

    QString fAbout;
    QString fHost;
    quint16 fPort = 25;
    QString fUserId;
    TEmailAddress fFrom;
    TAddressList fRecipients;
    TAddressList fCC;
    TAddressList fBCC;
    QStringList fBody;
    QStringList fHTMLBody;
    QString fSubject;
    QList<QPair<QString, QString>> fExtraHeaders;
    TSmtpLog fIdLogFile;
    QString fCertPwd;
    QString fPassword;
    QString fHeloName = "Test";
    bool fTLSAvail = false;
    TTlsFiles fTlsFiles;
    QStringList fTlsProblems;
    TContentType fContentType = ctAscii;
    TMessagePriority fPriority = mpNormal;
    TMailerNotify fOnDisconnected;
    TMailerNotify fOnConnected;
    TSendingEvent FOnSending;
    TBeginSendEvent FOnBeginSend;
    TEndSendEvent FOnEndSend;
    TAttachement fAttachments;
    TGetPassword fGetSSLPassword;
    TSecTransfer fUseTLS = stNone;
    bool fContinueOnFailedRecipient = false;
    TSendErrors fErrorList;
    std::chrono::milliseconds fConnectTimeout{30000};
    std::chrono::milliseconds fReadTimeout{30000};
    std::chrono::milliseconds fSendTimeLimit{600000};
    bool fSending = false;
};
