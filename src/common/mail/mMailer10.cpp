#include "common/mail/mMailer10.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QScopedValueRollback>

#include "common/infra/Translate.h"
#include "common/mail/MimeMessage.h"
#include "common/mail/SmtpClient.h"
#include "common/mail/SmtpError.h"

namespace {

const char* const kNoSecureText = TrNoop("Error creating SSL session.");
const char* const kUnknownText = TrNoop("Unknown or other error: Can not determine owner, other "
                                        "error, or the error can not be revealed.");

// Raised for a message that cannot be composed (an attachment that cannot be read).
class EComposeError : public ESmtpError {
public:
    using ESmtpError::ESmtpError;
};

QString MessageId(const TEmailAddress& from, const QString& heloName)
{
    QString domain = from.Address.section('@', 1).trimmed();
    if (domain.isEmpty())
        domain = heloName.trimmed().isEmpty() ? QString("localhost") : heloName.trimmed();
    auto* random = QRandomGenerator::system();
    return '<' + QString::number(random->generate64(), 36) + '.' +
           QString::number(QDateTime::currentMSecsSinceEpoch(), 36) + '@' + domain + '>';
}

} // namespace

TmMailer::TmMailer(QObject* owner) : TmMailer(owner, {}, {}, {}, {}, {}) {}

TmMailer::TmMailer(QObject* owner, const QString& path, const QString& root, const QString& cert,
                   const QString& key, const QString& pwd)
    : QObject(owner), fCertPwd(pwd), fAttachments(this)
{
    fIdLogFile.SetFileName(QDir::temp().filePath("SmtpLog.txt"));
    const QDir folder(path);
    const auto existing = [&folder](const QString& name) {
        const QString file = folder.filePath(name);
        return !name.isEmpty() && QFileInfo(file).isFile() ? file : QString();
    };
    // Without the root file the system's trusted certificates verify the server; the client
    // certificate goes only with its key.
    fTlsFiles.CaFile = existing(root);
    fTlsFiles.CertFile = existing(cert);
    fTlsFiles.KeyFile = existing(key);
    if (fTlsFiles.CertFile.isEmpty() || fTlsFiles.KeyFile.isEmpty()) {
        fTlsFiles.CertFile.clear();
        fTlsFiles.KeyFile.clear();
    }
    fTlsFiles.Passphrase = [this] {
        QString passphrase = fGetSSLPassword ? QString() : fCertPwd;
        if (fGetSSLPassword)
            fGetSSLPassword(passphrase);
        return passphrase.toUtf8();
    };
    if (root.isEmpty() || cert.isEmpty() || key.isEmpty())
        fTlsProblems.append(Tr("No certificate files are configured."));
    fTLSAvail = fTlsProblems.isEmpty();
}

TmMailer::~TmMailer() = default;

void TmMailer::AddExtraHeader(const QString& id, const QString& contents)
{
    for (auto& header : fExtraHeaders)
        if (header.first.compare(id, Qt::CaseInsensitive) == 0) {
            header.second = contents;
            return;
        }
    fExtraHeaders.append({id, contents});
}

void TmMailer::SetSecureTransfer(TSecTransfer mode)
{
    const bool known = mode == stExplicit || mode == stRequired || mode == stImplicit;
    fUseTLS = known ? mode : stNone;
}

QByteArray TmMailer::Compose() const
{
    TMailContent content;
    content.ContentType = fContentType;
    content.From = fFrom;
    content.To = fRecipients;
    content.Cc = fCC;
    content.Subject = fSubject;
    content.Body = fBody;
    content.HtmlBody = fHTMLBody;
    content.Attachments = fAttachments.AttachedFiles();
    content.ExtraHeaders = fExtraHeaders;
    content.Priority = fPriority;
    content.Date = QDateTime::currentDateTime();
    content.MessageId = MessageId(fFrom, fHeloName);
    try {
        return ComposeMessage(content);
    } catch (const ESmtpError& e) {
        throw EComposeError(e.Message());
    }
}

bool TmMailer::SaveToFile(const QString& fileName) const
{
    try {
        const QByteArray message = Compose();
        QSaveFile file(fileName);
        return file.open(QIODevice::WriteOnly) && file.write(message) == message.size() &&
               file.commit();
    } catch (...) {
        return false;
    }
}

QStringList TmMailer::EnvelopeRecipients() const
{
    QStringList result;
    for (const TAddressList* list : {&fRecipients, &fCC, &fBCC})
        for (const TEmailAddress& address : *list)
            if (!result.contains(address.Address.trimmed(), Qt::CaseInsensitive))
                result.append(address.Address.trimmed());
    return result;
}

void TmMailer::AddError(TSendErrorType type, const QString& text)
{
    fErrorList.append({type, text});
    fIdLogFile.Error(text);
}

TSmtpServer TmMailer::ServerSettings() const
{
    return {fHost,     fPort,           fHeloName,    fUseTLS,       fUserId,
            fPassword, fConnectTimeout, fReadTimeout, fSendTimeLimit};
}

TSmtpHooks TmMailer::LogHooks()
{
    TSmtpHooks hooks;
    hooks.Sent = [this](const QByteArray& line) { fIdLogFile.Sent(line); };
    hooks.Received = [this](const QByteArray& line) { fIdLogFile.Received(line); };
    hooks.Status = [this](const QString& text) { fIdLogFile.Status(text); };
    return hooks;
}

void TmMailer::Deliver(const QByteArray& message, const TSmtpEnvelope& envelope)
{
    const TSmtpServer server = ServerSettings();
    TSmtpHooks hooks = LogHooks();
    hooks.Connected = [this] {
        if (fOnConnected)
            fOnConnected(*this);
    };
    hooks.Disconnected = [this] {
        if (fOnDisconnected)
            fOnDisconnected(*this);
    };
    hooks.FailedRecipient = [this](const QString& text) { AddError(seFailedRecipient, text); };
    hooks.Progress = [this](qint64 done, qint64) {
        if (FOnSending)
            FOnSending(*this, wmWrite, done);
        else if (QCoreApplication::instance())
            QCoreApplication::processEvents();
    };
    if (FOnBeginSend)
        FOnBeginSend(*this, wmWrite, message.size(), message.size());
    SmtpDeliver(server, fTLSAvail ? &fTlsFiles : nullptr, envelope, message, hooks);
    if (FOnEndSend)
        FOnEndSend(*this, wmWrite);
}

bool TmMailer::Send()
{
    return Transmit([this] { return Compose(); }, fFrom.Address, EnvelopeRecipients());
}

bool TmMailer::SendComposed(const QByteArray& message, const QString& envelopeFrom,
                            const QStringList& recipients)
{
    return Transmit([&message] { return message; }, envelopeFrom, recipients);
}

bool TmMailer::Transmit(const std::function<QByteArray()>& message, const QString& envelopeFrom,
                        const QStringList& recipients)
{
    return Attempt([&] {
        Deliver(message(), {envelopeFrom.trimmed(), recipients, fContinueOnFailedRecipient});
    });
}

bool TmMailer::CheckLogin()
{
    return Attempt(
        [this] { SmtpCheckLogin(ServerSettings(), fTLSAvail ? &fTlsFiles : nullptr, LogHooks()); });
}

bool TmMailer::Attempt(const std::function<void()>& work)
{
    fErrorList.clear();
    if (fSending) {
        AddError(seUnknown, Tr("A message is being sent already."));
        return false;
    }
    const QScopedValueRollback sending(fSending, true);
    if (fUseTLS != stNone && !fTLSAvail) {
        AddError(seNoSecure, Tr(kNoSecureText));
        for (const QString& problem : fTlsProblems)
            fIdLogFile.Error("*** " + problem);
        return false;
    }
    try {
        work();
    } catch (const EComposeError& e) {
        AddError(seUnknown, e.Message());
    } catch (const ESmtpError& e) {
        AddError(seSmtp, e.Message());
    } catch (...) {
        AddError(seUnknown, Tr(kUnknownText));
    }
    return fErrorList.isEmpty();
}
