#include "common/mail/Sasl.h"

#include <array>

#include <openssl/evp.h>
#include <openssl/hmac.h>

namespace {

struct TMechanismInfo {
    TSaslMechanism Mechanism;
    const char* Name;
    bool InitialResponse;
};

constexpr std::array kMechanisms{
    TMechanismInfo{TSaslMechanism::CramSha1, "CRAM-SHA1", false},
    TMechanismInfo{TSaslMechanism::CramMd5, "CRAM-MD5", false},
    TMechanismInfo{TSaslMechanism::Plain, "PLAIN", true},
    TMechanismInfo{TSaslMechanism::Login, "LOGIN", false},
};

const TMechanismInfo& Info(TSaslMechanism mechanism)
{
    for (const auto& info : kMechanisms)
        if (info.Mechanism == mechanism)
            return info;
    return kMechanisms.back();
}

} // namespace

QByteArray SaslName(TSaslMechanism mechanism)
{
    return Info(mechanism).Name;
}

std::vector<TSaslMechanism> SaslCandidates(const QStringList& announced)
{
    std::vector<TSaslMechanism> result;
    for (const auto& info : kMechanisms)
        if (announced.contains(QString::fromLatin1(info.Name), Qt::CaseInsensitive))
            result.push_back(info.Mechanism);
    return result;
}

bool SaslHasInitialResponse(TSaslMechanism mechanism)
{
    return Info(mechanism).InitialResponse;
}

QByteArray CramResponse(TSaslMechanism mechanism, const QByteArray& user,
                        const QByteArray& password, const QByteArray& challenge)
{
    const EVP_MD* md = mechanism == TSaslMechanism::CramSha1 ? EVP_sha1() : EVP_md5();
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    HMAC(md, password.constData(), int(password.size()),
         reinterpret_cast<const unsigned char*>(challenge.constData()), size_t(challenge.size()),
         digest, &length);
    return user + ' ' + QByteArray(reinterpret_cast<const char*>(digest), length).toHex();
}

QByteArray SaslResponse(TSaslMechanism mechanism, int step, const QByteArray& challenge,
                        const QByteArray& user, const QByteArray& password, bool* ok)
{
    *ok = step == 0 || (mechanism == TSaslMechanism::Login && step == 1);
    if (!*ok)
        return {};
    switch (mechanism) {
    case TSaslMechanism::Plain:
        return '\0' + user + '\0' + password;
    case TSaslMechanism::Login:
        return step == 0 ? user : password;
    case TSaslMechanism::CramSha1:
    case TSaslMechanism::CramMd5:
        break;
    }
    return CramResponse(mechanism, user, password, challenge);
}
