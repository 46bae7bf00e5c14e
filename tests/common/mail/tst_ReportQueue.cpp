#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "common/mail/ReportQueue.h"

namespace {

TQueuedMessage Message(const QString& subject)
{
    return {"robot@example.org",
            {"ops@example.org", "admin@example.org"},
            "Date: Tue, 3 Mar 2026 14:05:09 +0100\r\nSubject: " + subject.toUtf8() +
                "\r\n\r\nbody\r\n"};
}

QByteArray Subject(const TQueuedMessage& m)
{
    const qsizetype at = m.Message.indexOf("Subject: ") + 9;
    return m.Message.mid(at, m.Message.indexOf("\r\n", at) - at);
}

} // namespace

class tst_ReportQueue : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> fDir;
    QStringList fNotes;

    TReportQueue Queue(int limit = TReportQueue::kDefaultLimit)
    {
        return TReportQueue(
            fDir->filePath("q"),
            [this](bool error, const QString& text) {
                fNotes.append((error ? "E " : "N ") + text);
            },
            limit);
    }

private slots:
    void init()
    {
        fDir = std::make_unique<QTemporaryDir>();
        fNotes.clear();
    }

    // A stored message reads back unchanged; the file and folder are the owner's alone.
    void storedMessageReadsBack()
    {
        TReportQueue queue = Queue();
        QVERIFY(queue.Add(Message("one")));
        QCOMPARE(queue.Files().size(), 1);
        const QString file = queue.Files()[0];
        QCOMPARE(QFileInfo(file).permissions() & 0x0777, QFile::Permissions(0x0600));
        QCOMPARE(QFileInfo(queue.Folder()).permissions() & 0x0777, QFile::Permissions(0x0700));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        TQueuedMessage back;
        QVERIFY(ParseQueueFile(f.readAll(), back));
        QCOMPARE(back.From, Message("one").From);
        QCOMPARE(back.Recipients, Message("one").Recipients);
        QCOMPARE(back.Message, Message("one").Message);
        QCOMPARE(QueueFolderFor("/var/log/KvStarter.log"), QString("/var/log/KvStarter.mailqueue"));
    }

    // Beyond the limit the oldest go, each with a note; delivery goes oldest first, stops at
    // the first refusal and keeps what was not accepted.
    void limitAndOrder()
    {
        TReportQueue queue = Queue(3);
        for (const char* s : {"1", "2", "3", "4", "5"})
            QVERIFY(queue.Add(Message(s)));
        QCOMPARE(queue.Files().size(), 3);
        QCOMPARE(fNotes.filter("E The mail queue holds more than 3 reports").size(), 2);
        QByteArrayList seen;
        const int sent = queue.Deliver([&seen](const TQueuedMessage& m) {
            seen.append(Subject(m));
            return seen.size() == 2 ? QString("451 try later") : QString();
        });
        QCOMPARE(sent, 1);
        QCOMPARE(seen, (QByteArrayList{"3", "4"}));
        QCOMPARE(queue.Files().size(), 2);
        QVERIFY(fNotes.last().endsWith("could not be sent: 451 try later"));
        seen.clear();
        QCOMPARE(queue.Deliver([&seen](const TQueuedMessage& m) {
            seen.append(Subject(m));
            return QString();
        }),
                 2);
        QCOMPARE(seen, (QByteArrayList{"4", "5"}));
        QVERIFY(queue.Files().isEmpty());
    }

    // Files that are not queued messages are renamed aside and never handed to the server.
    void invalidFilesAreMovedAside_data()
    {
        QTest::addColumn<QByteArray>("text");
        const QByteArray msg = "Date: Tue, 3 Mar 2026 14:05:09 +0100\r\n\r\nbody\r\n";
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("binary") << QByteArray("\x00\x01\xff\r\n\r\n", 6);
        QTest::newRow("no envelope") << msg;
        QTest::newRow("no recipient") << "X-Kv-Queue-From: a@b.org\r\n" + msg;
        QTest::newRow("no sender") << "X-Kv-Queue-To: a@b.org\r\n" + msg;
        QTest::newRow("command in address")
            << "X-Kv-Queue-From: a@b.org\r\nX-Kv-Queue-To: <x@y.org> NOTIFY=NEVER\r\n" + msg;
        QTest::newRow("no date") << QByteArray("X-Kv-Queue-From: a@b.org\r\nX-Kv-Queue-To: "
                                               "c@d.org\r\nSubject: x\r\n\r\nbody\r\n");
        QTest::newRow("no header end")
            << QByteArray("X-Kv-Queue-From: a@b.org\r\nX-Kv-Queue-To: c@d.org\r\nDate: x\r\n");
    }
    void invalidFilesAreMovedAside()
    {
        QFETCH(QByteArray, text);
        TReportQueue queue = Queue();
        QVERIFY(queue.Add(Message("good")));
        QFile bad(queue.Folder() + "/00000000-000000-000-00.eml");
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(text);
        bad.close();
        QByteArrayList seen;
        QCOMPARE(queue.Deliver([&seen](const TQueuedMessage& m) {
            seen.append(Subject(m));
            return QString();
        }),
                 1);
        QCOMPARE(seen, QByteArrayList{"good"});
        QVERIFY(queue.Files().isEmpty());
        QFile aside(bad.fileName() + ".invalid");
        QVERIFY(aside.open(QIODevice::ReadOnly));
        QCOMPARE(aside.readAll(), text);
        QCOMPARE(fNotes.filter("is not a valid message").size(), 1);
    }

    // A message without a deliverable envelope is not stored; a folder that cannot be made
    // is reported.
    void unstorableMessages()
    {
        TQueuedMessage noRecipient = Message("x");
        noRecipient.Recipients.clear();
        TReportQueue queue = Queue();
        QVERIFY(!queue.Add(noRecipient));
        QFile blocker(fDir->filePath("q"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(!queue.Add(Message("y")));
        QCOMPARE(fNotes.filter("E The error report could not be queued").size(), 2);
    }
};

QTEST_GUILESS_MAIN(tst_ReportQueue)
#include "tst_ReportQueue.moc"
