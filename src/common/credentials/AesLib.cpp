#include "common/credentials/AesLib.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <openssl/rand.h>

#include <QFileDevice>
#include <QIODevice>

#include "common/credentials/PauseEvent.h"

namespace {

constexpr int kIterations = 1000;
constexpr int kDefaultBufSize = 4096;
constexpr int kVerifierSize = 2;
constexpr int kMaxDerived = 2 * 32 + kVerifierSize;

const EVP_CIPHER* AesCipher(int keyLength)
{
    switch (keyLength) {
    case 16:
        return EVP_aes_128_ecb();
    case 24:
        return EVP_aes_192_ecb();
    default:
        return EVP_aes_256_ecb();
    }
}

EVP_CIPHER_CTX* NewAes(const unsigned char* key, int keyLength)
{
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    if (ctx == nullptr)
        return nullptr;
    if (EVP_EncryptInit_ex(ctx, AesCipher(keyLength), nullptr, key, nullptr) != 1 ||
        EVP_CIPHER_CTX_set_padding(ctx, 0) != 1) {
        EVP_CIPHER_CTX_free(ctx);
        return nullptr;
    }
    return ctx;
}

EVP_MAC_CTX* NewHmacSha1(const unsigned char* key, int keyLength)
{
    EVP_MAC* mac = EVP_MAC_fetch(nullptr, OSSL_MAC_NAME_HMAC, nullptr);
    if (mac == nullptr)
        return nullptr;
    EVP_MAC_CTX* ctx = EVP_MAC_CTX_new(mac);
    EVP_MAC_free(mac);
    if (ctx == nullptr)
        return nullptr;
    char digest[] = "SHA1";
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                 OSSL_PARAM_construct_end()};
    if (EVP_MAC_init(ctx, key, static_cast<size_t>(keyLength), params) != 1) {
        EVP_MAC_CTX_free(ctx);
        return nullptr;
    }
    return ctx;
}

void XorInto(unsigned char* data, const unsigned char* keyStream, size_t n)
{
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t a;
        std::uint64_t b;
        std::memcpy(&a, data + i, 8);
        std::memcpy(&b, keyStream + i, 8);
        a ^= b;
        std::memcpy(data + i, &a, 8);
    }
    for (; i < n; ++i)
        data[i] ^= keyStream[i];
}

// Reads until want bytes arrived or the source ends; -1 on a read error.
qint64 ReadFull(QIODevice* source, unsigned char* out, qint64 want)
{
    qint64 got = 0;
    while (got < want) {
        const qint64 n = source->read(reinterpret_cast<char*>(out) + got, want - got);
        if (n < 0)
            return -1;
        // A pipe or socket may deliver later; a file or buffer has ended.
        if (n == 0 && !(source->isSequential() && source->waitForReadyRead(-1)))
            break;
        got += n;
    }
    return got;
}

bool WriteAll(QIODevice* dest, const unsigned char* data, qint64 len)
{
    return len == 0 || dest->write(reinterpret_cast<const char*>(data), len) == len;
}

// Runs a stream step; an exception thrown by a device counts as a failure.
template <typename Result, typename Step> Result Guarded(Result onError, Step step)
{
    try {
        return step();
    } catch (const std::exception&) {
        return onError;
    }
}

} // namespace

TCrypt::TCrypt(const QByteArray& Password, int AMode, int ABufSize)
    : FPwd(Password.cbegin(),
           Password.cbegin() + std::min<qsizetype>(Password.size(), MaxPasswordLength)),
      CBufSize(ABufSize < 1 ? kDefaultBufSize : ABufSize), CBuffer(static_cast<size_t>(CBufSize))
{
    FCryptCtx.PwdLen = static_cast<int>(FPwd.size());
    SetKeyMode(AMode);
}

TCrypt::~TCrypt()
{
    ReleaseContext();
    OPENSSL_cleanse(FPwd.data(), FPwd.size());
    OPENSSL_cleanse(CBuffer.data(), CBuffer.size());
    OPENSSL_cleanse(&FCryptCtx.Counter, sizeof FCryptCtx.Counter);
}

void TCrypt::SetKeyMode(int AMode)
{
    if (AMode >= 1 && AMode <= 3)
        FMode = AMode;
    else
        FMode = FPwd.size() < 32 ? 1 : (FPwd.size() < 48 ? 2 : 3);
    FCryptCtx.Mode = FMode;
}

int TCrypt::GetHeaderSize() const
{
    return SaltLength() + kVerifierSize;
}

void TCrypt::ReleaseContext()
{
    EVP_CIPHER_CTX_free(FCryptCtx.Aes);
    EVP_MAC_CTX_free(FCryptCtx.Hmac);
    FCryptCtx.Aes = nullptr;
    FCryptCtx.Hmac = nullptr;
    OPENSSL_cleanse(FCryptCtx.KeyStream.data(), FCryptCtx.KeyStream.size());
}

bool TCrypt::DeriveKeys(const unsigned char* salt, std::array<unsigned char, 2>& verifier)
{
    ReleaseContext();
    const int k = KeyLength();
    static const char kNoPassword = '\0';
    const char* pwd = FPwd.empty() ? &kNoPassword : reinterpret_cast<const char*>(FPwd.data());
    std::array<unsigned char, kMaxDerived> derived{};
    bool ok = PKCS5_PBKDF2_HMAC_SHA1(pwd, static_cast<int>(FPwd.size()), salt, SaltLength(),
                                     kIterations, 2 * k + kVerifierSize, derived.data()) == 1;
    if (ok) {
        FCryptCtx.Aes = NewAes(derived.data(), k);
        FCryptCtx.Hmac = NewHmacSha1(derived.data() + k, k);
        std::memcpy(verifier.data(), derived.data() + 2 * k, kVerifierSize);
        ok = IsKeyed();
    }
    OPENSSL_cleanse(derived.data(), derived.size());
    FCryptCtx.Counter = 0;
    FCryptCtx.Position = static_cast<int>(FCryptCtx.KeyStream.size());
    return ok;
}

void TCrypt::RefillKeyStream()
{
    std::array<unsigned char, sizeof(TFCryptContext::KeyStream)> blocks{};
    for (size_t b = 0; b < blocks.size(); b += 16) {
        // Incremented before use, so the first block is 01 00 .. 00; the carry stops after byte 7.
        const std::uint64_t value = ++FCryptCtx.Counter;
        for (size_t i = 0; i < 8; ++i)
            blocks[b + i] = static_cast<unsigned char>(value >> (8 * i));
    }
    int outLen = 0;
    EVP_EncryptUpdate(FCryptCtx.Aes, FCryptCtx.KeyStream.data(), &outLen, blocks.data(),
                      static_cast<int>(blocks.size()));
    FCryptCtx.Position = 0;
}

void TCrypt::ApplyKeyStream(unsigned char* data, qint64 len)
{
    const auto streamSize = static_cast<qint64>(FCryptCtx.KeyStream.size());
    while (len > 0) {
        if (FCryptCtx.Position == streamSize)
            RefillKeyStream();
        const qint64 take = std::min(len, streamSize - FCryptCtx.Position);
        XorInto(data, FCryptCtx.KeyStream.data() + FCryptCtx.Position, static_cast<size_t>(take));
        FCryptCtx.Position += static_cast<int>(take);
        data += take;
        len -= take;
    }
}

void TCrypt::Authenticate(const unsigned char* data, qint64 len)
{
    EVP_MAC_update(FCryptCtx.Hmac, data, static_cast<size_t>(len));
}

std::array<unsigned char, TCrypt::TrailerSize> TCrypt::FinalCode()
{
    std::array<unsigned char, EVP_MAX_MD_SIZE> full{};
    size_t outLen = 0;
    EVP_MAC_final(FCryptCtx.Hmac, full.data(), &outLen, full.size());
    std::array<unsigned char, TrailerSize> code{};
    std::memcpy(code.data(), full.data(), code.size());
    OPENSSL_cleanse(full.data(), full.size());
    return code;
}

TEncryption::TEncryption(const QByteArray& Password, int AMode, int ABufSize)
    : TCrypt(Password, AMode, ABufSize)
{}

bool TEncryption::EncryptBlock(void* Buffer, qint64 BLen)
{
    if (!IsKeyed() || BLen < 0)
        return false;
    auto* data = static_cast<unsigned char*>(Buffer);
    ApplyKeyStream(data, BLen);
    Authenticate(data, BLen);
    return true;
}

bool TEncryption::DecryptBlock(void* Buffer, qint64 BLen)
{
    if (!IsKeyed() || BLen < 0)
        return false;
    auto* data = static_cast<unsigned char*>(Buffer);
    Authenticate(data, BLen);
    ApplyKeyStream(data, BLen);
    return true;
}

bool TEncryption::WriteHeader(QIODevice* sDest)
{
    return Guarded(false, [&] {
        std::array<unsigned char, 16> salt{};
        std::array<unsigned char, kVerifierSize> verifier{};
        return sDest != nullptr && RAND_bytes(salt.data(), SaltLength()) == 1 &&
               DeriveKeys(salt.data(), verifier) && WriteAll(sDest, salt.data(), SaltLength()) &&
               WriteAll(sDest, verifier.data(), kVerifierSize);
    });
}

bool TEncryption::ReadHeader(QIODevice* sSource)
{
    return Guarded(false, [&] {
        std::array<unsigned char, 16> salt{};
        std::array<unsigned char, kVerifierSize> expected{};
        std::array<unsigned char, kVerifierSize> stored{};
        return sSource != nullptr && ReadFull(sSource, salt.data(), SaltLength()) == SaltLength() &&
               DeriveKeys(salt.data(), expected) &&
               ReadFull(sSource, stored.data(), kVerifierSize) == kVerifierSize &&
               CRYPTO_memcmp(stored.data(), expected.data(), kVerifierSize) == 0;
    });
}

bool TEncryption::WriteTrailer(QIODevice* sDest)
{
    return Guarded(false, [&] {
        if (sDest == nullptr || !IsKeyed())
            return false;
        const auto code = FinalCode();
        if (!WriteAll(sDest, code.data(), TrailerSize))
            return false;
        // A buffered file reports a full disk only when its buffer is written out.
        auto* file = qobject_cast<QFileDevice*>(sDest);
        return file == nullptr || file->flush();
    });
}

bool TEncryption::ReadTrailer(QIODevice* sSource)
{
    return Guarded(false, [&] {
        if (sSource == nullptr || !IsKeyed())
            return false;
        std::array<unsigned char, TrailerSize> stored{};
        if (ReadFull(sSource, stored.data(), TrailerSize) != TrailerSize)
            return false;
        const auto code = FinalCode();
        return CRYPTO_memcmp(stored.data(), code.data(), TrailerSize) == 0;
    });
}

void TEncryption::Report(TFileAction action, qint64 count, bool speedLimit) const
{
    if (FOnProgress)
        FOnProgress(action, count, speedLimit);
}

void TEncryption::WaitForGate() const
{
    if (FEvent != nullptr)
        FEvent->WaitFor();
}

TOpResult TEncryption::EncryptStreamEx(QIODevice* sSource, QIODevice* sDest, bool SpeedLimit,
                                       const TCancelEvent& CancelEncryption)
{
    return Guarded(orError, [&] {
        if (sSource == nullptr || !WriteHeader(sDest))
            return orError;
        qint64 count = 0;
        for (;;) {
            WaitForGate();
            const qint64 n = ReadFull(sSource, CBuffer.data(), CBufSize);
            if (n < 0)
                return orError;
            count += n;
            Report(acEncrypt, count, SpeedLimit);
            EncryptBlock(CBuffer.data(), n);
            if (!WriteAll(sDest, CBuffer.data(), n))
                return orError;
            if (CancelEncryption && CancelEncryption())
                return orUserBreak;
            if (n < CBufSize)
                break;
        }
        return WriteTrailer(sDest) ? orOk : orError;
    });
}

TOpResult TEncryption::DecryptStreamEx(QIODevice* sSource, QIODevice* sDest, qint64 SLength,
                                       bool SpeedLimit, const TCancelEvent& CancelDecryption)
{
    return Guarded(orError, [&] {
        if (!ReadHeader(sSource))
            return orError;
        qint64 remaining = SLength - GetHeaderSize() - TrailerSize;
        if (remaining < 0)
            return orError;
        qint64 count = 0;
        while (remaining > 0) {
            WaitForGate();
            const qint64 want = std::min<qint64>(CBufSize, remaining);
            const qint64 n = ReadFull(sSource, CBuffer.data(), want);
            // A source shorter than announced cannot carry the trailer.
            if (n != want)
                return orError;
            count += n;
            Report(acDecrypt, count, SpeedLimit);
            DecryptBlock(CBuffer.data(), n);
            if (sDest != nullptr && !WriteAll(sDest, CBuffer.data(), n))
                return orError;
            if (CancelDecryption && CancelDecryption())
                return orUserBreak;
            remaining -= n;
        }
        return ReadTrailer(sSource) ? orOk : orError;
    });
}

bool TEncryption::EncryptStream(QIODevice* sSource, QIODevice* sDest, bool SpeedLimit)
{
    return EncryptStreamEx(sSource, sDest, SpeedLimit) == orOk;
}

bool TEncryption::DecryptStream(QIODevice* sSource, QIODevice* sDest, qint64 SLength,
                                bool SpeedLimit)
{
    return DecryptStreamEx(sSource, sDest, SLength, SpeedLimit) == orOk;
}
