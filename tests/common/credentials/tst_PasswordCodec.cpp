#include <algorithm>

#include <QTest>

#include "common/credentials/BinaryText.h"
#include "common/credentials/PasswordCodec.h"

namespace {

QByteArray StoredKey()
{
    return UnscrambleKey(QString::fromLatin1(kPasswordKeyText));
}

QString Store(const QByteArray& password)
{
    return EncryptPassword(StoredKey(), password, kStoredPasswordLength, false);
}

QByteArray Load(const QString& text)
{
    return DecryptPassword(StoredKey(), text, false);
}

// Password bytes that avoid nothing: every code from 1 to 255 occurs in turn.
QByteArray Password(int n)
{
    QByteArray p(n, '\0');
    for (int i = 0; i < n; ++i)
        p[i] = static_cast<char>(1 + i % 255);
    return p;
}

// Stored length with each "z" counted as the five characters it stands for.
qsizetype ExpandedLength(const QString& text)
{
    return text.size() + 4 * text.count(u'z');
}

} // namespace

class tst_PasswordCodec : public QObject {
    Q_OBJECT

private slots:
    void unscrambleKey_data();
    void unscrambleKey();
    void storedLengths_data();
    void storedLengths();
    void lengthPrefix_data();
    void lengthPrefix();
    void plainRecordPadding();
    void emptyValues();
    void twoEncryptionsDiffer();
    void changedCharacterReadsEmpty_data();
    void changedCharacterReadsEmpty();
    void foreignTextReadsEmpty_data();
    void foreignTextReadsEmpty();
    void hexForm();
    void cutAtCharacterBoundary_data();
    void cutAtCharacterBoundary();
};

void tst_PasswordCodec::unscrambleKey_data()
{
    QTest::addColumn<QString>("keyText");
    QTest::addColumn<QByteArray>("key");
    // The key of the settings files: changing it would make every stored password unreadable.
    QTest::newRow("settings key") << QString::fromLatin1(kPasswordKeyText)
                                  << QByteArray::fromHex("ba8dc006d4defca1ad6721");
    // Values 2, 'A', 'B' spread over low nibbles (even values) and high nibbles (odd ones).
    QTest::newRow("nibble order") << "585A1A4A585E" << QByteArray("AB");
    QTest::newRow("count beyond the pairs") << "555A1A4A585E" << QByteArray("AB");
    QTest::newRow("count zero") << "5A5A1A4A585E" << QByteArray();
    QTest::newRow("empty") << QString() << QByteArray();
}

void tst_PasswordCodec::unscrambleKey()
{
    QFETCH(QString, keyText);
    QFETCH(QByteArray, key);
    QCOMPARE(UnscrambleKey(keyText), key);
}

void tst_PasswordCodec::storedLengths_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("storedLength");
    QTest::addColumn<int>("readLength");
    QTest::newRow("1 byte") << 1 << 105 << 1;
    QTest::newRow("63 bytes") << 63 << 105 << 63;
    QTest::newRow("64 bytes") << 64 << 107 << 64;
    QTest::newRow("100 bytes cut to 64") << 100 << 107 << 64;
}

void tst_PasswordCodec::storedLengths()
{
    QFETCH(int, length);
    QFETCH(int, storedLength);
    QFETCH(int, readLength);
    const QByteArray password = Password(length);
    const QString text = Store(password);
    QCOMPARE(ExpandedLength(text), storedLength);
    QCOMPARE(Load(text), password.left(readLength));
}

void tst_PasswordCodec::lengthPrefix_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("prefix");
    QTest::newRow("1") << 1 << QByteArray("\x22");
    QTest::newRow("222, one byte") << 222 << QByteArray("\xff");
    QTest::newRow("223, two bytes") << 223 << QByteArray("\x00\xdf", 2);
    QTest::newRow("300") << 300 << QByteArray("\x01\x2c", 2);
}

void tst_PasswordCodec::lengthPrefix()
{
    QFETCH(int, length);
    QFETCH(QByteArray, prefix);
    const QByteArray password = Password(length);
    // Without a key the record stays plain and shows its prefix.
    const QByteArray record = HexToBytes(EncryptPassword({}, password, 400, true));
    QVERIFY(record.startsWith(prefix));
    QCOMPARE(record.mid(prefix.size(), length), password);
    QCOMPARE(DecryptPassword({}, BytesToHex(record), true), password);
    // The same through the cipher.
    QCOMPARE(
        DecryptPassword(StoredKey(), EncryptPassword(StoredKey(), password, 400, false), false),
        password);
}

void tst_PasswordCodec::plainRecordPadding()
{
    const QByteArray record = HexToBytes(EncryptPassword({}, "secret", 64, true));
    QCOMPARE(record.size(), 64);
    QCOMPARE(record.left(7), QByteArray("\x27secret"));
    const QByteArray padding = record.mid(7);
    QVERIFY(std::all_of(padding.begin(), padding.end(), [](char c) { return c >= 33 && c <= 96; }));
}

void tst_PasswordCodec::emptyValues()
{
    QCOMPARE(Store(QByteArray()), QString());
    QCOMPARE(Load(QString()), QByteArray());
}

void tst_PasswordCodec::twoEncryptionsDiffer()
{
    const QString first = Store("same password");
    const QString second = Store("same password");
    QVERIFY(first != second);
    QCOMPARE(Load(first), QByteArray("same password"));
    QCOMPARE(Load(second), QByteArray("same password"));
}

void tst_PasswordCodec::changedCharacterReadsEmpty_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("105 characters") << 10;
    QTest::newRow("107 characters") << 64;
}

// Every character of the full groups is covered by the verifier or the authentication code.
void tst_PasswordCodec::changedCharacterReadsEmpty()
{
    QFETCH(int, length);
    const QString text = Store(Password(length));
    // A final partial group may be written in several ways; its last character is not checked.
    const qsizetype checked = text.size() - (ExpandedLength(text) % 5 == 0 ? 0 : 1);
    for (qsizetype i = 0; i < checked; ++i) {
        QString changed = text;
        changed[i] = QChar(changed[i] == u'A' ? u'B' : u'A');
        QVERIFY2(Load(changed).isEmpty(), qPrintable(QStringLiteral("position %1").arg(i)));
    }
}

void tst_PasswordCodec::foreignTextReadsEmpty_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QString>("text");
    QTest::newRow("other key") << QByteArray("other key") << Store("secret");
    QTest::newRow("cut short") << StoredKey() << Store("secret").left(60);
    QTest::newRow("shorter than a header") << StoredKey() << "9jqo^";
    QTest::newRow("hand-written plain text") << StoredKey() << "my password";
}

void tst_PasswordCodec::foreignTextReadsEmpty()
{
    QFETCH(QByteArray, key);
    QFETCH(QString, text);
    QCOMPARE(DecryptPassword(key, text, false), QByteArray());
}

void tst_PasswordCodec::hexForm()
{
    const QString text = EncryptPassword(StoredKey(), "secret", 64, true);
    QCOMPARE(text.size(), 2 * 84);
    QCOMPARE(text, text.toUpper());
    QCOMPARE(DecryptPassword(StoredKey(), text, true), QByteArray("secret"));
}

void tst_PasswordCodec::cutAtCharacterBoundary_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("kept");
    const QString a63(63, u'a');
    QTest::newRow("fits") << a63 + u'b' << a63 + u'b';
    QTest::newRow("two-byte character across the cut") << a63 + u'\u00e4' << a63;
    QTest::newRow("three-byte character across the cut")
        << QString(62, u'a') + u'\u20ac' << QString(62, u'a');
    QTest::newRow("four-byte character across the cut")
        << QString(61, u'a') + QString::fromUtf8("\xF0\x9F\x94\x91") << QString(61, u'a');
    QTest::newRow("ends on a boundary")
        << QString(62, u'a') + u'\u00e4' + u'x' << QString(62, u'a') + u'\u00e4';
}

// A password longer than the stored length keeps whole characters only, so that it reads back
// as the same text it was cut to.
void tst_PasswordCodec::cutAtCharacterBoundary()
{
    QFETCH(QString, password);
    QFETCH(QString, kept);
    const QByteArray bytes = Utf8PasswordBytes(password, 64);
    QVERIFY(bytes.size() <= 64);
    QCOMPARE(bytes, kept.toUtf8());
    const QString stored = EncryptPassword(StoredKey(), bytes, 64, false);
    QCOMPARE(QString::fromUtf8(DecryptPassword(StoredKey(), stored, false)), kept);
}

QTEST_GUILESS_MAIN(tst_PasswordCodec)
#include "tst_PasswordCodec.moc"
