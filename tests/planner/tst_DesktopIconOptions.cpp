#include <QTest>

#include "planner/DesktopIconOptions.h"

class tst_DesktopIconOptions : public QObject {
    Q_OBJECT

private slots:
    // Options read into the dialog's state and written back, with the change the user made.
    void presetsToOptions_data()
    {
        QTest::addColumn<QString>("preset");
        QTest::addColumn<int>("action"); // -1: as read
        QTest::addColumn<int>("actErr");
        QTest::addColumn<bool>("changeable");
        QTest::addColumn<QString>("options");
        QTest::newRow("planner defaults")
            << " /hide /logmode:1" << -1 << 0 << true << " /prompt:delay /hide /logmode:1";
        QTest::newRow("shutdown with error actions 3")
            << " /hide /logmode:1" << int(iaShutdown) << 3 << true
            << " /prompt:delay /hide /end:shutdown /erractions:3 /logmode:1";
        QTest::newRow("back to none keeps the error actions")
            << " /end:logoff" << int(iaNone) << 5 << true << " /prompt:delay /hide /erractions:5";
        QTest::newRow("action not changeable") << "" << int(iaHybridDown) << 0 << false
                                               << " /prompt:delay /hide /noaction /end:hybrid";
        QTest::newRow("read back: abbreviations, suspend, prompt")
            << "-PROMPT:qu /s:hib /end:lock" << -1 << 0 << true
            << " /prompt:quiet /hide /end:lockdown";
        QTest::newRow("silent is not read back") << "/prompt:silent /suspend:standby" << -1 << 0
                                                 << true << " /prompt:delay /hide /suspend:standby";
        QTest::newRow("other options go on, quoted where they hold a blank")
            << "\"/ini:/my settings/plan.ini\" /lang:de" << -1 << 0 << true
            << " /prompt:delay /hide \"/ini:/my settings/plan.ini\" /lang:de";
        QTest::newRow("words that are no options are dropped")
            << "Daily /wait:error" << -1 << 0 << true << " /prompt:delay /hide /wait:error";
    }

    void presetsToOptions()
    {
        QFETCH(QString, preset);
        QFETCH(int, action);
        QFETCH(int, actErr);
        QFETCH(bool, changeable);
        QFETCH(QString, options);
        TIconOptions state = ReadIconOptions(preset);
        if (action >= 0)
            state.Action = static_cast<TIconAction>(action);
        state.ActErr = actErr;
        state.ActionChangeable = changeable;
        QCOMPARE(IconOptionsText(state), options);
    }

    void shortcutNames_data()
    {
        QTest::addColumn<QString>("schedule");
        QTest::addColumn<QString>("preset");
        QTest::addColumn<QString>("arguments");
        QTest::newRow("plain") << "Daily"
                               << "KvSched-Daily"
                               << "\"Daily\" /hide /interactive";
        QTest::newRow("extension removed from the name, kept in the argument")
            << "Photos.week"
            << "KvSched-Photos"
            << "\"Photos.week\" /hide /interactive";
        QTest::newRow("a dot before a separator is no extension") << "a.b/c"
                                                                  << "KvSched-a.b/c"
                                                                  << "\"a.b/c\" /hide /interactive";
        QTest::newRow("quotes doubled") << "Say \"hi\""
                                        << "KvSched-Say \"hi\""
                                        << "\"Say \"\"hi\"\"\" /hide /interactive";
    }

    void shortcutNames()
    {
        QFETCH(QString, schedule);
        QFETCH(QString, preset);
        QFETCH(QString, arguments);
        QCOMPARE(ShortcutNamePreset(schedule), preset);
        QCOMPARE(ShortcutArguments(schedule, " /hide"), arguments);
    }
};

QTEST_GUILESS_MAIN(tst_DesktopIconOptions)
#include "tst_DesktopIconOptions.moc"
