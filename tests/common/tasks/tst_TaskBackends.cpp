#include <QTest>

#include "common/tasks/TaskBackends.h"

class tst_TaskBackends : public QObject {
    Q_OBJECT

private slots:
    void choice_data()
    {
        QTest::addColumn<bool>("manager");
        QTest::addColumn<bool>("linger");
        QTest::addColumn<bool>("cron");
        QTest::addColumn<QString>("forced");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("manager runs") << true << false << true << ""
                                      << "systemd";
        QTest::newRow("lingering, logged out") << false << true << true << ""
                                               << "systemd";
        QTest::newRow("no manager, cron") << false << false << true << ""
                                          << "cron";
        QTest::newRow("nothing") << false << false << false << ""
                                 << "files";
        QTest::newRow("forced cron") << true << true << true << " Cron "
                                     << "cron";
        QTest::newRow("forced files") << true << false << true << "files"
                                      << "files";
        QTest::newRow("forced systemd") << false << false << false << "systemd"
                                        << "systemd";
        QTest::newRow("unknown setting") << false << false << true << "at"
                                         << "cron";
    }
    void choice()
    {
        QFETCH(bool, manager);
        QFETCH(bool, linger);
        QFETCH(bool, cron);
        QFETCH(QString, forced);
        QFETCH(QString, chosen);
        QCOMPARE(TaskBackendKey(ChooseTaskBackend({manager, linger, cron}, forced)), chosen);
    }

    void eachKindSaysWhatItIs()
    {
        QCOMPARE(CreateTaskBackendOf(TTaskBackendKind::FileStore)->Description(),
                 QString("task files (not scheduled)"));
        QVERIFY(!CreateTaskBackendOf(TTaskBackendKind::FileStore)->FiresTasks());
        QCOMPARE(CreateTaskBackendOf(TTaskBackendKind::Cron)->Description(), QString("cron"));
        QVERIFY(CreateTaskBackendOf(TTaskBackendKind::Cron)->FiresTasks());
        QCOMPARE(CreateTaskBackendOf(TTaskBackendKind::Systemd)->Description(),
                 QString("systemd user timers"));
    }
};

QTEST_GUILESS_MAIN(tst_TaskBackends)
#include "tst_TaskBackends.moc"
