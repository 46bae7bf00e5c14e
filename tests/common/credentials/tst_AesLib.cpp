#include <atomic>
#include <thread>

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include "common/credentials/AesLib.h"
#include "common/credentials/PauseEvent.h"

namespace {

QByteArray Pattern(qsizetype n)
{
    QByteArray data(n, '\0');
    for (qsizetype i = 0; i < n; ++i)
        data[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return data;
}

QByteArray Encrypt(const QByteArray& password, int mode, const QByteArray& plain,
                   int bufSize = 4096)
{
    QByteArray in = plain;
    QBuffer source(&in);
    source.open(QIODevice::ReadOnly);
    QByteArray out;
    QBuffer dest(&out);
    dest.open(QIODevice::WriteOnly);
    TEncryption crypt(password, mode, bufSize);
    if (!crypt.EncryptStream(&source, &dest, false))
        return {};
    return out;
}

TOpResult Decrypt(const QByteArray& password, int mode, const QByteArray& stream, QByteArray* plain,
                  qint64 length = -1, int bufSize = 4096)
{
    QByteArray in = stream;
    QBuffer source(&in);
    source.open(QIODevice::ReadOnly);
    QBuffer dest(plain);
    if (plain != nullptr)
        dest.open(QIODevice::WriteOnly);
    TEncryption crypt(password, mode, bufSize);
    return crypt.DecryptStreamEx(&source, plain != nullptr ? &dest : nullptr,
                                 length < 0 ? stream.size() : length, false);
}

QByteArray AesBlock(const QByteArray& key, const QByteArray& block)
{
    const EVP_CIPHER* cipher = key.size() == 16   ? EVP_aes_128_ecb()
                               : key.size() == 24 ? EVP_aes_192_ecb()
                                                  : EVP_aes_256_ecb();
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(ctx, cipher, nullptr, reinterpret_cast<const unsigned char*>(key.data()),
                       nullptr);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    QByteArray out(16, '\0');
    int len = 0;
    EVP_EncryptUpdate(ctx, reinterpret_cast<unsigned char*>(out.data()), &len,
                      reinterpret_cast<const unsigned char*>(block.data()), 16);
    EVP_CIPHER_CTX_free(ctx);
    return out;
}

QByteArray CounterBlock(unsigned value)
{
    QByteArray block(16, '\0');
    for (int i = 0; i < 4; ++i)
        block[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return block;
}

} // namespace

class tst_AesLib : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void keyModeChoice_data();
    void keyModeChoice();
    void matchesReferenceConstruction_data();
    void matchesReferenceConstruction();
    void rejectedStreams_data();
    void rejectedStreams();
    void checkWithoutDestination();
    void blocksNeedAHeader();
    void progressAndCancel();
    void pauseEventHoldsTheWork();
    void deviceErrors();
    void pipeSource();
};

void tst_AesLib::roundTrip_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("encryptBuffer");
    QTest::addColumn<int>("decryptBuffer");
    QTest::addColumn<int>("headerSize");
    QTest::newRow("mode 1, empty") << 1 << 0 << 4096 << 4096 << 10;
    QTest::newRow("mode 1, one byte") << 1 << 1 << 4096 << 4096 << 10;
    QTest::newRow("mode 2, odd buffers") << 2 << 5000 << 7 << 333 << 14;
    QTest::newRow("mode 3, buffer-sized") << 3 << 8192 << 4096 << 1 << 18;
    QTest::newRow("mode 1, beyond 256 counter blocks") << 1 << 70000 << 1000 << 17 << 10;
    // A buffer of no bytes would never see the short read that ends the loop.
    QTest::newRow("buffer size 0 takes the default") << 1 << 5000 << 0 << -5 << 10;
}

void tst_AesLib::roundTrip()
{
    QFETCH(int, mode);
    QFETCH(int, size);
    QFETCH(int, encryptBuffer);
    QFETCH(int, decryptBuffer);
    QFETCH(int, headerSize);
    const QByteArray plain = Pattern(size);
    const QByteArray stream = Encrypt("pass word", mode, plain, encryptBuffer);
    QCOMPARE(TEncryption("pass word", mode, 16).GetHeaderSize(), headerSize);
    QCOMPARE(stream.size(), size + headerSize + 10);
    QByteArray back;
    QCOMPARE(Decrypt("pass word", mode, stream, &back, -1, decryptBuffer), orOk);
    QCOMPARE(back, plain);
}

void tst_AesLib::keyModeChoice_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("passwordLength");
    QTest::addColumn<int>("chosen");
    QTest::newRow("0, 31 characters") << 0 << 31 << 1;
    QTest::newRow("0, 32 characters") << 0 << 32 << 2;
    QTest::newRow("0, 47 characters") << 0 << 47 << 2;
    QTest::newRow("0, 48 characters") << 0 << 48 << 3;
    QTest::newRow("-1, empty") << -1 << 0 << 1;
    QTest::newRow("2 whatever the length") << 2 << 5 << 2;
    QTest::newRow("4, 200 characters") << 4 << 200 << 3;
}

void tst_AesLib::keyModeChoice()
{
    QFETCH(int, mode);
    QFETCH(int, passwordLength);
    QFETCH(int, chosen);
    const QByteArray password(passwordLength, 'p');
    TEncryption crypt(password, mode, 64);
    QCOMPARE(crypt.KeyMode(), chosen);
    QCOMPARE(crypt.GetHeaderSize(), 4 * (chosen + 1) + 2);
    // A password is used up to its 128th character.
    const QByteArray stream = Encrypt(password, mode, "data");
    QByteArray back;
    QCOMPARE(Decrypt(password.left(128), chosen, stream, &back), orOk);
    QCOMPARE(back, QByteArray("data"));
}

void tst_AesLib::matchesReferenceConstruction_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("AES-128") << 1;
    QTest::newRow("AES-256") << 3;
}

// Salt, verifier, counter blocks from 1 with a little-endian carry, and the code over the
// encrypted bytes, rebuilt from the primitives.
void tst_AesLib::matchesReferenceConstruction()
{
    QFETCH(int, mode);
    const int keyLength = 8 * (mode + 1);
    const int saltLength = 4 * (mode + 1);
    const QByteArray password = "reference";
    const QByteArray plain(257 * 16, '\0');
    const QByteArray stream = Encrypt(password, mode, plain);
    QCOMPARE(stream.size(), saltLength + 2 + plain.size() + 10);

    const QByteArray salt = stream.left(saltLength);
    QByteArray derived(2 * keyLength + 2, '\0');
    QVERIFY(PKCS5_PBKDF2_HMAC_SHA1(password.data(), int(password.size()),
                                   reinterpret_cast<const unsigned char*>(salt.data()), saltLength,
                                   1000, int(derived.size()),
                                   reinterpret_cast<unsigned char*>(derived.data())) == 1);
    const QByteArray aesKey = derived.left(keyLength);
    const QByteArray macKey = derived.mid(keyLength, keyLength);
    QCOMPARE(stream.mid(saltLength, 2), derived.right(2));

    const QByteArray cipher = stream.mid(saltLength + 2, plain.size());
    for (unsigned block : {1u, 2u, 255u, 256u, 257u})
        QCOMPARE(cipher.mid(16 * (block - 1), 16), AesBlock(aesKey, CounterBlock(block)));

    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned macLength = 0;
    HMAC(EVP_sha1(), macKey.data(), int(macKey.size()),
         reinterpret_cast<const unsigned char*>(cipher.data()), size_t(cipher.size()), mac,
         &macLength);
    QCOMPARE(stream.right(10), QByteArray(reinterpret_cast<const char*>(mac), 10));
}

void tst_AesLib::rejectedStreams_data()
{
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<int>("flip");
    QTest::addColumn<int>("lengthChange");
    QTest::addColumn<int>("cut");
    // The stream: 10 header bytes, 100 data bytes, 10 code bytes.
    QTest::newRow("wrong password") << QByteArray("wrong") << -1 << 0 << 0;
    QTest::newRow("changed salt") << QByteArray("right") << 3 << 0 << 0;
    QTest::newRow("changed data") << QByteArray("right") << 50 << 0 << 0;
    QTest::newRow("changed code") << QByteArray("right") << 115 << 0 << 0;
    QTest::newRow("source ends early") << QByteArray("right") << -1 << 0 << 40;
    QTest::newRow("source ends in the code") << QByteArray("right") << -1 << 0 << 5;
    QTest::newRow("length too short") << QByteArray("right") << -1 << -1 << 0;
    QTest::newRow("length below header and code") << QByteArray("right") << -1 << -101 << 0;
}

void tst_AesLib::rejectedStreams()
{
    QFETCH(QByteArray, password);
    QFETCH(int, flip);
    QFETCH(int, lengthChange);
    QFETCH(int, cut);
    QByteArray stream = Encrypt("right", 1, Pattern(100));
    QCOMPARE(stream.size(), 120);
    const qint64 length = stream.size() + lengthChange;
    if (flip >= 0)
        stream[flip] = static_cast<char>(stream[flip] ^ 0x01);
    stream.chop(cut);
    QByteArray back;
    QCOMPARE(Decrypt(password, 1, stream, &back, length), orError);
}

void tst_AesLib::checkWithoutDestination()
{
    const QByteArray stream = Encrypt("check", 2, Pattern(1000));
    QCOMPARE(Decrypt("check", 2, stream, nullptr), orOk);
    QByteArray damaged = stream;
    damaged[500] = static_cast<char>(damaged[500] ^ 0x80);
    QCOMPARE(Decrypt("check", 2, damaged, nullptr), orError);
}

void tst_AesLib::blocksNeedAHeader()
{
    TEncryption crypt("pw", 1, 16);
    QByteArray data("abc");
    QVERIFY(!crypt.EncryptBlock(data.data(), data.size()));
    QVERIFY(!crypt.DecryptBlock(data.data(), data.size()));
    QCOMPARE(data, QByteArray("abc"));
}

void tst_AesLib::progressAndCancel()
{
    QByteArray plain = Pattern(2500);
    QBuffer source(&plain);
    source.open(QIODevice::ReadOnly);
    QByteArray out;
    QBuffer dest(&out);
    dest.open(QIODevice::WriteOnly);
    TEncryption crypt("pw", 1, 1000);
    QList<qint64> counts;
    crypt.SetOnProgress([&](TFileAction action, qint64 count, bool speedLimit) {
        QCOMPARE(action, acEncrypt);
        QVERIFY(speedLimit);
        counts.append(count);
    });
    QCOMPARE(crypt.EncryptStreamEx(&source, &dest, true), orOk);
    QCOMPARE(counts, QList<qint64>({1000, 2000, 2500}));

    // Cancelled after the first block: no code is written.
    source.seek(0);
    dest.close();
    out.clear();
    dest.open(QIODevice::WriteOnly);
    counts.clear();
    QCOMPARE(crypt.EncryptStreamEx(&source, &dest, true, [] { return true; }), orUserBreak);
    QCOMPARE(counts, QList<qint64>({1000}));
    QCOMPARE(out.size(), 10 + 1000);

    QByteArray stream = Encrypt("pw", 1, plain, 1000);
    QBuffer encrypted(&stream);
    encrypted.open(QIODevice::ReadOnly);
    int calls = 0;
    TEncryption reader("pw", 1, 1000);
    reader.SetOnProgress([](TFileAction action, qint64, bool) { QCOMPARE(action, acDecrypt); });
    QCOMPARE(reader.DecryptStreamEx(&encrypted, nullptr, stream.size(), false,
                                    [&] { return ++calls == 2; }),
             orUserBreak);
    QCOMPARE(calls, 2);
}

void tst_AesLib::pauseEventHoldsTheWork()
{
    TEvent gate(false);
    QByteArray plain = Pattern(100);
    QBuffer source(&plain);
    source.open(QIODevice::ReadOnly);
    QByteArray out;
    QBuffer dest(&out);
    dest.open(QIODevice::WriteOnly);
    TEncryption crypt("pw", 1, 4096);
    crypt.SetEvent(&gate);
    std::atomic<qint64> progressed{0};
    crypt.SetOnProgress([&](TFileAction, qint64 count, bool) { progressed = count; });
    std::atomic<int> result{-1};
    std::thread worker([&] { result = crypt.EncryptStreamEx(&source, &dest, false); });
    QTest::qWait(150);
    QCOMPARE(progressed.load(), 0);
    QCOMPARE(result.load(), -1);
    gate.SetEvent();
    worker.join();
    QCOMPARE(result.load(), int(orOk));
    QCOMPARE(progressed.load(), 100);
}

void tst_AesLib::deviceErrors()
{
    QByteArray plain = Pattern(10);
    QBuffer unopened(&plain);
    QByteArray out;
    QBuffer dest(&out);
    dest.open(QIODevice::WriteOnly);
    TEncryption crypt("pw", 1, 16);
    QCOMPARE(crypt.EncryptStreamEx(&unopened, &dest, false), orError);

    QBuffer source(&plain);
    source.open(QIODevice::ReadOnly);
    QBuffer readOnly(&out);
    readOnly.open(QIODevice::ReadOnly);
    QVERIFY(!crypt.EncryptStream(&source, &readOnly, false));
    QVERIFY(!crypt.WriteHeader(nullptr));
    // A full disk shows only when the file's buffer is written out.
    QFile full("/dev/full");
    if (full.open(QIODevice::WriteOnly)) {
        source.seek(0);
        QVERIFY(!crypt.EncryptStream(&source, &full, false));
    }
    QVERIFY(!crypt.ReadHeader(nullptr));
}

// A pipe delivers in pieces: the work must wait for the rest, and stop where the pipe ends.
void tst_AesLib::pipeSource()
{
    QProcess writer;
    writer.start("/bin/sh", {"-c", "printf abc; sleep 0.3; printf def"});
    QVERIFY(writer.waitForStarted());
    QByteArray out;
    QBuffer dest(&out);
    dest.open(QIODevice::WriteOnly);
    TEncryption crypt("pw", 1, 4096);
    QCOMPARE(crypt.EncryptStreamEx(&writer, &dest, false), orOk);
    writer.waitForFinished();
    QByteArray back;
    QCOMPARE(Decrypt("pw", 1, out, &back), orOk);
    QCOMPARE(back, QByteArray("abcdef"));

    // A stream whose second half never arrives.
    QProcess halfWriter;
    const QByteArray stream = Encrypt("pw", 1, Pattern(200));
    halfWriter.start("/bin/sh", {"-c", "head -c 60"});
    QVERIFY(halfWriter.waitForStarted());
    halfWriter.write(stream);
    halfWriter.closeWriteChannel();
    TEncryption reader("pw", 1, 4096);
    QCOMPARE(reader.DecryptStreamEx(&halfWriter, nullptr, stream.size(), false), orError);
    halfWriter.waitForFinished();
}

QTEST_GUILESS_MAIN(tst_AesLib)
#include "tst_AesLib.moc"
