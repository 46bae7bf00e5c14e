#include <QTest>

#include "ScopedEnv.h"
#include "common/infra/EventLog.h"
#include "common/infra/Reporter.h"
#include "common/infra/Session.h"

class tst_Reporter : public QObject {
    Q_OBJECT

private slots:
    void splitHint_data()
    {
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");
        QTest::newRow("plain") << "Done."
                               << ""
                               << "Done.";
        QTest::newRow("title") << "Backup|Done."
                               << "Backup"
                               << "Done.";
        QTest::newRow("first bar splits") << "A|b|c"
                                          << "A"
                                          << "b|c";
        QTest::newRow("empty title") << "|x"
                                     << ""
                                     << "x";
    }
    void splitHint()
    {
        QFETCH(QString, hint);
        QFETCH(QString, title);
        QFETCH(QString, message);
        const THintParts parts = SplitHint(hint);
        QCOMPARE(parts.title, title);
        QCOMPARE(parts.message, message);
    }

    // One entry is one log line, whatever its strings hold.
    void eventText()
    {
        QCOMPARE(EventLogText({0xC000001A, TEventType::Error, {"Night \"1\"", "a\r\nb"}}),
                 QString("event 0xC000001A (error, category 2): \"Night \\\"1\\\"\" \"a\\r\\nb\""));
        QCOMPARE(EventLogText({0x40000018, TEventType::Information, {}}),
                 QString("event 0x40000018 (information, category 2):"));
    }

    void withoutDisplayAQuestionAnswersNo()
    {
        StdErrReporter r;
        QVERIFY(!r.Confirm("Run again?"));
    }

    void sessionKinds()
    {
        const ScopedEnv wayland("WAYLAND_DISPLAY", std::nullopt);
        {
            const ScopedEnv display("DISPLAY", ":5");
            QVERIFY(HasGraphicalSession());
            QVERIFY(!IsBatch());
        }
        const ScopedEnv display("DISPLAY", std::nullopt);
        QVERIFY(!HasGraphicalSession());
        QCOMPARE(IsBatch(), !HasControllingTerminal());
    }
};

QTEST_GUILESS_MAIN(tst_Reporter)
#include "tst_Reporter.moc"
