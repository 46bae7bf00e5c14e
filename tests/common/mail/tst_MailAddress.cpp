#include <QTest>

#include "common/mail/MailAddress.h"

class tst_MailAddress : public QObject {
    Q_OBJECT

private slots:
    void parseList_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("addresses");
        QTest::newRow("bare, comma and blanks")
            << " a@x.org,b@y.org ,  c@z.org" << QStringList{"", "", ""}
            << QStringList{"a@x.org", "b@y.org", "c@z.org"};
        QTest::newRow("names") << "Ann <a@x.org>, \"Lee, Bo\" <b@y.org>"
                               << QStringList{"Ann", "Lee, Bo"}
                               << QStringList{"a@x.org", "b@y.org"};
        QTest::newRow("semicolons, empty entries")
            << "a@x.org;; b@y.org," << QStringList{"", ""} << QStringList{"a@x.org", "b@y.org"};
        QTest::newRow("escaped quote")
            << "\"A \\\"B\\\" C\" <a@x.org>" << QStringList{"A \"B\" C"} << QStringList{"a@x.org"};
        QTest::newRow("empty") << "  " << QStringList{} << QStringList{};
        // A stored list in comma-text form quotes an entry with a blank, doubling inner quotes.
        QTest::newRow("comma text")
            << "\"Ops Team <ops@x.org>\",b@y.org,\"\"\"Lee, Bo\"\" <c@z.org>\""
            << QStringList{"Ops Team", "", "Lee, Bo"}
            << QStringList{"ops@x.org", "b@y.org", "c@z.org"};
    }

    void parseList()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, names);
        QFETCH(QStringList, addresses);
        QStringList actualNames;
        QStringList actualAddresses;
        for (const TEmailAddress& a : ParseAddressList(text)) {
            actualNames.append(a.Name);
            actualAddresses.append(a.Address);
        }
        QCOMPARE(actualNames, names);
        QCOMPARE(actualAddresses, addresses);
    }

    void validMailbox_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << "admin@example.org" << true;
        QTest::newRow("no at sign") << "admin" << false;
        QTest::newRow("no domain") << "admin@" << false;
        QTest::newRow("command injection") << "a@x.org>\r\nRCPT TO:<b@y.org" << false;
        QTest::newRow("blank") << "a b@x.org" << false;
    }

    void validMailbox()
    {
        QFETCH(QString, address);
        QFETCH(bool, valid);
        QCOMPARE(IsValidMailbox(address), valid);
    }
};

QTEST_GUILESS_MAIN(tst_MailAddress)
#include "tst_MailAddress.moc"
