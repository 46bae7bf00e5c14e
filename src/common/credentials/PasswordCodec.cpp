#include "common/credentials/PasswordCodec.h"

#include <algorithm>
#include <array>

#include <openssl/crypto.h>
#include <openssl/rand.h>

#include <QBuffer>

#include "common/credentials/AesLib.h"
#include "common/credentials/BinaryText.h"

namespace {

constexpr unsigned char kKeyMask = 0x5A;
constexpr int kCodecBufSize = 4096;
constexpr int kShortPrefixMax = 222;
constexpr int kPrefixOffset = 33;
constexpr char kPaddingFirst = '!';
constexpr int kPaddingRange = 64; // "!" to the backquote

// Overwrites the bytes of an array that nothing else shares.
void Wipe(QByteArray& bytes)
{
    if (!bytes.isEmpty())
        OPENSSL_cleanse(bytes.data(), static_cast<size_t>(bytes.size()));
    bytes.clear();
}

void AppendLengthPrefix(QByteArray& record, qsizetype n)
{
    if (n <= kShortPrefixMax) {
        record.append(static_cast<char>(n + kPrefixOffset));
    } else {
        record.append(static_cast<char>((n >> 8) & 0x1F));
        record.append(static_cast<char>(n & 0xFF));
    }
}

// Random characters "!".."`"; false when the generator fails.
bool AppendPadding(QByteArray& record, qsizetype count)
{
    std::array<unsigned char, 256> random{};
    while (count > 0) {
        const int take = static_cast<int>(std::min<qsizetype>(count, random.size()));
        if (RAND_bytes(random.data(), take) != 1)
            return false;
        for (int i = 0; i < take; ++i)
            record.append(static_cast<char>(kPaddingFirst + random[i] % kPaddingRange));
        count -= take;
    }
    return true;
}

// Encrypts a record in memory; empty on failure.
QByteArray EncryptRecord(const QByteArray& key, const QByteArray& record)
{
    QByteArray plain = record;
    QBuffer source(&plain);
    QByteArray cipher;
    QBuffer dest(&cipher);
    source.open(QIODevice::ReadOnly);
    dest.open(QIODevice::WriteOnly);
    TEncryption crypt(key, 0, kCodecBufSize);
    const bool ok = crypt.EncryptStream(&source, &dest, false);
    dest.close();
    return ok ? cipher : QByteArray();
}

// Decrypts a record in memory; empty when the verifier or the code does not match.
QByteArray DecryptRecord(const QByteArray& key, const QByteArray& bytes)
{
    QByteArray cipher = bytes;
    QBuffer source(&cipher);
    QByteArray plain;
    // Reserved so that growing never leaves a copy of the plain bytes behind.
    plain.reserve(bytes.size());
    QBuffer dest(&plain);
    source.open(QIODevice::ReadOnly);
    dest.open(QIODevice::WriteOnly);
    TEncryption crypt(key, 0, kCodecBufSize);
    const bool ok = crypt.DecryptStream(&source, &dest, bytes.size(), false);
    dest.close();
    if (!ok)
        Wipe(plain);
    return plain;
}

QByteArray PasswordOfRecord(const QByteArray& record)
{
    if (record.isEmpty())
        return {};
    const auto first = static_cast<unsigned char>(record[0]);
    qsizetype start = 1;
    qsizetype n = first - kPrefixOffset;
    if (first < kPrefixOffset) {
        const auto low = record.size() > 1 ? static_cast<unsigned char>(record[1]) : 0;
        n = first * 256 + low;
        start = 2;
    }
    start = std::min(start, record.size());
    return record.mid(start, std::min(n, record.size() - start));
}

} // namespace

QByteArray UnscrambleKey(const QString& KeyText)
{
    QByteArray bytes = HexToBytes(KeyText);
    for (char& b : bytes)
        b = static_cast<char>(static_cast<unsigned char>(b) ^ kKeyMask);
    // Value i comes from bytes 2i and 2i+1: low nibbles for even i, high nibbles for odd i.
    const qsizetype pairs = bytes.size() / 2;
    QByteArray values(pairs, '\0');
    for (qsizetype i = 0; i < pairs; ++i) {
        const auto b0 = static_cast<unsigned char>(bytes[2 * i]);
        const auto b1 = static_cast<unsigned char>(bytes[2 * i + 1]);
        values[i] = static_cast<char>(i % 2 == 0 ? (b0 & 0x0F) | ((b1 & 0x0F) << 4)
                                                 : (b0 & 0xF0) | (b1 >> 4));
    }
    QByteArray key;
    if (pairs > 0)
        key = values.mid(1, std::min<qsizetype>(static_cast<unsigned char>(values[0]), pairs - 1));
    Wipe(bytes);
    Wipe(values);
    return key;
}

QByteArray Utf8PasswordBytes(const QString& password, int maxBytes)
{
    QByteArray bytes = password.toUtf8();
    if (bytes.size() <= maxBytes)
        return bytes;
    qsizetype cut = std::max(maxBytes, 0);
    // Continuation bytes (10xxxxxx) belong to the character before them.
    while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80)
        --cut;
    bytes.truncate(cut);
    return bytes;
}

QString EncryptPassword(const QByteArray& Key, const QByteArray& Password, int Len, bool AsHex)
{
    if (Password.isEmpty())
        return {};
    const qsizetype n = std::min<qsizetype>(Password.size(), std::max(Len, 0));
    QByteArray record;
    record.reserve(n + std::max(Len, 0) + 2);
    AppendLengthPrefix(record, n);
    record.append(Password.constData(), n);
    if (!AppendPadding(record, std::max<qsizetype>(0, Len - 1 - n))) {
        Wipe(record);
        return {};
    }
    QByteArray stored = Key.isEmpty() ? record : EncryptRecord(Key, record);
    Wipe(record);
    return stored.isEmpty() ? QString() : (AsHex ? BytesToHex(stored) : BytesToAscii85(stored));
}

QByteArray DecryptPassword(const QByteArray& Key, const QString& Text, bool AsHex)
{
    if (Text.isEmpty())
        return {};
    const QByteArray bytes = AsHex ? HexToBytes(Text) : Ascii85ToBytes(Text);
    QByteArray record = Key.isEmpty() ? bytes : DecryptRecord(Key, bytes);
    QByteArray password = PasswordOfRecord(record);
    if (!Key.isEmpty())
        Wipe(record);
    return password;
}
