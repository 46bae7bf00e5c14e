#include <QTest>

#include "common/credentials/PasswordStrength.h"

class tst_PasswordStrength : public QObject {
    Q_OBJECT

private slots:
    void strength_data();
    void strength();
};

void tst_PasswordStrength::strength_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("score");
    QTest::addColumn<int>("strength");
    QTest::newRow("empty") << "" << 0 << 0;
    QTest::newRow("one lower-case letter") << "a" << 3 << 2;
    QTest::newRow("eight lower-case letters") << "qwmnbvzx" << 10 << 9;
    QTest::newRow("ascending digits") << "12345678" << -8 << 0;
    QTest::newRow("four classes, short") << "aB1!" << 48 << 38;
    QTest::newRow("four classes twice") << "Ab1!Cd2#" << 92 << 60;
    QTest::newRow("spaces are ignored") << " a B 1 ! " << 48 << 38;
    // Repeats: the penalty is rounded up after each repeated character (10/9 gives 2, not 1).
    QTest::newRow("repeat rounded up") << "Pass#word1" << 74 << 52;
    QTest::newRow("repeat at a fractional distance") << "Tr0ub4dor&3" << 101 << 63;
    QTest::newRow("every character repeated") << "Aa1!Aa1!" << 86 << 57;
    QTest::newRow("runs backwards and in upper case") << "CBA#xyz9" << 60 << 45;
    QTest::newRow("symbol run backwards") << "q#@!w" << 47 << 37;
    QTest::newRow("accented letters are symbols") << QString::fromUtf8("\u00e9\u00e8") << 20 << 18;
    QString many;
    for (char16_t c = 0x100; c < 0x150; ++c)
        many.append(QChar(c));
    QTest::newRow("score above 500") << many << 956 << 99;
}

void tst_PasswordStrength::strength()
{
    QFETCH(QString, password);
    QFETCH(int, score);
    QFETCH(int, strength);
    QCOMPARE(PasswordScore(password), score);
    QCOMPARE(GetPasswordStrength(password), strength);
}

QTEST_GUILESS_MAIN(tst_PasswordStrength)
#include "tst_PasswordStrength.moc"
