#pragma once

#include <chrono>

#include <QByteArray>
#include <QString>

#include <openssl/ssl.h>

// A TCP connection that can switch to TLS, with a time-out on every wait and an overall deadline.
// Every failure throws ESmtpError with a text for the user.
class TSmtpTransport {
public:
    using Clock = std::chrono::steady_clock;

    TSmtpTransport(std::chrono::milliseconds readTimeout, Clock::time_point deadline);
    ~TSmtpTransport();
    TSmtpTransport(const TSmtpTransport&) = delete;
    TSmtpTransport& operator=(const TSmtpTransport&) = delete;

    // Connects to the first address of `host` that answers within `timeout`.
    void Connect(const QString& host, quint16 port, std::chrono::milliseconds timeout);
    // TLS handshake on the open connection; the server's certificate must match `host`.
    void StartTls(SSL_CTX* ctx, const QString& host);
    // The next line without its line break; at most `maxLength` bytes are buffered for it.
    QByteArray ReadLine(qsizetype maxLength);
    // Writes all of `data`.
    void Write(const QByteArray& data);
    // True when bytes have arrived that no ReadLine has taken yet.
    bool HasBufferedInput() const { return !fBuffer.isEmpty(); }
    bool IsOpen() const { return fSocket >= 0; }
    bool IsTls() const { return fSsl != nullptr; }
    // Ends TLS and closes the socket; safe to call more than once.
    void Close();

private:
    enum class TWait { Read, Write };
    void Wait(TWait what, std::chrono::milliseconds timeout, const QString& timeoutText);
    void WaitForIo(TWait what);
    void WaitForSsl(int result, const QString& failure);
    qsizetype ReceiveSome(char* data, qsizetype size);
    bool TryConnect(const struct addrinfo* address, std::chrono::milliseconds timeout,
                    QString* error);

    std::chrono::milliseconds fReadTimeout;
    Clock::time_point fDeadline;
    int fSocket = -1;
    SSL* fSsl = nullptr;
    QByteArray fBuffer;
};
