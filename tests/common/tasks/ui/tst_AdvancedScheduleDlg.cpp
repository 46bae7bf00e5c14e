#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimeEdit>

#include "common/tasks/ui/AdvancedScheduleDlg.h"
#include "support/AccessibleNames.h"

class tst_AdvancedScheduleDlg : public QObject {
    Q_OBJECT

    static bool Edit(TAdvancedSettings& set, std::function<void(TAdvancedScheduleDialog&)> user,
                     bool ok = true)
    {
        SetAdvancedScheduleAnswerHook([&](TAdvancedScheduleDialog& d) {
            user(d);
            QTest::mouseClick(d.findChild<QPushButton*>(ok ? "btOk" : "btCancel"), Qt::LeftButton);
        });
        return EditAdvancedSettings(set);
    }

private slots:
    void showsAmountsInTheirUnits_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("interval");
        QTest::addColumn<QString>("limitShown");
        QTest::addColumn<QString>("intervalShown");
        QTest::newRow("3 days, 1 hour") << 4320 << 60 << "3 day(s)"
                                        << "1 hour(s)";
        QTest::newRow("90 minutes, 30 minutes") << 90 << 30 << "90 minute(s)"
                                                << "30 minute(s)";
        QTest::newRow("2 hours, 2 hours") << 120 << 120 << "2 hour(s)"
                                          << "2 hour(s)";
        QTest::newRow("8 days, 90 minutes") << 11520 << 90 << "8 day(s)"
                                            << "90 minute(s)";
    }
    void showsAmountsInTheirUnits()
    {
        QFETCH(int, limit);
        QFETCH(int, interval);
        QFETCH(QString, limitShown);
        QFETCH(QString, intervalShown);
        TAdvancedSettings set;
        set.UseLimit = set.RepeatTask = true;
        set.MinutesLimit = limit;
        set.MinutesInterval = interval;
        const TAdvancedSettings before = set;
        QString shownLimit, shownInterval;
        QVERIFY(Edit(set, [&](TAdvancedScheduleDialog& d) {
            shownLimit = d.udLimit->value->text() + ' ' + d.udLimit->unit->currentText();
            shownInterval = d.udInterval->value->text() + ' ' + d.udInterval->unit->currentText();
        }));
        QCOMPARE(shownLimit, limitShown);
        QCOMPARE(shownInterval, intervalShown);
        QCOMPARE(set, before); // shown and saved again without a change
    }

    void editsEveryField()
    {
        TAdvancedSettings set = DefaultAdvancedSettings(QDateTime::currentDateTime());
        QVERIFY(Edit(set, [](TAdvancedScheduleDialog& d) {
            QVERIFY(!d.dpExpire->isEnabled() && !d.pnRepeat->isEnabled());
            QCOMPARE(d.dpExpire->date().year(), QDate::currentDate().year() + 1);
            QCOMPARE(d.dtExpire->time(), QTime(12, 0));
            d.cbExpire->click();
            d.dpExpire->setDate(QDate(2030, 6, 1));
            d.dtExpire->setTime(QTime(18, 45, 30));
            d.cbRepeat->click();
            QVERIFY(d.pnRepeat->isEnabled());
            d.udInterval->unit->setCurrentIndex(d.udInterval->unit->findText("minute(s)"));
            d.udInterval->unit->activated(d.udInterval->unit->currentIndex());
            QCOMPARE(d.udInterval->value->value(), 30); // the unit's preset
            QCOMPARE(d.udInterval->value->toolTip(), QString("Number of minute(s)"));
            d.udDuration->value->setValue(5); // hours
            d.cbLimit->click();
            d.udLimit->unit->setCurrentIndex(d.udLimit->unit->findText("day(s)"));
            d.udLimit->unit->activated(d.udLimit->unit->currentIndex());
            QCOMPARE(d.udLimit->value->maximum(), 3650);
            d.udLimit->value->setValue(2);
            d.cbReRun->click();
            d.cbWakeUp->click();
            d.cbNetwork->click();
            // Off AC power rules: unticking the first unticks and disables the second.
            d.cbPower->click();
            QVERIFY(!d.cbOnBatteries->isEnabled() && !d.cbOnBatteries->isChecked());
        }));
        QVERIFY(set.UseEndDate);
        QCOMPARE(set.EndDate, QDateTime(QDate(2030, 6, 1), QTime(18, 45)));
        QVERIFY(set.RepeatTask);
        QCOMPARE(set.MinutesInterval, 30);
        QCOMPARE(set.MinutesDuration, 300);
        QVERIFY(set.UseLimit);
        QCOMPARE(set.MinutesLimit, 2880);
        QVERIFY(set.ReRun && set.WakeUp && set.NetworkOnly);
        QVERIFY(!set.PowerOnly && !set.StopBattery);
    }

    void cancelChangesNothing()
    {
        TAdvancedSettings set;
        const TAdvancedSettings before = set;
        QVERIFY(!Edit(
            set, [](TAdvancedScheduleDialog& d) { d.cbRepeat->click(); }, false));
        QCOMPARE(set, before);
    }

    void everyControlHasAName()
    {
        TAdvancedSettings set;
        QStringList missing{"not shown"};
        Edit(
            set, [&](TAdvancedScheduleDialog& d) { missing = ControlsWithoutAccessibleName(&d); },
            false);
        QCOMPARE(missing.join(u','), QString());
    }
};

QTEST_MAIN(tst_AdvancedScheduleDlg)
#include "tst_AdvancedScheduleDlg.moc"
