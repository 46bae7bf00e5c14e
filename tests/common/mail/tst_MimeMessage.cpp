#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTimeZone>
#include <QTemporaryDir>
#include <QTest>

#include "common/mail/MimeMessage.h"
#include "common/mail/mMailer10.h"

#include "../../support/smtp/SmtpTestServer.h"

Q_DECLARE_METATYPE(TContentType)

namespace {

// A compact picture of the part tree: "type(charset,encoding)" or "type[child,child]".
QString Shape(const QJsonObject& part)
{
    QString text = part["content_type"].toString();
    if (part.contains("parts")) {
        QStringList children;
        for (const QJsonValue& child : part["parts"].toArray())
            children.append(Shape(child.toObject()));
        return text + '[' + children.join(',') + ']';
    }
    QStringList details;
    for (const char* key : {"charset", "cte", "disposition", "filename"})
        if (!part[key].isNull())
            details.append(part[key].toString());
    return text + '(' + details.join(',') + ')';
}

QString Header(const QJsonObject& message, const QString& name)
{
    for (const QJsonValue& h : message["headers"].toArray())
        if (h[0].toString().compare(name, Qt::CaseInsensitive) == 0)
            return h[1].toString();
    return {};
}

QStringList HeaderNames(const QJsonObject& message)
{
    QStringList names;
    for (const QJsonValue& h : message["headers"].toArray())
        names.append(h[0].toString());
    return names;
}

QString Text(const QJsonObject& part)
{
    return part["text"].toString().replace("\r\n", "\n");
}

QStringList Defects(const QJsonObject& part)
{
    QStringList result;
    for (const QJsonValue& d : part["defects"].toArray())
        result.append(d.toString());
    for (const QJsonValue& child : part["parts"].toArray())
        result += Defects(child.toObject());
    return result;
}

// What a mail program would complain about: parser defects, bare line feeds, overlong lines.
QString Malformed(const QJsonObject& message)
{
    if (message.isEmpty())
        return "not saved or not readable";
    QStringList problems = Defects(message["structure"].toObject());
    for (const QJsonValue& d : message["header_defects"].toArray())
        problems.append(d.toString());
    if (message["bare_lf"].toInt() != 0)
        problems.append("bare line feed");
    if (message["longest_line"].toInt() > 998)
        problems.append("line longer than 998");
    return problems.join(", ");
}

} // namespace

class tst_MimeMessage : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> fDir;

    QString File(const QString& name, const QByteArray& content)
    {
        const QString path = fDir->filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
            qFatal("cannot write the fixture");
        return path;
    }
    QJsonObject SaveAndRead(const TmMailer& mailer)
    {
        const QString eml = fDir->filePath("message.eml");
        if (!mailer.SaveToFile(eml))
            return {};
        return DescribeMessageFile(eml);
    }
    static void Fill(TmMailer& mailer)
    {
        mailer.SetFrom({"KvStarter", "backup@example.org"});
        mailer.SetRecipients("admin@example.org");
        mailer.SetSubject("Report");
    }

private slots:
    void init() { fDir = std::make_unique<QTemporaryDir>(); }

    void contentTypes_data()
    {
        QTest::addColumn<TContentType>("type");
        QTest::addColumn<QStringList>("body");
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QStringList>("texts"); // of the leaves, in order
        const QStringList plain{QString::fromUtf8("Grüße"), "second line"};
        const QString latin = "(iso-8859-1,8bit)";
        QTest::newRow("utf-8") << ctUtf8 << QStringList{QString::fromUtf8("Łódź €")}
                               << "text/plain(utf-8,8bit)"
                               << QStringList{QString::fromUtf8("Łódź €\n")};
        QTest::newRow("latin-1") << ctAscii << plain << "text/plain" + latin
                                 << QStringList{QString::fromUtf8("Grüße\nsecond line\n")};
        QTest::newRow("html with plain alternative")
            << ctHtml << plain
            << "multipart/alternative[text/plain" + latin + ",text/html" + latin + "]"
            << QStringList{QString::fromUtf8("Grüße\nsecond line\n"),
                           QString::fromUtf8("<p>Grüße</p>\n")};
        QTest::newRow("html alone") << ctHtml << QStringList{} << "text/html" + latin
                                    << QStringList{QString::fromUtf8("<p>Grüße</p>\n")};
        QTest::newRow("line breaks inside a line")
            << ctUtf8 << QStringList{"one\ntwo\r\nthree\rfour"} << "text/plain(utf-8,8bit)"
            << QStringList{"one\ntwo\nthree\nfour\n"};
    }

    void contentTypes()
    {
        QFETCH(TContentType, type);
        QFETCH(QStringList, body);
        QFETCH(QString, shape);
        QFETCH(QStringList, texts);
        TmMailer mailer;
        Fill(mailer);
        mailer.SetContentType(type);
        mailer.Body() = body;
        mailer.HTMLBody() = {QString::fromUtf8("<p>Grüße</p>")};

        const QJsonObject message = SaveAndRead(mailer);
        QVERIFY2(Malformed(message).isEmpty(), qPrintable(Malformed(message)));
        const QJsonObject top = message["structure"].toObject();
        QCOMPARE(Shape(top), shape);
        QStringList actual;
        const QJsonArray parts = top["parts"].toArray();
        for (const QJsonValue& p : parts)
            actual.append(Text(p.toObject()));
        if (parts.isEmpty())
            actual.append(Text(top));
        QCOMPARE(actual, texts);
        QCOMPARE(Header(message, "MIME-Version"), QString("1.0"));
    }

    void attachments_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type"); // what follows the bar; "-" for no bar at all
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QByteArray>("received");
        const QByteArray binary("\x89PNG\r\n\x1a\n\0\x01\xff", 11);
        QTest::newRow("bar, nothing behind: by extension, text 8bit")
            << "report.txt"
            << "" << QByteArray("one\ntwo\n") << "text/plain(8bit,attachment,report.txt)"
            << QByteArray("one\r\ntwo\r\n");
        QTest::newRow("no bar: by extension")
            << "picture.png"
            << "-" << binary << "image/png(base64,attachment,picture.png)" << binary;
        QTest::newRow("word without slash") << "data.bin"
                                            << "octet-stream" << binary
                                            << "application/octet-stream(base64,attachment,"
                                               "data.bin)"
                                            << binary;
        QTest::newRow("type with slash")
            << "list.xml"
            << "text/xml" << QByteArray("<a/>\n") << "text/xml(base64,attachment,list.xml)"
            << QByteArray("<a/>\n");
        QTest::newRow("text/plain in any case")
            << "log.dat"
            << "Text/Plain" << QByteArray("x\n") << "text/plain(8bit,attachment,log.dat)"
            << QByteArray("x\r\n");
        QTest::newRow("binary said to be text keeps its bytes")
            << "dump.txt"
            << "" << binary << "text/plain(base64,attachment,dump.txt)" << binary;
        QTest::newRow("non-ASCII file name")
            << QString::fromUtf8("Übersicht März.txt") << "" << QByteArray("ok")
            << QString::fromUtf8("text/plain(8bit,attachment,Übersicht März.txt)")
            << QByteArray("ok");
    }

    void attachments()
    {
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(QByteArray, content);
        QFETCH(QString, shape);
        QFETCH(QByteArray, received);
        const QString path = File(name, content);
        TmMailer mailer;
        Fill(mailer);
        mailer.SetContentType(ctUtf8);
        mailer.AddToBody("see attachment");
        mailer.Attachments().AttachedFiles() = {type == "-" ? path : path + '|' + type};

        const QJsonObject message = SaveAndRead(mailer);
        QVERIFY2(Malformed(message).isEmpty(), qPrintable(Malformed(message)));
        const QJsonObject top = message["structure"].toObject();
        QCOMPARE(Shape(top), "multipart/mixed[text/plain(utf-8,8bit)," + shape + "]");
        const QJsonObject file = top["parts"][1].toObject();
        QCOMPARE(QByteArray::fromBase64(file["payload_b64"].toString().toLatin1()), received);
    }

    void headers()
    {
        TmMailer mailer;
        mailer.SetContentType(ctUtf8);
        mailer.SetFrom({QString::fromUtf8("Sicherung Büro"), "backup@example.org"});
        mailer.SetRecipients(QString::fromUtf8("\"Müller, Jörg\" <jm@example.org>, "
                                               "a@example.org, Plain Name <b@example.org>"));
        mailer.SetCCList("c@example.org");
        mailer.SetBCCList("secret@example.org");
        const QString subject =
            QString::fromUtf8("Sehr langer Betreff mit Umlauten äöü, der über mehrere "
                              "Zeilen gefaltet werden muss, damit keine Zeile zu lang wird");
        mailer.SetSubject(subject);
        mailer.SetPriority(mpHigh);
        mailer.AddExtraHeader("X-Injected", "value\r\nBcc: evil@example.org");
        mailer.AddExtraHeader("User-Agent", "first");
        mailer.AddExtraHeader("user-agent", "KvStarter 6.2");

        const QJsonObject message = SaveAndRead(mailer);
        QVERIFY2(Malformed(message).isEmpty(), qPrintable(Malformed(message)));
        QCOMPARE(Header(message, "Subject"), subject);
        QCOMPARE(message["addresses"]["from"][0][0].toString(),
                 QString::fromUtf8("Sicherung Büro"));
        const QJsonArray to = message["addresses"]["to"].toArray();
        QCOMPARE(to.size(), 3);
        QCOMPARE(to[0][0].toString(), QString::fromUtf8("Müller, Jörg"));
        QCOMPARE(to[0][1].toString(), QString("jm@example.org"));
        QCOMPARE(to[2][0].toString(), QString("Plain Name"));
        QCOMPARE(Header(message, "Cc"), QString("c@example.org"));
        QCOMPARE(Header(message, "X-Priority"), QString("2 (High)"));
        QCOMPARE(Header(message, "User-Agent"), QString("KvStarter 6.2"));
        QCOMPARE(HeaderNames(message).count("User-Agent"), 1);
        QVERIFY(!HeaderNames(message).contains("Bcc", Qt::CaseInsensitive));
        QVERIFY(Header(message, "X-Injected").startsWith("value"));
        QVERIFY(message["longest_line"].toInt() <= 78);
        const QString date = Header(message, "Date");
        QVERIFY2(QRegularExpression(R"(^[A-Z][a-z]{2}, \d{1,2} [A-Z][a-z]{2} \d{4} )"
                                    R"(\d\d:\d\d:\d\d [+-]\d{4}$)")
                     .match(date)
                     .hasMatch(),
                 qPrintable(date));
    }

    void mailDateIsEnglishWithOffset()
    {
        const QDateTime time(QDate(2026, 3, 3), QTime(14, 5, 9), QTimeZone(-(4 * 3600 + 1800)));
        QCOMPARE(MailDate(time), QByteArray("Tue, 3 Mar 2026 14:05:09 -0430"));
    }

    void unreadableAttachment()
    {
        TmMailer mailer;
        Fill(mailer);
        mailer.SetHost("127.0.0.1");
        mailer.SetPort(UnusedPort());
        const QString missing = fDir->filePath("gone.txt");
        mailer.Attachments().AttachedFiles() = {missing};
        QVERIFY(!mailer.SaveToFile(fDir->filePath("out.eml")));
        QVERIFY(!QFile::exists(fDir->filePath("out.eml")));
        QVERIFY(!mailer.Send());
        QCOMPARE(mailer.ErrorList().size(), 1);
        QCOMPARE(mailer.ErrorList()[0].ErrType, seUnknown);
        QVERIFY(mailer.ErrorList()[0].ErrMsg.contains(missing));
    }
};

QTEST_GUILESS_MAIN(tst_MimeMessage)
#include "tst_MimeMessage.moc"
