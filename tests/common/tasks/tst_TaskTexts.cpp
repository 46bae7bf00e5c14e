#include <QTest>

#include "common/tasks/TaskTexts.h"
#include "common/tasks/WinTask.h"

namespace {

QDateTime At(int y, int mo, int d, int h = 0, int mi = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi));
}

} // namespace

class tst_TaskTexts : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void sentences()
    {
        TWinTask task;
        TWinTaskTrigger& daily = task.NewTrigger(ttDaily);
        daily.SetStartTime(At(2025, 3, 3, 6, 30));
        daily.SetInterval(3600);
        QCOMPARE(daily.TriggerString(), QString("At 06:30 every day"));
        daily.SetDaysInterval(3);
        daily.SetDuration(8 * 3600 + 1800);
        QCOMPARE(daily.TriggerString(), QString("At 06:30 every 3 days - After triggered, repeat "
                                                "every hour for a duration of 8 hours"));
        daily.SetInterval(1800);
        daily.SetDuration(0);
        QCOMPARE(
            daily.TriggerString(),
            QString(
                "At 06:30 every 3 days - After triggered, repeat every 30 minutes indefinitely"));
        daily.SetInterval(0);
        QCOMPARE(daily.TriggerString(), QString("At 06:30 every 3 days"));

        TWinTaskTrigger& weekly = task.NewTrigger(ttWeekly);
        weekly.SetStartTime(At(2025, 3, 3, 22, 0));
        weekly.SetWeeksInterval(2);
        weekly.SetDaysOfWeek(0x22);
        QCOMPARE(weekly.TriggerString(),
                 QString("At 22:00 every Monday, Friday of every 2 weeks, starting 3/3/2025"));
        weekly.SetWeeksInterval(1);
        QCOMPARE(weekly.TriggerString(),
                 QString("At 22:00 every Monday, Friday of every week, starting 3/3/2025"));

        TWinTaskTrigger& monthly = task.NewTrigger(ttMonthly);
        monthly.SetStartTime(At(2025, 1, 1, 10, 0));
        monthly.SetDaysOfMonth(int(0x80004001u));
        monthly.SetMonthsOfYear(4095);
        QCOMPARE(
            monthly.TriggerString(),
            QString("At 10:00 on 1, 15, Last of January, February, March, April, May, June, July, "
                    "August, September, October, November, December, starting 1/1/2025"));

        TWinTaskTrigger& dow = task.NewTrigger(ttMonthlyDow);
        dow.SetStartTime(At(2025, 1, 1, 10, 0));
        dow.SetWeeksOfMonth(0x11);
        dow.SetDaysOfWeek(1);
        dow.SetMonthsOfYear(0x5);
        QCOMPARE(dow.TriggerString(),
                 QString("Runs on the First, Last Sunday, each January, March starting 1/1/2025"));

        TWinTaskTrigger& once = task.NewTrigger(ttTime);
        once.SetStartTime(At(2025, 12, 24, 9, 5));
        QCOMPARE(once.TriggerString(), QString("At 09:05 on 12/24/2025"));
        once.SetStartTime(QDateTime());
        QCOMPARE(once.TriggerString(), QString("At 00:00 on 12/30/1899"));
    }

    void conditionSentences()
    {
        TWinTask task;
        TWinTaskTrigger& logon = task.NewTrigger(ttLogon);
        logon.SetStartTime(QDateTime());
        QCOMPARE(logon.TriggerString(), QString("At logon of any user"));
        logon.SetLogonUserId("HOST\\me");
        logon.SetStartTime(At(2025, 3, 3, 8, 0));
        QCOMPARE(logon.TriggerString(),
                 QString("At logon of HOST\\me, starting at 08:00 on 3/3/2025"));
        TWinTaskTrigger& event = task.NewTrigger(ttEvent);
        event.SetStartTime(QDateTime());
        QCOMPARE(event.TriggerString(), QString("On an event"));
        TWinTaskTrigger& boot = task.NewTrigger(ttBoot);
        boot.SetStartTime(At(2025, 3, 3, 8, 0));
        QCOMPARE(boot.TriggerString(), QString("At system startup, starting at 08:00 on 3/3/2025"));
        QCOMPARE(task.NewTrigger(ttIdle).TriggerString(), QString("When computer is idle"));
        QCOMPARE(task.NewTrigger(ttRegistration).TriggerString(),
                 QString("When task is created or modified"));
        QCOMPARE(task.NewTrigger(ttSessionStateChange).TriggerString(), QString("Unknown"));
    }

    void names()
    {
        QCOMPARE(StatusText(tsDisabled), QString("Disabled"));
        QCOMPARE(ActionTypeText(taMail), QString("Send an email"));
        QCOMPARE(TriggerTypeText(ttMonthlyDow), TriggerTypeText(ttMonthly));
        QCOMPARE(TriggerTypeText(ttCustom), QString("Custom trigger"));
        TWinTask task;
        task.Settings().SetCompatibility(tcAT);
        QCOMPARE(task.CompatibilityAsString(), QString("deprecated"));
        task.Definition().settings.compatibility = 5;
        QCOMPARE(task.CompatibilityAsString(), QString("Windows 10"));
    }

    void templates_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("expected");
        QTest::newRow("fits") << "At %0:s every %1:u days"
                              << "At 06:30 every 3 days";
        QTest::newRow("in order") << "%s / %u"
                                  << "06:30 / 3";
        QTest::newRow("index too high") << "At %2:s"
                                        << "Format error: At %2:s";
        QTest::newRow("text for a number") << "%1:s and %0:u"
                                           << "Format error: %1:s and %0:u";
        QTest::newRow("too many in order") << "%s %u %s"
                                           << "Format error: %s %u %s";
        QTest::newRow("percent sign") << "100%% at %0:s"
                                      << "100% at 06:30";
    }
    void templates()
    {
        QFETCH(QString, format);
        QFETCH(QString, expected);
        QCOMPARE(FormatTemplate(format, {TextArg("06:30"), NumberArg(3)}), expected);
    }

    void repetitionPhrases_data()
    {
        QTest::addColumn<uint>("seconds");
        QTest::addColumn<QString>("phrase");
        QTest::newRow("second") << 1u << "every second";
        QTest::newRow("seconds") << 45u << "every 45 seconds";
        QTest::newRow("minute") << 60u << "every minute";
        QTest::newRow("minutes, seconds dropped") << 150u << "every 2 minutes";
        QTest::newRow("hour") << 3600u << "every hour";
        QTest::newRow("hours, minutes dropped") << 5400u << "every hour";
        QTest::newRow("hours") << 43200u << "every 12 hours";
        QTest::newRow("day") << 86400u << "every day";
        QTest::newRow("days") << 3u * 86400 + 7200 << "every 3 days";
    }
    void repetitionPhrases()
    {
        QFETCH(uint, seconds);
        QFETCH(QString, phrase);
        QCOMPARE(RepetitionPhrase(seconds), phrase);
    }
};

QTEST_GUILESS_MAIN(tst_TaskTexts)
#include "tst_TaskTexts.moc"
