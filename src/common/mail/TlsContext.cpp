#include "common/mail/TlsContext.h"

#include <cstring>

#include <QFile>

#include <openssl/err.h>

#include "common/infra/Translate.h"
#include "common/mail/SmtpError.h"

namespace {

int PassphraseCallback(char* buffer, int size, int /*rwflag*/, void* userdata)
{
    const auto* files = static_cast<const TTlsFiles*>(userdata);
    const QByteArray pass = files->Passphrase ? files->Passphrase() : QByteArray();
    const int length = std::min<int>(size, int(pass.size()));
    std::memcpy(buffer, pass.constData(), size_t(length));
    return length;
}

[[noreturn]] void Fail(const char* text)
{
    ERR_clear_error();
    throw ESmtpError(Tr(text));
}

} // namespace

QString TakeOpenSslErrors(const QString& fallback)
{
    QString text;
    while (const unsigned long code = ERR_get_error()) {
        char buffer[256];
        ERR_error_string_n(code, buffer, sizeof buffer);
        text = QString::fromLatin1(buffer);
    }
    return text.isEmpty() ? fallback : text;
}

TSslCtxPtr MakeTlsClientContext(const TTlsFiles& files)
{
    TSslCtxPtr ctx(SSL_CTX_new(TLS_client_method()));
    if (!ctx)
        Fail(TrNoop("Error creating SSL session."));
    SSL_CTX_set_min_proto_version(ctx.get(), TLS1_2_VERSION);
    SSL_CTX_set_verify(ctx.get(), SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_default_verify_paths(ctx.get());
    if (!files.CaFile.isEmpty()) {
        const QByteArray ca = QFile::encodeName(files.CaFile);
        if (SSL_CTX_load_verify_locations(ctx.get(), ca.constData(), nullptr) != 1)
            Fail(TrNoop("Could not load root certificate."));
    }
    if (files.CertFile.isEmpty() || files.KeyFile.isEmpty())
        return ctx;
    const QByteArray cert = QFile::encodeName(files.CertFile);
    if (SSL_CTX_use_certificate_chain_file(ctx.get(), cert.constData()) != 1)
        Fail(TrNoop("Could not load certificate."));
    SSL_CTX_set_default_passwd_cb(ctx.get(), PassphraseCallback);
    SSL_CTX_set_default_passwd_cb_userdata(ctx.get(), const_cast<TTlsFiles*>(&files));
    const QByteArray key = QFile::encodeName(files.KeyFile);
    const bool keyLoaded =
        SSL_CTX_use_PrivateKey_file(ctx.get(), key.constData(), SSL_FILETYPE_PEM) == 1 &&
        SSL_CTX_check_private_key(ctx.get()) == 1;
    SSL_CTX_set_default_passwd_cb(ctx.get(), nullptr);
    SSL_CTX_set_default_passwd_cb_userdata(ctx.get(), nullptr);
    if (!keyLoaded)
        Fail(TrNoop("Could not load key, check password."));
    return ctx;
}
