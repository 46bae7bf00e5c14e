#pragma once

#include <functional>
#include <memory>

#include <QByteArray>
#include <QString>

#include <openssl/ssl.h>

// The files of the client's TLS set-up (full paths) and where the key's passphrase comes from.
// Without a CA file the system's trusted certificates alone verify the server; the client
// certificate is sent only when both it and its key are given.
struct TTlsFiles {
    QString CaFile;
    QString CertFile;
    QString KeyFile;
    std::function<QByteArray()> Passphrase;
};

struct TSslCtxDeleter {
    void operator()(SSL_CTX* ctx) const { SSL_CTX_free(ctx); }
};
using TSslCtxPtr = std::unique_ptr<SSL_CTX, TSslCtxDeleter>;

// A client context: TLS 1.2 or newer, server verification against the system's store and the CA
// file (when given), the client certificate and its key (when both are given). Throws ESmtpError
// naming what could not be loaded.
TSslCtxPtr MakeTlsClientContext(const TTlsFiles& files);
// Text of the newest entries of OpenSSL's error queue (emptied), or `fallback` when it is empty.
QString TakeOpenSslErrors(const QString& fallback);
