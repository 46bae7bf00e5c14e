#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "common/infra/IniFileUtils.h"
#include "common/mail/MailData.h"

class tst_MailData : public QObject {
    Q_OBJECT

private slots:
    void commaText_data()
    {
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << QStringList{"a@b.org", "c@d.org"} << "a@b.org,c@d.org";
        QTest::newRow("display name")
            << QStringList{"Ops Team <ops@b.org>", "c@d.org"} << "\"Ops Team <ops@b.org>\",c@d.org";
        QTest::newRow("comma and quote")
            << QStringList{"\"Last, First\" <x@y.org>"} << "\"\"\"Last, First\"\" <x@y.org>\"";
        QTest::newRow("empty") << QStringList{} << "";
    }
    // Written and read back, an entry with blanks, commas or quotes stays one entry.
    void commaText()
    {
        QFETCH(QStringList, list);
        QFETCH(QString, text);
        QCOMPARE(ToCommaText(list), text);
        QCOMPARE(FromCommaText(text), list);
    }
    // Unquoted blanks separate too, as in a hand-edited file.
    void commaTextReadsBlanksAsSeparators()
    {
        QCOMPARE(FromCommaText(" a@b.org  c@d.org, e@f.org"),
                 (QStringList{"a@b.org", "c@d.org", "e@f.org"}));
        QCOMPARE(FromCommaText("\"unterminated <x@y.org>"), QStringList{"unterminated <x@y.org>"});
    }

    // The histories go to their sections and back; other sections of the file stay.
    void historiesRoundTrip()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("Kelvara.ini");
        {
            auto f = TUnicodeIniFile::CreateForWrite(ini, true);
            f->WriteString("Printer", "Font", "Mono");
            f->WriteString("MailTo", "Address70", "stale@x.org");
            f->Close();
        }
        TMailHistories h;
        for (int i = 0; i < 60; ++i)
            h.Addresses.append(QString("a%1@x.org").arg(i));
        h.Servers = {"smtp.x.org", "mail.y.org"};
        h.Users = {"robot"};
        WriteMailHistories(ini, h);
        auto f = TUnicodeIniFile::CreateForRead(ini);
        QCOMPARE(f->ReadString("Printer", "Font", ""), QString("Mono"));
        QCOMPARE(f->ReadString("SmtpServer", "History1", ""), QString("mail.y.org"));
        QCOMPARE(f->ReadString("MailUser", "History0", ""), QString("robot"));
        QCOMPARE(f->ReadString("MailTo", "Address49", ""), QString("a49@x.org"));
        QVERIFY(!f->ValueExists("MailTo", "Address50"));
        QVERIFY(!f->ValueExists("MailTo", "Address70"));
        TMailHistories back;
        ReadMailHistories(ini, back);
        QCOMPARE(back.Servers, h.Servers);
        QCOMPARE(back.Users, h.Users);
        QCOMPARE(back.Addresses, h.Addresses.mid(0, kMaxAddressHistory));
    }

    // Reading stops at the limit however many keys there are, skips empty values, and leaves a
    // list alone whose section is missing.
    void historiesReadWithinLimits()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("Kelvara.ini");
        QByteArray text = "[SmtpServer]\nHistory0=\nHistory1=one\nHistory3=three\n[MailTo]\n";
        for (int i = 0; i < 10000; ++i)
            text += "Address" + QByteArray::number(i) + "=a" + QByteArray::number(i) + "@x.org\n";
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
        f.close();
        TMailHistories h;
        h.Users = {"kept"};
        ReadMailHistories(ini, h);
        QCOMPARE(h.Servers, (QStringList{"one", "three"}));
        QCOMPARE(h.Users, QStringList{"kept"});
        QCOMPARE(h.Addresses.size(), kMaxAddressHistory);
        ReadMailHistories(dir.filePath("missing.ini"), h);
        QCOMPARE(h.Users, QStringList{"kept"});
    }

    void addressOnTop_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("new") << QStringList{"a@x"} << "b@x" << QStringList{"b@x", "a@x"};
        QTest::newRow("moves up, new spelling")
            << QStringList{"a@x", "B@X"} << "b@x" << QStringList{"b@x", "a@x"};
        QTest::newRow("empty") << QStringList{"a@x"} << "" << QStringList{"a@x"};
    }
    void addressOnTop()
    {
        QFETCH(QStringList, before);
        QFETCH(QString, address);
        QFETCH(QStringList, after);
        QCOMPARE(WithAddressOnTop(before, address), after);
    }
    // A full history drops its last entry for a new one.
    void addressHistoryKeepsItsLimit()
    {
        QStringList full;
        for (int i = 0; i < kMaxAddressHistory; ++i)
            full.append(QString("a%1@x").arg(i));
        const QStringList after = WithAddressOnTop(full, "new@x");
        QCOMPARE(after.size(), kMaxAddressHistory);
        QCOMPARE(after.first(), QString("new@x"));
        QCOMPARE(after.last(), QString("a48@x"));
    }
};

QTEST_GUILESS_MAIN(tst_MailData)
#include "tst_MailData.moc"
