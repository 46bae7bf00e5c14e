// Our streams against an independent implementation of the same zip encryption: entries that
// 7-Zip encrypts are read back with TEncryption, and streams of TEncryption are extracted by 7-Zip.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include "common/credentials/AesLib.h"

namespace {

const QByteArray kPassword = "Zip-Pass 123";
constexpr quint16 kAesMethod = 99;
constexpr quint16 kAesExtra = 0x9901;

QByteArray Pattern(qsizetype n)
{
    QByteArray data(n, '\0');
    for (qsizetype i = 0; i < n; ++i)
        data[i] = static_cast<char>((i * 13 + i / 97) & 0xFF);
    return data;
}

quint32 Crc32(const QByteArray& data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (char c : data) {
        crc ^= static_cast<unsigned char>(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

quint32 LittleEndian(const QByteArray& b, qsizetype at, int bytes)
{
    quint32 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(b.at(at + i));
    return value;
}
quint16 U16(const QByteArray& b, qsizetype at)
{
    return static_cast<quint16>(LittleEndian(b, at, 2));
}
quint32 U32(const QByteArray& b, qsizetype at)
{
    return LittleEndian(b, at, 4);
}
void Put16(QByteArray& b, quint16 v)
{
    char raw[2];
    qToLittleEndian(v, raw);
    b.append(raw, 2);
}
void Put32(QByteArray& b, quint32 v)
{
    char raw[4];
    qToLittleEndian(v, raw);
    b.append(raw, 4);
}

struct TZipEntry {
    int strength = 0; // key mode of the AES extra field
    quint16 realMethod = 0xFFFF;
    QByteArray data; // salt, verifier, encrypted bytes, code
};

// The first entry of a zip file: its encrypted data and its AES extra field.
bool ReadFirstEntry(const QByteArray& zip, TZipEntry& entry)
{
    if (zip.size() < 30 || U32(zip, 0) != 0x04034b50u || U16(zip, 8) != kAesMethod)
        return false;
    const quint32 packed = U32(zip, 18);
    const quint16 nameLength = U16(zip, 26);
    const quint16 extraLength = U16(zip, 28);
    const qsizetype extraStart = 30 + nameLength;
    if (extraStart + extraLength > zip.size())
        return false;
    for (qsizetype at = extraStart; at + 4 <= extraStart + extraLength;) {
        const quint16 id = U16(zip, at);
        const quint16 size = U16(zip, at + 2);
        if (id == kAesExtra && size >= 7 && at + 11 <= zip.size() && zip.mid(at + 6, 2) == "AE") {
            entry.strength = static_cast<unsigned char>(zip[at + 8]);
            entry.realMethod = U16(zip, at + 9);
        }
        at += 4 + size;
    }
    entry.data = zip.mid(extraStart + extraLength, packed);
    return entry.strength != 0 && entry.data.size() == qsizetype(packed);
}

QByteArray AesExtraField(int mode)
{
    QByteArray extra;
    Put16(extra, kAesExtra);
    Put16(extra, 7);
    Put16(extra, 1); // AE-1: the CRC is stored and checked
    extra.append("AE");
    extra.append(static_cast<char>(mode));
    Put16(extra, 0); // stored
    return extra;
}

// A zip file of one stored entry whose data is an encrypted stream.
QByteArray MakeZip(const QByteArray& name, const QByteArray& plain, const QByteArray& stream,
                   int mode)
{
    const QByteArray extra = AesExtraField(mode);
    auto common = [&](QByteArray& out) {
        Put16(out, 51); // version needed
        Put16(out, 1);  // encrypted
        Put16(out, kAesMethod);
        Put16(out, 0);    // time
        Put16(out, 0x21); // date 1980-01-01
        Put32(out, Crc32(plain));
        Put32(out, quint32(stream.size()));
        Put32(out, quint32(plain.size()));
        Put16(out, quint16(name.size()));
        Put16(out, quint16(extra.size()));
    };
    QByteArray zip;
    Put32(zip, 0x04034b50u);
    common(zip);
    zip.append(name).append(extra).append(stream);
    const quint32 directoryStart = quint32(zip.size());
    Put32(zip, 0x02014b50u);
    Put16(zip, 51); // made by
    common(zip);
    Put16(zip, 0); // comment
    Put16(zip, 0); // disk
    Put16(zip, 0); // internal attributes
    Put32(zip, 0); // external attributes
    Put32(zip, 0); // local header offset
    zip.append(name).append(extra);
    const quint32 directorySize = quint32(zip.size()) - directoryStart;
    Put32(zip, 0x06054b50u);
    Put16(zip, 0);
    Put16(zip, 0);
    Put16(zip, 1);
    Put16(zip, 1);
    Put32(zip, directorySize);
    Put32(zip, directoryStart);
    Put16(zip, 0);
    return zip;
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int Run7z(const QStringList& args, QByteArray* output)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("7z"), args);
    if (!p.waitForFinished(120000))
        return -1;
    *output = p.readAll();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace

class tst_AesLibZip : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;

private slots:
    void initTestCase();
    void readsEntriesOf7Zip_data();
    void readsEntriesOf7Zip();
    void sevenZipExtractsOurEntries_data();
    void sevenZipExtractsOurEntries();
};

void tst_AesLibZip::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("7z")).isEmpty())
        QSKIP("7z is not on PATH (Debian package p7zip-full): zip compatibility not checked");
    QVERIFY(dir.isValid());
}

void tst_AesLibZip::readsEntriesOf7Zip_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("size");
    QTest::newRow("AES-128, 100 bytes") << 1 << 100;
    QTest::newRow("AES-192, 1 byte") << 2 << 1;
    QTest::newRow("AES-256, 100000 bytes") << 3 << 100000;
}

void tst_AesLibZip::readsEntriesOf7Zip()
{
    QFETCH(int, mode);
    QFETCH(int, size);
    const QByteArray plain = Pattern(size);
    const QString tag = QString::number(mode) + u'_' + QString::number(size);
    const QString file = dir.filePath("in_" + tag + ".bin");
    const QString zipPath = dir.filePath("from7z_" + tag + ".zip");
    QVERIFY(WriteFile(file, plain));
    QByteArray output;
    const QString method = QStringLiteral("-mem=AES%1").arg(64 * (mode + 1));
    QCOMPARE(
        Run7z({"a", "-tzip", method, "-mx=0", "-p" + QString::fromLatin1(kPassword), zipPath, file},
              &output),
        0);

    TZipEntry entry;
    QVERIFY(ReadFirstEntry(ReadFile(zipPath), entry));
    QCOMPARE(entry.strength, mode);
    QCOMPARE(entry.realMethod, quint16(0));
    QBuffer source(&entry.data);
    source.open(QIODevice::ReadOnly);
    QByteArray back;
    QBuffer dest(&back);
    dest.open(QIODevice::WriteOnly);
    TEncryption crypt(kPassword, entry.strength, 4096);
    QCOMPARE(crypt.DecryptStreamEx(&source, &dest, entry.data.size(), false), orOk);
    QCOMPARE(back, plain);
}

void tst_AesLibZip::sevenZipExtractsOurEntries_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("size");
    QTest::newRow("AES-128, 5000 bytes") << 1 << 5000;
    QTest::newRow("AES-192, 17 bytes") << 2 << 17;
    QTest::newRow("AES-256, 100000 bytes") << 3 << 100000;
}

void tst_AesLibZip::sevenZipExtractsOurEntries()
{
    QFETCH(int, mode);
    QFETCH(int, size);
    QByteArray plain = Pattern(size);
    QBuffer source(&plain);
    source.open(QIODevice::ReadOnly);
    QByteArray stream;
    QBuffer dest(&stream);
    dest.open(QIODevice::WriteOnly);
    TEncryption crypt(kPassword, mode, 4096);
    QVERIFY(crypt.EncryptStream(&source, &dest, false));

    const QString tag = QString::number(mode) + u'_' + QString::number(size);
    const QString zipPath = dir.filePath("ours_" + tag + ".zip");
    const QString outDir = dir.filePath("out_" + tag);
    QVERIFY(WriteFile(zipPath, MakeZip("entry.bin", plain, stream, mode)));
    QByteArray output;
    const int code =
        Run7z({"x", "-y", "-p" + QString::fromLatin1(kPassword), "-o" + outDir, zipPath}, &output);
    QVERIFY2(code == 0, output.constData());
    QCOMPARE(ReadFile(QDir(outDir).filePath("entry.bin")), plain);
}

QTEST_GUILESS_MAIN(tst_AesLibZip)
#include "tst_AesLibZip.moc"
