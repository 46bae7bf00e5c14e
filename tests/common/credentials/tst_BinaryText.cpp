#include <QTest>

#include "common/credentials/BinaryText.h"

class tst_BinaryText : public QObject {
    Q_OBJECT

private slots:
    void ascii85RoundTrip_data();
    void ascii85RoundTrip();
    void ascii85Reading_data();
    void ascii85Reading();
    void hex_data();
    void hex();
};

void tst_BinaryText::ascii85RoundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("full group") << QByteArray("Man ") << "9jqo^";
    QTest::newRow("highest group") << QByteArray("\xff\xff\xff\xff") << "s8W-!";
    QTest::newRow("zero group is z") << QByteArray(4, '\0') << "z";
    QTest::newRow("z between groups") << QByteArray("Man \0\0\0\0sure", 12) << "9jqo^zF*2M7";
    QTest::newRow("partial 1") << QByteArray("M") << "9`";
    QTest::newRow("partial 2") << QByteArray("Ma") << "9jn";
    QTest::newRow("partial 3") << QByteArray("Man") << "9jqo";
    QTest::newRow("zero partial is never z") << QByteArray(3, '\0') << "!!!!";
    QTest::newRow("zero group then zero partial") << QByteArray(5, '\0') << "z!!";
}

void tst_BinaryText::ascii85RoundTrip()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(BytesToAscii85(bytes), text);
    QCOMPARE(Ascii85ToBytes(text), bytes);
}

void tst_BinaryText::ascii85Reading_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("single left-over character") << "9jqo^9" << QByteArray("Man ");
    QTest::newRow("lone character") << "9" << QByteArray();
    // Values above 32 bits and characters outside the alphabet wrap instead of failing.
    QTest::newRow("group above 32 bits") << "uuuuu" << QByteArray::fromHex("08780ec4");
    QTest::newRow("blank below the alphabet") << " !!!!" << QByteArray::fromHex("fce37b4f");
    QTest::newRow("z inside a group") << "9jzo^" << QByteArray::fromHex("4d626c21");
    QTest::newRow("non-ASCII character")
        << QString::fromUtf8("9j\u00e9o^") << QByteArray::fromHex("4d6ea8d8");
}

void tst_BinaryText::ascii85Reading()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(Ascii85ToBytes(text), bytes);
}

void tst_BinaryText::hex_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("canonical");
    QTest::newRow("upper case") << "00A5FF" << QByteArray("\x00\xa5\xff", 3) << true;
    QTest::newRow("lower case reads") << "0a" << QByteArray("\x0a") << false;
    QTest::newRow("bad pair is zero") << "41G142" << QByteArray("A\0B", 3) << false;
    QTest::newRow("odd digit ignored") << "414" << QByteArray("A") << false;
}

void tst_BinaryText::hex()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, canonical);
    QCOMPARE(HexToBytes(text), bytes);
    if (canonical)
        QCOMPARE(BytesToHex(bytes), text);
}

QTEST_GUILESS_MAIN(tst_BinaryText)
#include "tst_BinaryText.moc"
