// Time per stored-password encryption and decryption, and the stream throughput for 64 MiB,
// beside the machine's own AES-128-CTR and HMAC-SHA1 figures from "openssl speed".
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>

#include "common/credentials/AesLib.h"
#include "common/credentials/PasswordCodec.h"

namespace {

constexpr int kCodecRounds = 201;
constexpr qint64 kStreamBytes = 64LL * 1024 * 1024;
constexpr int kStreamBuffer = 64 * 1024;

double MedianMicroseconds(int rounds, const std::function<void()>& work)
{
    std::vector<qint64> times;
    times.reserve(rounds);
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed());
    }
    std::sort(times.begin(), times.end());
    return double(times[times.size() / 2]) / 1e3;
}

double MegabytesPerSecond(qint64 bytes, qint64 nanoseconds)
{
    return double(bytes) / 1e6 / (double(nanoseconds) / 1e9);
}

// Bytes per second of one "openssl speed" algorithm on 16 KiB blocks; 0 without the tool.
double OpensslSpeed(const QStringList& algorithm)
{
    if (QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty())
        return 0;
    QProcess p;
    p.start(QStringLiteral("openssl"),
            QStringList{"speed", "-mr", "-seconds", "1", "-bytes", "16384"} + algorithm);
    if (!p.waitForFinished(60000))
        return 0;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
        if (line.startsWith("+F:"))
            return line.split(':').last().trimmed().toDouble();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray key = UnscrambleKey(QString::fromLatin1(kPasswordKeyText));
    QString stored;
    const double encryptUs = MedianMicroseconds(kCodecRounds, [&] {
        stored = EncryptPassword(key, "a group password", kStoredPasswordLength, false);
    });
    QByteArray password;
    const double decryptUs =
        MedianMicroseconds(kCodecRounds, [&] { password = DecryptPassword(key, stored, false); });
    if (password != "a group password") {
        std::fprintf(stderr, "stored password did not read back\n");
        return 1;
    }

    QByteArray plain(kStreamBytes, '\x5c');
    QByteArray cipher;
    cipher.reserve(kStreamBytes + 64);
    QElapsedTimer timer;
    QBuffer source(&plain);
    source.open(QIODevice::ReadOnly);
    QBuffer dest(&cipher);
    dest.open(QIODevice::WriteOnly);
    TEncryption writer("stream password", 1, kStreamBuffer);
    timer.start();
    const bool encrypted = writer.EncryptStream(&source, &dest, false);
    const qint64 encryptNs = timer.nsecsElapsed();
    dest.close();

    QBuffer encryptedSource(&cipher);
    encryptedSource.open(QIODevice::ReadOnly);
    TEncryption reader("stream password", 1, kStreamBuffer);
    timer.start();
    const bool decrypted = reader.DecryptStream(&encryptedSource, nullptr, cipher.size(), false);
    const qint64 decryptNs = timer.nsecsElapsed();
    if (!encrypted || !decrypted) {
        std::fprintf(stderr, "stream round trip failed\n");
        return 1;
    }

    std::printf("EncryptPassword_us=%.1f (median of %d)\n", encryptUs, kCodecRounds);
    std::printf("DecryptPassword_us=%.1f (median of %d)\n", decryptUs, kCodecRounds);
    const double encryptMBs = MegabytesPerSecond(kStreamBytes, encryptNs);
    const double decryptMBs = MegabytesPerSecond(kStreamBytes, decryptNs);
    std::printf("stream_encrypt_MBps=%.1f (64 MiB, AES-128 + HMAC-SHA1)\n", encryptMBs);
    std::printf("stream_check_MBps=%.1f (64 MiB, no destination)\n", decryptMBs);
    const double ctr = OpensslSpeed({"-evp", "aes-128-ctr"});
    const double hmac = OpensslSpeed({"-hmac", "sha1"});
    if (ctr > 0) {
        std::printf("openssl_aes128ctr_MBps=%.1f\n", ctr / 1e6);
        std::printf("ratio_encrypt_to_aes128ctr=%.3f\n", encryptMBs / (ctr / 1e6));
    } else {
        std::printf("openssl_aes128ctr_MBps=n/a (openssl not found)\n");
    }
    if (hmac > 0)
        std::printf("openssl_hmac_sha1_MBps=%.1f (the bound of encrypt-then-authenticate)\n",
                    hmac / 1e6);
    return 0;
}
