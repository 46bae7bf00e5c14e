#include "common/mail/SmtpClient.h"

#include "common/infra/Translate.h"
#include "common/mail/MailAddress.h"
#include "common/mail/Sasl.h"
#include "common/mail/SmtpError.h"
#include "common/mail/SmtpReply.h"
#include "common/mail/SmtpTransport.h"

namespace {

constexpr qsizetype kMaxReplyLine = 4096;
constexpr qsizetype kDataChunk = 32768;
constexpr int kMaxSaslSteps = 8;

using TReply = TSmtpReply;

template <typename F, typename... A> void Call(const F& hook, A&&... args)
{
    if (hook)
        hook(std::forward<A>(args)...);
}

// Removes what could end or split a protocol line.
QByteArray ProtocolWord(const QString& text)
{
    QByteArray word;
    for (const char c : text.toUtf8())
        if (static_cast<unsigned char>(c) > 32 && c != 127)
            word += c;
    return word;
}

class TSmtpSession {
public:
    TSmtpSession(const TSmtpServer& server, const TTlsFiles* tls, const TSmtpHooks& hooks)
        : fServer(server), fTls(tls), fHooks(hooks),
          fTransport(server.ReadTimeout, TSmtpTransport::Clock::now() + server.TotalTimeout)
    {}

    void Deliver(const TSmtpEnvelope& envelope, const QByteArray& message)
    {
        Open();
        if (!fServer.UserId.isEmpty() && !fServer.Password.isEmpty())
            Authenticate();
        Transfer(envelope, message);
        Quit();
    }

    // Greets, sets up TLS as configured, logs in and says goodbye: nothing is sent.
    void CheckLogin()
    {
        Open();
        if (!fServer.UserId.isEmpty() && !fServer.Password.isEmpty())
            Authenticate();
        Quit();
    }

    void Close()
    {
        if (!fTransport.IsOpen())
            return;
        fTransport.Close();
        Call(fHooks.Status, Tr("Disconnected."));
        Call(fHooks.Disconnected);
    }

private:
    void Open()
    {
        Call(fHooks.Status,
             Fmt(Tr("Connecting to %s port %u."), {fServer.Host, QString::number(fServer.Port)}));
        fTransport.Connect(fServer.Host, fServer.Port, fServer.ConnectTimeout);
        Call(fHooks.Status, Tr("Connected."));
        Call(fHooks.Connected);
        if (fServer.Mode == stImplicit)
            StartTls();
        Expect(ReadReply(), 220);
        Hello();
        if (fServer.Mode == stExplicit || fServer.Mode == stRequired)
            UpgradeToTls();
    }

    void UpgradeToTls()
    {
        if (!fExtensions.contains("STARTTLS")) {
            if (fServer.Mode == stRequired)
                throw ESmtpError(Tr("The server does not offer STARTTLS."));
            return;
        }
        Expect(Command("STARTTLS"), 220);
        // Anything that came with the reply was sent before the handshake and cannot be trusted.
        if (fTransport.HasBufferedInput())
            throw ESmtpError(Tr("The server sent data before the TLS handshake."));
        StartTls();
        Hello();
    }

    void StartTls()
    {
        if (!fTls)
            throw ESmtpError(Tr("Error creating SSL session."));
        const TSslCtxPtr ctx = MakeTlsClientContext(*fTls);
        fTransport.StartTls(ctx.get(), fServer.Host);
        Call(fHooks.Status, Tr("TLS established."));
    }

    void Hello()
    {
        QByteArray name = ProtocolWord(fServer.HeloName);
        if (name.isEmpty())
            name = "localhost";
        fExtensions.clear();
        fMechanisms.clear();
        const TReply reply = Command("EHLO " + name);
        if (!reply.Is(250)) {
            Expect(Command("HELO " + name), 250);
            return;
        }
        TSmtpExtensions announced = ParseEhloReply(reply);
        fExtensions = std::move(announced.Keywords);
        fMechanisms = std::move(announced.Mechanisms);
    }

    void Authenticate()
    {
        for (const TSaslMechanism mechanism : SaslCandidates(fMechanisms))
            if (TryMechanism(mechanism))
                return;
        throw ESmtpError(Tr("Authentication Failed"));
    }

    bool TryMechanism(TSaslMechanism mechanism)
    {
        const QByteArray user = fServer.UserId.toUtf8();
        const QByteArray password = fServer.Password.toUtf8();
        QByteArray command = "AUTH " + SaslName(mechanism);
        QByteArray logged = command;
        int step = 0;
        bool ok = true;
        if (SaslHasInitialResponse(mechanism)) {
            command += ' ' + SaslResponse(mechanism, step++, {}, user, password, &ok).toBase64();
            logged += " ****";
        }
        TReply reply = Command(command, logged);
        while (reply.Code == 334 && step < kMaxSaslSteps) {
            const QByteArray answer =
                SaslResponse(mechanism, step++, SaslChallenge(reply), user, password, &ok);
            reply = ok ? Command(answer.toBase64(), "****") : Command("*");
        }
        return reply.Code == 235;
    }

    void Transfer(const TSmtpEnvelope& envelope, const QByteArray& message)
    {
        if (!envelope.From.isEmpty() && !IsValidMailbox(envelope.From))
            throw ESmtpError(Fmt(Tr("Invalid sender address: %s"), {envelope.From}));
        if (envelope.Recipients.isEmpty())
            throw ESmtpError(Tr("No recipients."));
        QByteArray from = "MAIL FROM:<" + envelope.From.toUtf8() + '>';
        if (fExtensions.contains("8BITMIME"))
            from += " BODY=8BITMIME";
        Expect(Command(from), 250);
        QString lastRefusal;
        int accepted = 0;
        for (const QString& to : envelope.Recipients) {
            const TReply reply =
                IsValidMailbox(to) ? Command("RCPT TO:<" + to.toUtf8() + '>') : TReply{};
            if (reply.Is(250)) {
                ++accepted;
                continue;
            }
            lastRefusal = reply.Code ? reply.Text() : Fmt(Tr("Invalid address: %s"), {to});
            Call(fHooks.FailedRecipient, to.isEmpty() ? SmtpPrintable(lastRefusal) : to);
            if (!envelope.ContinueOnFailedRecipient)
                throw ESmtpError(lastRefusal);
        }
        if (accepted == 0)
            throw ESmtpError(lastRefusal);
        Expect(Command("DATA"), 354);
        SendData(message);
        Expect(ReadReply(), 250);
    }

    void SendData(const QByteArray& message)
    {
        QByteArray out;
        qint64 done = 0;
        qsizetype pos = 0;
        while (pos < message.size()) {
            qsizetype end = message.indexOf("\r\n", pos);
            if (end < 0)
                end = message.size();
            QByteArray line = message.mid(pos, end - pos);
            pos = end + 2;
            if (line.startsWith('.'))
                line.prepend('.');
            Call(fHooks.Sent, line);
            out += line + "\r\n";
            if (out.size() >= kDataChunk) {
                fTransport.Write(out);
                done += out.size();
                out.clear();
                Call(fHooks.Progress, done, qint64(message.size()));
            }
        }
        Call(fHooks.Sent, QByteArray("."));
        fTransport.Write(out + ".\r\n");
        Call(fHooks.Progress, qint64(message.size()), qint64(message.size()));
    }

    void Quit()
    {
        // The message is delivered once DATA is accepted; a lost QUIT reply changes nothing.
        try {
            Command("QUIT");
        } catch (const ESmtpError& e) {
            Call(fHooks.Status, e.Message());
        }
        Close();
    }

    TReply Command(const QByteArray& line, const QByteArray& logged = {})
    {
        Call(fHooks.Sent, logged.isEmpty() ? line : logged);
        fTransport.Write(line + "\r\n");
        return ReadReply();
    }

    TReply ReadReply()
    {
        TSmtpReplyReader reader;
        for (;;) {
            const QByteArray line = fTransport.ReadLine(kMaxReplyLine);
            Call(fHooks.Received, line);
            if (reader.Add(line))
                return reader.Reply();
        }
    }

    static void Expect(const TReply& reply, int expected)
    {
        if (!reply.Is(expected))
            throw ESmtpError(reply.Text());
    }

    const TSmtpServer& fServer;
    const TTlsFiles* fTls;
    const TSmtpHooks& fHooks;
    TSmtpTransport fTransport;
    QStringList fExtensions;
    QStringList fMechanisms;
};

} // namespace

namespace {

template <typename F>
void InSession(const TSmtpServer& server, const TTlsFiles* tls, const TSmtpHooks& hooks,
               const F& work)
{
    TSmtpSession session(server, tls, hooks);
    try {
        work(session);
    } catch (...) {
        session.Close();
        throw;
    }
}

} // namespace

void SmtpDeliver(const TSmtpServer& server, const TTlsFiles* tls, const TSmtpEnvelope& envelope,
                 const QByteArray& message, const TSmtpHooks& hooks)
{
    InSession(server, tls, hooks,
              [&](TSmtpSession& session) { session.Deliver(envelope, message); });
}

void SmtpCheckLogin(const TSmtpServer& server, const TTlsFiles* tls, const TSmtpHooks& hooks)
{
    InSession(server, tls, hooks, [](TSmtpSession& session) { session.CheckLogin(); });
}
