#include "common/mail/SmtpTransport.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <openssl/err.h>
#include <openssl/x509v3.h>

#include "common/infra/Translate.h"
#include "common/mail/SmtpError.h"
#include "common/mail/TlsContext.h"

namespace {

using std::chrono::milliseconds;

// OpenSSL writes to the socket with write(); a peer that has gone away must not end the
// program with SIGPIPE, so the signal is held back in this thread while TLS works.
class TSigPipeBlock {
public:
    TSigPipeBlock()
    {
        sigemptyset(&fSet);
        sigaddset(&fSet, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        fWasPending = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &fSet, &fOld);
    }
    ~TSigPipeBlock()
    {
        sigset_t pending;
        sigpending(&pending);
        if (!fWasPending && sigismember(&pending, SIGPIPE) == 1) {
            const timespec zero{0, 0};
            sigtimedwait(&fSet, nullptr, &zero);
        }
        pthread_sigmask(SIG_SETMASK, &fOld, nullptr);
    }
    TSigPipeBlock(const TSigPipeBlock&) = delete;
    TSigPipeBlock& operator=(const TSigPipeBlock&) = delete;

private:
    sigset_t fSet;
    sigset_t fOld;
    bool fWasPending = false;
};

QString SystemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

bool IsIpAddress(const QByteArray& host)
{
    unsigned char buffer[sizeof(in6_addr)];
    return inet_pton(AF_INET, host.constData(), buffer) == 1 ||
           inet_pton(AF_INET6, host.constData(), buffer) == 1;
}

QString VerifyFailure(SSL* ssl)
{
    const long result = SSL_get_verify_result(ssl);
    if (result == X509_V_OK)
        return {};
    return Fmt(Tr("The server's certificate could not be verified: %s"),
               {QString::fromLatin1(X509_verify_cert_error_string(result))});
}

} // namespace

TSmtpTransport::TSmtpTransport(milliseconds readTimeout, Clock::time_point deadline)
    : fReadTimeout(readTimeout), fDeadline(deadline)
{}

TSmtpTransport::~TSmtpTransport()
{
    Close();
}

void TSmtpTransport::Wait(TWait what, milliseconds timeout, const QString& timeoutText)
{
    const auto now = Clock::now();
    const auto left = std::chrono::duration_cast<milliseconds>(fDeadline - now);
    const bool deadlineFirst = left <= timeout;
    const milliseconds wait = std::max(milliseconds(0), deadlineFirst ? left : timeout);
    pollfd fd{fSocket, short(what == TWait::Read ? POLLIN : POLLOUT), 0};
    int result;
    do {
        result = poll(&fd, 1, int(wait.count()));
    } while (result < 0 && errno == EINTR);
    if (result > 0)
        return;
    if (result < 0)
        throw ESmtpError(Fmt(Tr("Socket error: %s"), {SystemError(errno)}));
    throw ESmtpError(deadlineFirst ? Tr("Sending took too long and was stopped.") : timeoutText);
}

void TSmtpTransport::WaitForIo(TWait what)
{
    Wait(what, fReadTimeout, Tr("Read timed out."));
}

void TSmtpTransport::WaitForSsl(int result, const QString& failure)
{
    switch (SSL_get_error(fSsl, result)) {
    case SSL_ERROR_WANT_READ:
        return WaitForIo(TWait::Read);
    case SSL_ERROR_WANT_WRITE:
        return WaitForIo(TWait::Write);
    case SSL_ERROR_ZERO_RETURN:
        throw ESmtpError(Tr("The server closed the connection."));
    case SSL_ERROR_SYSCALL:
        if (ERR_peek_error() == 0)
            throw ESmtpError(errno != 0 ? Fmt(Tr("Socket error: %s"), {SystemError(errno)})
                                        : Tr("The server closed the connection."));
        [[fallthrough]];
    default:
        throw ESmtpError(Fmt(failure, {TakeOpenSslErrors(Tr("unknown TLS error"))}));
    }
}

bool TSmtpTransport::TryConnect(const addrinfo* address, milliseconds timeout, QString* error)
{
    fSocket = socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                     address->ai_protocol);
    if (fSocket < 0) {
        *error = SystemError(errno);
        return false;
    }
    if (connect(fSocket, address->ai_addr, address->ai_addrlen) == 0)
        return true;
    int code = errno;
    if (code == EINPROGRESS) {
        Wait(TWait::Write, timeout, Tr("Connect timed out."));
        socklen_t length = sizeof code;
        getsockopt(fSocket, SOL_SOCKET, SO_ERROR, &code, &length);
        if (code == 0)
            return true;
    }
    *error = SystemError(code);
    Close();
    return false;
}

void TSmtpTransport::Connect(const QString& host, quint16 port, milliseconds timeout)
{
    Close();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const QByteArray name = host.toUtf8();
    const QByteArray service = QByteArray::number(port);
    if (const int rc = getaddrinfo(name.constData(), service.constData(), &hints, &list); rc != 0)
        throw ESmtpError(Fmt(Tr("Could not resolve the host name %s: %s"),
                             {host, QString::fromLocal8Bit(gai_strerror(rc))}));
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owner(list, freeaddrinfo);
    QString error;
    for (const addrinfo* a = list; a; a = a->ai_next) {
        try {
            if (TryConnect(a, timeout, &error))
                return;
        } catch (const ESmtpError& e) {
            Close();
            error = e.Message();
            if (!a->ai_next)
                throw;
        }
    }
    throw ESmtpError(
        Fmt(Tr("Could not connect to %s port %u: %s"), {host, QString::number(port), error}));
}

void TSmtpTransport::StartTls(SSL_CTX* ctx, const QString& host)
{
    TSigPipeBlock block;
    fSsl = SSL_new(ctx);
    if (!fSsl || SSL_set_fd(fSsl, fSocket) != 1)
        throw ESmtpError(Tr("Error creating SSL session."));
    const QByteArray name = host.toUtf8();
    if (IsIpAddress(name)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(fSsl), name.constData());
    } else {
        SSL_set_tlsext_host_name(fSsl, name.constData());
        SSL_set1_host(fSsl, name.constData());
    }
    for (;;) {
        ERR_clear_error();
        const int result = SSL_connect(fSsl);
        if (result == 1)
            return;
        if (const QString failure = VerifyFailure(fSsl); !failure.isEmpty())
            throw ESmtpError(failure);
        WaitForSsl(result, Tr("TLS handshake failed: %s"));
    }
}

qsizetype TSmtpTransport::ReceiveSome(char* data, qsizetype size)
{
    for (;;) {
        if (fSsl) {
            TSigPipeBlock block;
            ERR_clear_error();
            const int n = SSL_read(fSsl, data, int(size));
            if (n > 0)
                return n;
            WaitForSsl(n, Tr("TLS error: %s"));
            continue;
        }
        const ssize_t n = recv(fSocket, data, size_t(size), 0);
        if (n > 0)
            return n;
        if (n == 0)
            throw ESmtpError(Tr("The server closed the connection."));
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            WaitForIo(TWait::Read);
        else if (errno != EINTR)
            throw ESmtpError(Fmt(Tr("Socket error: %s"), {SystemError(errno)}));
    }
}

QByteArray TSmtpTransport::ReadLine(qsizetype maxLength)
{
    if (!IsOpen())
        throw ESmtpError(Tr("Not connected."));
    for (;;) {
        const qsizetype end = fBuffer.indexOf('\n');
        if (end >= 0) {
            QByteArray line = fBuffer.left(end);
            fBuffer.remove(0, end + 1);
            if (line.endsWith('\r'))
                line.chop(1);
            return line;
        }
        if (fBuffer.size() > maxLength)
            throw ESmtpError(Tr("The server's reply is too long."));
        char chunk[4096];
        fBuffer.append(chunk, ReceiveSome(chunk, sizeof chunk));
    }
}

void TSmtpTransport::Write(const QByteArray& data)
{
    if (!IsOpen())
        throw ESmtpError(Tr("Not connected."));
    qsizetype done = 0;
    while (done < data.size()) {
        const qsizetype size = std::min<qsizetype>(data.size() - done, 16384);
        if (fSsl) {
            TSigPipeBlock block;
            ERR_clear_error();
            const int n = SSL_write(fSsl, data.constData() + done, int(size));
            if (n > 0)
                done += n;
            else
                WaitForSsl(n, Tr("TLS error: %s"));
            continue;
        }
        const ssize_t n = send(fSocket, data.constData() + done, size_t(size), MSG_NOSIGNAL);
        if (n >= 0)
            done += n;
        else if (errno == EAGAIN || errno == EWOULDBLOCK)
            WaitForIo(TWait::Write);
        else if (errno != EINTR)
            throw ESmtpError(Fmt(Tr("Socket error: %s"), {SystemError(errno)}));
    }
}

void TSmtpTransport::Close()
{
    if (fSsl) {
        TSigPipeBlock block;
        SSL_shutdown(fSsl);
        SSL_free(fSsl);
        fSsl = nullptr;
        ERR_clear_error();
    }
    if (fSocket >= 0)
        ::close(fSocket);
    fSocket = -1;
    fBuffer.clear();
}
