#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "common/backup/Options.h"
#include "common/platform/WinShell.h"
#include "common/ui/DesktopShortcut.h"
#include "common/ui/ShortcutDlg.h"
#include "common/ui/ShowMessageDlg.h"
#include "support/AccessibleNames.h"
#include "support/MessageRecorder.h"
#include "support/LaunchRecord.h"

namespace {

const QStringList kGroups{"Daily", "Weekly full", "Say \"hi\"", "Photos"};

void Click(QWidget* w)
{
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(4, w->height() / 2));
}

} // namespace

class tst_ShortcutDlg : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        SetShortcutAnswerHook({});
        SetMessageAnswerHook({});
    }

    void presetToCommandLine_data()
    {
        QTest::addColumn<QString>("preset");
        QTest::addColumn<bool>("showLock");
        QTest::addColumn<QString>("commandLine");
        QTest::newRow("two groups, shutdown, term, log")
            << "Daily \"weekly FULL\" /end:shutdown /term /logmode:1" << true
            << "Daily \"Weekly full\" /force /logmode:1 /end:shutdown /term";
        QTest::newRow("ini with blank") << "Daily \"/ini:/home/me/my settings/\" /logmode:1" << true
                                        << "Daily /force \"/ini:/home/me/my settings/\" /logmode:1";
        QTest::newRow("group with quotes")
            << "\"Say \"\"hi\"\"\"" << true << "\"Say \"\"hi\"\"\" /force";
        QTest::newRow("prompt drops term")
            << "Photos /term /prompt" << true << "Photos /force /prompt";
        QTest::newRow("abbreviated suspend")
            << "Photos /s:hib /term" << true << "Photos /force /suspend:hibernate /term";
        QTest::newRow("standby") << "Photos -SUSPEND:standby" << true
                                 << "Photos /force /suspend:standby";
        QTest::newRow("logoff and error actions") << "Photos /end:logoff /erractions:3" << true
                                                  << "Photos /force /end:logoff /erractions:3";
        QTest::newRow("poweroff is shutdown")
            << "Photos /end:poweroff" << true << "Photos /force /end:shutdown";
        QTest::newRow("restart") << "Photos /end:re" << true << "Photos /force /end:restart";
        QTest::newRow("lockdown has no control")
            << "Photos /end:lockdown" << true << "Photos /force";
        QTest::newRow("lock screen shown")
            << "Photos /lockscreen" << true << "Photos /force /lockscreen";
        QTest::newRow("lock screen hidden") << "Photos /lockscreen" << false << "Photos /force";
        QTest::newRow("log mode alone") << "Photos /logmode" << true << "Photos /force /logmode:1";
        QTest::newRow("log mode 0") << "Photos /logmode:0" << true << "Photos /force";
        QTest::newRow("foreign options dropped")
            << "Photos /wait /dark /force /erractions:none Unknown" << true << "Photos /force";
    }

    void presetToCommandLine()
    {
        QFETCH(QString, preset);
        QFETCH(bool, showLock);
        QFETCH(QString, commandLine);
        QString result;
        SetShortcutAnswerHook([&](TShortcutDialog& d) {
            result = d.CommandLine();
            d.reject();
        });
        QString name = "x", cmd = preset;
        TShortcutDialog dialog;
        QVERIFY(!dialog.Execute("Create Desktop shortcut", "Name of shortcut:", showLock, kGroups,
                                name, cmd));
        QCOMPARE(result, commandLine);
        QCOMPARE(cmd, preset);
    }

    // The terminate box follows the action and is unticked whenever it is disabled.
    void terminateBoxFollowsAction()
    {
        TShortcutDialog d;
        d.Preset("Daily /end:shutdown /term");
        QVERIFY(d.cbTerm->isEnabled() && d.cbTerm->isChecked());
        Click(d.findChild<QRadioButton*>("rbPrompt"));
        QVERIFY(!d.cbTerm->isEnabled());
        QVERIFY(!d.cbTerm->isChecked());
        Click(d.findChild<QRadioButton*>("rbRestart"));
        QVERIFY(d.cbTerm->isEnabled());
        QVERIFY(!d.cbTerm->isChecked());
    }

    void checksKeepDialogOpen_data()
    {
        QTest::addColumn<bool>("selectGroup");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("no group") << false << "Backup"
                                  << "Please select at least one backup group!"
                                  << "lbConfigs";
        QTest::newRow("no name") << true << ""
                                 << "Please specify a name for this task!"
                                 << "edName";
        QTest::newRow("invalid name")
            << true << "a/b"
            << "\"a/b\" contains invalid characters (* ? < > : \" / \\ |)!"
            << "edName";
    }

    void checksKeepDialogOpen()
    {
        QFETCH(bool, selectGroup);
        QFETCH(QString, name);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        QStringList shown;
        RecordMessages(shown);
        QString focused;
        SetShortcutAnswerHook([&](TShortcutDialog& d) {
            d.lbConfigs->item(1)->setSelected(selectGroup);
            d.edName->setText(name);
            Click(d.btOk);
            focused = d.focusWidget() ? d.focusWidget()->objectName() : QString();
            QVERIFY(d.isVisible());
            Click(d.btCancel);
        });
        QString outName = "before", cmd = "/logmode:1";
        TShortcutDialog dialog;
        QVERIFY(!dialog.Execute("Title", "Name of shortcut:", true, kGroups, outName, cmd));
        QCOMPARE(shown, QStringList{message});
        QCOMPARE(focused, focus);
        QCOMPARE(outName, QString("before"));
        QCOMPARE(cmd, QString("/logmode:1"));
    }

    // Without a name caption the name is not asked for.
    void hiddenNameIsNotChecked()
    {
        SetShortcutAnswerHook([](TShortcutDialog& d) {
            QVERIFY(d.edName->isHidden());
            d.lbConfigs->item(0)->setSelected(true);
            Click(d.btOk);
        });
        QString name, cmd;
        TShortcutDialog dialog;
        QVERIFY(dialog.Execute("Task", QString(), false, kGroups, name, cmd, "Next"));
        QCOMPARE(cmd, QString("Daily /force"));
    }

    void everyControlHasAName()
    {
        QStringList missing{"not shown"};
        SetShortcutAnswerHook([&](TShortcutDialog& d) {
            missing = ControlsWithoutAccessibleName(&d);
            d.reject();
        });
        QString name, cmd = "/ini:/tmp/x";
        TShortcutDialog dialog;
        dialog.Execute("Create Desktop shortcut", "Name of shortcut:", true, kGroups, name, cmd);
        QCOMPARE(missing, QStringList());
    }

    // A shortcut of the same name is replaced only after Yes; No leaves the old one untouched.
    void replacingAsksFirst()
    {
        QTemporaryDir home;
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", home.filePath(".config").toUtf8());
        const QString file = DesktopShortcutFile("Nightly");
        QCOMPARE(file, home.filePath("Desktop/Nightly.desktop"));
        QVERIFY(PutShortcutOnDesktop("Nightly", "Daily /force", home.path(), "first", false, "?"));
        QStringList questions;
        int answer = mrNo;
        SetMessageAnswerHook([&](TShowMsgDialog& m) {
            questions.append(m.Message());
            return answer;
        });
        QVERIFY(!PutShortcutOnDesktop("Nightly", "Photos /force", home.path(), "second", false,
                                      "Replace existing desktop shortcut \"Nightly\"?"));
        TShortcutLink link;
        QCOMPARE(ReadShortcut(file.toStdString(), link), 0);
        QCOMPARE(link.description, std::string("first"));
        answer = mrYes;
        QVERIFY(
            PutShortcutOnDesktop("Nightly", "Photos /force", home.path(), "second", false, "?"));
        QCOMPARE(ReadShortcut(file.toStdString(), link), 0);
        QCOMPARE(link.arguments, std::string("Photos /force"));
        QCOMPARE(questions, (QStringList{"Replace existing desktop shortcut \"Nightly\"?", "?"}));
    }

    void failedShortcutIsReported()
    {
        QTemporaryDir home;
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", home.filePath(".config").toUtf8());
        QVERIFY(QDir().mkpath(home.filePath("Desktop/Taken.desktop")));
        QStringList shown;
        SetMessageAnswerHook([&](TShowMsgDialog& m) {
            shown.append(m.Message());
            return int(m.DlgType() == mdtConfirm ? mrYes : mrCancel);
        });
        QVERIFY(!PutShortcutOnDesktop("Taken", "A /force", "", "", false, "Replace?"));
        QCOMPARE(shown,
                 (QStringList{"Replace?",
                              "Error creating desktop shortcut!\nIs a directory (0x00000015)"}));
        QVERIFY(QFileInfo(home.filePath("Desktop/Taken.desktop")).isDir());
    }

    // A shortcut for the chosen groups lands on the desktop, validates, and the desktop's own
    // launcher code starts the program with exactly the dialog's arguments.
    void shortcutStartsProgramWithDialogArguments()
    {
        QTemporaryDir home;
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", home.filePath(".config").toUtf8());
        SetShortcutAnswerHook([](TShortcutDialog& d) {
            d.lbConfigs->item(0)->setSelected(true);
            d.lbConfigs->item(1)->setSelected(true);
            Click(d.findChild<QRadioButton*>("rbShutdown"));
            Click(d.cbTerm);
            Click(d.cbWritelog);
            d.edName->setText("Nightly 100%");
            Click(d.btOk);
        });
        QString name, cmd = "\"/ini:/home/me/my settings/\"";
        TShortcutDialog dialog;
        QVERIFY(dialog.Execute("Create Desktop shortcut", "Name of shortcut:", true, kGroups, name,
                               cmd));
        QCOMPARE(name, QString("Nightly 100%"));

        const QString desktop = QString::fromStdString(GetDesktopFolder());
        QCOMPARE(desktop, home.filePath("Desktop/"));
        QVERIFY(QDir().mkpath(desktop));
        const QString file = desktop + name + QString::fromStdString(ShortcutExtension());
        QCOMPARE(CreateShortcut(file.toStdString(), ShortcutTargetProgram().toStdString(),
                                cmd.toStdString(), home.path().toStdString(), name.toStdString(),
                                false),
                 0);
        QCOMPARE(DesktopFileComplaints(file), QString());
        const QString record = home.filePath("record");
        QVERIFY(LaunchWithGio(file, record));
        const LaunchRecord launched = WaitForLaunchRecord(record);
        QCOMPARE(launched.workingFolder, home.path());
        QCOMPARE(launched.arguments, SplitCommandLine(cmd));
        QCOMPARE(launched.arguments,
                 (QStringList{"Daily", "Weekly full", "/force", "/ini:/home/me/my settings/",
                              "/logmode:1", "/end:shutdown", "/term"}));
    }
};

QTEST_MAIN(tst_ShortcutDlg)
#include "tst_ShortcutDlg.moc"
