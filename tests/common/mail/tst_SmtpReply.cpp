#include <QTest>

#include "common/mail/SmtpError.h"
#include "common/mail/SmtpReply.h"

using TLines = QList<QByteArray>;

namespace {

// Feeds the lines to a reader: the reply, or code -1 when a line is refused, -2 when the lines
// end before the reply does.
TSmtpReply Read(const TLines& lines)
{
    TSmtpReplyReader reader;
    try {
        for (const QByteArray& line : lines)
            if (reader.Add(line))
                return reader.Reply();
    } catch (const ESmtpError&) {
        return {-1, {}};
    }
    return {-2, {}};
}

} // namespace

class tst_SmtpReply : public QObject {
    Q_OBJECT

private slots:
    void read_data()
    {
        QTest::addColumn<TLines>("lines");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("lineCount");
        QTest::newRow("one line") << TLines{"220 mail.example.org ESMTP"} << 220 << 1;
        QTest::newRow("bare code") << TLines{"250"} << 250 << 1;
        QTest::newRow("continued") << TLines{"250-a", "250-b", "250 c", "250 d"} << 250 << 3;
        QTest::newRow("incomplete") << TLines{"250-a"} << -2 << 0;
        QTest::newRow("code changes") << TLines{"250-a", "251 b"} << -1 << 0;
        QTest::newRow("bad separator") << TLines{"250_a"} << -1 << 0;
        QTest::newRow("short") << TLines{"25"} << -1 << 0;
        QTest::newRow("empty") << TLines{""} << -1 << 0;
        QTest::newRow("not a number") << TLines{"2x0 ok"} << -1 << 0;
        // Three digits, nothing that only converts to a number.
        QTest::newRow("sign") << TLines{"+25 ok"} << -1 << 0;
        QTest::newRow("blank before digits") << TLines{" 25 ok"} << -1 << 0;
        TLines endless(200, "250-more");
        QTest::newRow("200 continued lines") << endless << -1 << 0;
        endless.back() = "250 end";
        QTest::newRow("199 lines and end") << endless << 250 << 200;
    }
    void read()
    {
        QFETCH(TLines, lines);
        QFETCH(int, code);
        QFETCH(int, lineCount);
        const TSmtpReply reply = Read(lines);
        QCOMPARE(reply.Code, code);
        if (code > 0)
            QCOMPARE(reply.Lines.size(), lineCount);
    }

    void ehlo()
    {
        const TSmtpReply reply =
            Read({"250-mail.example.org greets AUTH", "250-PIPELINING", "250-size 1000",
                  "250-AUTH PLAIN cram-md5", "250-AUTH=LOGIN", "250-", "250 8BITMIME"});
        const TSmtpExtensions announced = ParseEhloReply(reply);
        QCOMPARE(announced.Keywords,
                 QStringList({"PIPELINING", "SIZE", "AUTH", "AUTH", "8BITMIME"}));
        QCOMPARE(announced.Mechanisms, QStringList({"PLAIN", "CRAM-MD5", "LOGIN"}));
    }

    void challenge()
    {
        QCOMPARE(SaslChallenge(Read({"334 VXNlcm5hbWU6 "})), QByteArray("Username:"));
        QCOMPARE(SaslChallenge(Read({"334"})), QByteArray());
    }
};

QTEST_GUILESS_MAIN(tst_SmtpReply)
#include "tst_SmtpReply.moc"
