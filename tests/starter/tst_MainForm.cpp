// KvStarter's main window, its group list dialog and its start-application dialog, offscreen.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "AccessibleNames.h"
#include "AccountLauncher.h"
#include "GroupFields.h"
#include "MessageRecorder.h"
#include "ScopedEnv.h"
#include "common/infra/IniFileUtils.h"
#include "common/platform/CommandLine.h"
#include "common/platform/WinExecute.h"
#include "common/tasks/TaskFileStore.h"
#include "common/tasks/WinTask.h"
#include "common/ui/DesktopShortcut.h"
#include "common/ui/InpText.h"
#include "common/ui/MailDlg.h"
#include "common/ui/NewPwdDlg.h"
#include "common/ui/PwdDlg.h"
#include "common/ui/ShortcutDlg.h"
#include "common/ui/ShowMemo.h"
#include "starter/GroupRun.h"
#include "starter/StarterRun.h"
#include "starter/ui/AppDlg.h"
#include "starter/ui/FileChoice.h"
#include "starter/ui/GroupListDlg.h"
#include "starter/ui/MainForm.h"

namespace {

void AnswerNewPassword(const QString& password)
{
    SetNewPasswordAnswerHook([password](TNewPwdDialog& d) {
        if (password.isNull()) {
            d.reject();
            return;
        }
        d.edtPwd->setText(password);
        d.btOk->click();
    });
}

QStringList ReadLines(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
    lines.removeAll(QString());
    return lines;
}

QStringList Words(const QString& commandLine)
{
    QStringList words;
    for (const std::string& w : SplitCommandLine(commandLine.toStdString()))
        words.append(QString::fromStdString(w));
    return words;
}

} // namespace

class tst_MainForm : public QObject {
    Q_OBJECT

    QTemporaryDir fRuntime; // 0700, as the runtime folder must be
    std::unique_ptr<QTemporaryDir> fDir;
    std::unique_ptr<TStarterState> fState;
    std::unique_ptr<IProcessLauncher> fLauncher;
    TStarterServices fServices;
    TStarterWindowContext fContext;
    QStringList fMessages;
    QStringList fRunErrors;
    QStringList fPasswordPrompts;

    QString Path(const QString& name) const { return fDir->filePath(name); }

    QString MakeTask(const QString& name) const
    {
        const QString file = Path(QStringLiteral("tasks/") + name);
        QDir().mkpath(QFileInfo(file).path());
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write("[Global]\nDestination=/nowhere\n");
        return file;
    }

    // A context over a fresh settings file; the backup program is the test stand-in.
    void NewContext(IProcessLauncher* launcher = nullptr)
    {
        fState = std::make_unique<TStarterState>();
        fState->Settings.IniName = Path(QStringLiteral("KvStarter.ini"));
        fState->LogName = Path(QStringLiteral("KvStarter.log"));
        fState->KvPath = QStringLiteral(KV_BIN_DIR "/fake-kelvara");
        LoadStarterSettings(fState->Settings.IniName, fState->Stored);
        fLauncher = CreateSystemLauncher();
        fServices = TStarterServices();
        fServices.Launcher = launcher ? launcher : fLauncher.get();
        fServices.Hooks.ErrorMessage = [this](const QString& text) { fRunErrors.append(text); };
        fServices.Hooks.InputPassword = [this](const QString&, const QString& prompt) {
            fPasswordPrompts.append(prompt);
            return std::optional<QString>(QStringLiteral("asked"));
        };
        fContext = {fState.get(), &fServices};
    }

    // A settings file holding the groups, each with the task files given.
    void WriteGroups(const QList<std::pair<QString, QStringList>>& groups)
    {
        TStarterSettings settings;
        for (const auto& [name, tasks] : groups) {
            settings.Groups.push_back(std::make_unique<TTaskProperties>(name));
            for (const QString& task : tasks)
                settings.Groups.back()->AddTask(task, true);
        }
        SaveStarterSettings(Path(QStringLiteral("KvStarter.ini")), settings);
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        qputenv("XDG_RUNTIME_DIR", fRuntime.path().toUtf8());
    }

    void init()
    {
        fDir = std::make_unique<QTemporaryDir>();
        qputenv("HOME", fDir->path().toUtf8());
        qputenv("XDG_CONFIG_HOME", Path(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", Path(QStringLiteral("data")).toUtf8());
        const QString tasks = Path(QStringLiteral("scheduled"));
        SetTaskBackendFactory([tasks] { return std::make_unique<TTaskFileStore>(tasks); });
        fMessages.clear();
        fRunErrors.clear();
        fPasswordPrompts.clear();
        RecordMessages(fMessages);
        SetInputTextAnswerHook({});
        SetNewPasswordAnswerHook({});
        SetPasswordAnswerHook({});
        SetGroupListAnswerHook({});
        SetMailDialogAnswerHook({});
        SetAppDialogAnswerHook({});
        SetFileChoiceHook({});
        SetShortcutAnswerHook({});
    }

    void everyControlHasAName()
    {
        NewContext();
        TMainForm form(fContext);
        form.cbParProc->setChecked(true);
        form.UpdateDelayControls();
        form.show();
        QStringList missing = ControlsWithoutAccessibleName(&form);
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(", ")));

        SetGroupListAnswerHook([&](TGroupListDialog& d) {
            missing = ControlsWithoutAccessibleName(&d);
            d.reject();
        });
        form.EditGroups();
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(", ")));

        missing = QStringList{"not shown"};
        SetAppDialogAnswerHook([&](TAppDialog& d) {
            missing = ControlsWithoutAccessibleName(&d);
            d.reject();
        });
        form.RunApplication();
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(", ")));
    }

    // A new window over no settings shows one new group; "Add new group" appends one, refuses
    // a name that differs only in case, and drops the unstored edits of the shown group.
    void addGroup()
    {
        NewContext();
        TMainForm form(fContext);
        QCOMPARE(form.cbGroups->count(), 1);
        QCOMPARE(form.cbGroups->currentText(), QStringLiteral("New group"));
        form.edUser->setText(QStringLiteral("typed but not stored"));
        SetInputTextAnswerHook([](TInputTextDialog& d) {
            d.TextFeld->setEditText(QStringLiteral("Daily"));
            d.btOk->click();
        });
        form.bbAddGroup->click();
        QCOMPARE(form.cbGroups->count(), 2);
        QCOMPARE(form.TaskIndex(), 1);
        QCOMPARE(form.cbGroups->currentText(), QStringLiteral("Daily"));
        QCOMPARE(form.Settings().Groups[0]->User, QString());

        SetInputTextAnswerHook([](TInputTextDialog& d) {
            d.TextFeld->setEditText(QStringLiteral("NEW GROUP"));
            d.btOk->click();
        });
        form.bbAddGroup->click();
        QCOMPARE(form.cbGroups->count(), 2);
        QCOMPARE(fMessages, QStringList{"Group \"NEW GROUP\" already exists - Edit?"});
        QCOMPARE(form.TaskIndex(), 1); // No: the shown group stays
    }

    // Choosing another group in the selector keeps the edits of the one shown before.
    void selectorStoresTheShownGroup()
    {
        WriteGroups({{"Daily", {}}, {"Weekly", {}}});
        NewContext();
        TMainForm form(fContext);
        form.edUser->setText(QStringLiteral("backup"));
        form.cbGroups->setCurrentIndex(1);
        emit form.cbGroups->activated(1);
        QCOMPARE(form.Settings().Groups[0]->User, QStringLiteral("backup"));
        QCOMPARE(form.edUser->text(), QString());
        QCOMPARE(form.Settings().LastTask, QStringLiteral("Weekly"));
    }

    // Rename, reorder and remove in the group list dialog; the groups follow with their values.
    void groupListDialog()
    {
        WriteGroups({{"Daily", {}}, {"Weekly", {}}, {"Photos", {}}});
        NewContext();
        TMainForm form(fContext);
        form.Settings().Groups[2]->User = QStringLiteral("photo");
        SetGroupListAnswerHook([this](TGroupListDialog& d) {
            QCOMPARE(d.lbItems->currentRow(), 0); // the shown group
            d.lbItems->setCurrentRow(2, QItemSelectionModel::ClearAndSelect);
            // A name that differs from another only in case is refused.
            SetInputTextAnswerHook([](TInputTextDialog& t) {
                t.TextFeld->setEditText(QStringLiteral("daily"));
                t.btOk->click();
            });
            d.bbEdit->click();
            QCOMPARE(fMessages, QStringList{"Item \"daily\" already exists!"});
            SetInputTextAnswerHook([](TInputTextDialog& t) {
                t.TextFeld->setEditText(QStringLiteral("Pictures"));
                t.btOk->click();
            });
            d.bbEdit->click();
            d.bbUp->click();
            QCOMPARE(d.lbItems->currentRow(), 1);
            d.lbItems->setCurrentRow(2, QItemSelectionModel::ClearAndSelect); // Weekly
            d.bbRemove->click();
            d.lbItems->setCurrentRow(1, QItemSelectionModel::ClearAndSelect);
            d.btOk->click();
        });
        form.bbEditGroups->click();
        QCOMPARE(form.cbGroups->count(), 2);
        QCOMPARE(form.cbGroups->itemText(0), QStringLiteral("Daily"));
        QCOMPARE(form.cbGroups->itemText(1), QStringLiteral("Pictures"));
        QCOMPARE(form.TaskIndex(), 1);
        QCOMPARE(form.edUser->text(), QStringLiteral("photo"));

        // Removing every group leaves a new one.
        SetGroupListAnswerHook([](TGroupListDialog& d) {
            d.lbItems->selectAll();
            d.bbRemove->click();
            d.btOk->click();
        });
        form.bbEditGroups->click();
        QCOMPARE(form.cbGroups->count(), 1);
        QCOMPARE(form.cbGroups->currentText(), QStringLiteral("New group"));
    }

    // Add (several files, ticked), remove, move and tick tasks; the group takes the list order.
    void taskListEdits()
    {
        NewContext();
        TMainForm form(fContext);
        const QStringList files{MakeTask("a.buj"), MakeTask("b c.buj"), MakeTask("d.buj")};
        TFileRequest asked;
        SetFileChoiceHook([&](const TFileRequest& r) {
            asked = r;
            return files;
        });
        form.bbAddTask->click();
        QVERIFY(asked.Multiple);
        QCOMPARE(asked.DefaultSuffix, QStringLiteral("buj"));
        QCOMPARE(form.lbTasks->count(), 3);
        QCOMPARE(form.Settings().LastDir, Path(QStringLiteral("tasks")));

        form.lbTasks->setCurrentRow(0);
        form.bbTaskUp->click(); // already first
        QCOMPARE(form.lbTasks->item(0)->text(), files[0]);
        form.bbTaskDown->click();
        QCOMPARE(form.lbTasks->currentRow(), 1);
        form.lbTasks->item(2)->setCheckState(Qt::Unchecked);
        form.lbTasks->setCurrentRow(2);
        form.bbRemoveTask->click();
        QCOMPARE(form.lbTasks->currentRow(), 1); // the new last line
        form.StoreGroup();
        const TTaskProperties& group = *form.Settings().Groups[0];
        QCOMPARE(group.TaskCount(), 2);
        QCOMPARE(group.TaskFile(0), files[1]);
        QCOMPARE(group.TaskFile(1), files[0]);
        QVERIFY(group.IsChecked(0) && group.IsChecked(1));

        // A long list is shown and edited like a short one.
        TGroupView view = form.View();
        for (int i = 0; i < 1000; ++i)
            view.Tasks.push_back({QStringLiteral("/t/%1.buj").arg(i), i % 2 == 0});
        form.SetView(view);
        QCOMPARE(form.lbTasks->count(), 1002);
        form.lbTasks->setCurrentRow(1001);
        form.bbTaskUp->click();
        QCOMPARE(form.lbTasks->item(1000)->text(), QStringLiteral("/t/999.buj"));
    }

    void passwordRadioRules()
    {
        NewContext();
        TMainForm form(fContext);
        QVERIFY(form.rbPwdPrompt->isChecked());
        AnswerNewPassword(QString()); // cancelled
        form.rbPwdFixed->click();
        QVERIFY(form.rbPwdPrompt->isChecked());

        AnswerNewPassword(QStringLiteral("Secret-1"));
        form.rbPwdFixed->click();
        QVERIFY(form.rbPwdFixed->isChecked());
        form.StoreGroup();
        QCOMPARE(form.Settings().Groups[0]->Pwd, QStringLiteral("Secret-1"));
        QVERIFY(!form.Settings().Groups[0]->PwdPrompt);

        AnswerNewPassword(QStringLiteral(""));
        form.bbPassword->click(); // an empty password: back to asking
        QVERIFY(form.rbPwdPrompt->isChecked());

        AnswerNewPassword(QStringLiteral("Other-22"));
        form.bbPassword->click();
        QVERIFY(form.rbPwdFixed->isChecked());
        form.rbPwdPrompt->click(); // clears the password
        form.StoreGroup();
        QCOMPARE(form.Settings().Groups[0]->Pwd, QString());
        QVERIFY(form.Settings().Groups[0]->PwdPrompt);
    }

    void delayAndStatusControls()
    {
        NewContext();
        TMainForm form(fContext);
        QVERIFY(!form.cbStartDelay->isEnabled());
        form.cbParProc->click();
        QVERIFY(form.cbStartDelay->isEnabled() && form.edStartDelay->isEnabled());
        QVERIFY(!form.cbStartDelay->isChecked());
        form.cbStartDelay->click();
        QCOMPARE(form.edStartDelay->value(), kDefaultStartDelay);
        form.StoreGroup();
        QCOMPARE(form.Settings().Groups[0]->StartDelay, kDefaultStartDelay);
        form.cbStartDelay->click(); // unticked: stored as no delay
        form.StoreGroup();
        QCOMPARE(form.Settings().Groups[0]->StartDelay, 0);
        form.ShowGroup(0);
        QVERIFY(!form.cbStartDelay->isChecked());

        for (int status = 0; status < 5; ++status) {
            form.rbStatus[status]->click();
            QCOMPARE(form.pnDisplayTime->isVisibleTo(&form), status == 1 || status == 3);
        }
    }

    // Every field of a group goes into the controls and comes back unchanged.
    void showStoreRoundTrip()
    {
        const QString task = MakeTask("x.buj");
        WriteGroups({{"Daily", {}}, {"Full", {task}}});
        NewContext();
        TTaskProperties& full = *fState->Stored.Groups[1];
        SetEveryField(full, Path(QStringLiteral("logs")), {task, MakeTask("y.buj")});
        const TTaskProperties expected = full;
        TMainForm form(fContext);
        form.ShowGroup(1);
        QCOMPARE(form.edUser->text(), expected.User);
        QVERIFY(form.rbStatus[3]->isChecked());
        QCOMPARE(form.lbTasks->item(1)->checkState(), Qt::Unchecked);
        form.ShowGroup(0);
        form.ShowGroup(1);
        form.StoreGroup();
        QCOMPARE(DifferentFields(*form.Settings().Groups[1], expected), QStringList());
    }

    // Ticking asks for the settings while mail is off; cancelling unticks; unticking only
    // switches mail off.
    void mailTicking()
    {
        NewContext();
        TMainForm form(fContext);
        int shown = 0;
        SetMailDialogAnswerHook([&](TMailDialog& d) {
            ++shown;
            d.reject();
        });
        form.cbMail->click();
        QCOMPARE(shown, 1);
        QVERIFY(!form.cbMail->isChecked());
        QVERIFY(!form.Settings().MailData.Enabled);

        SetMailDialogAnswerHook([&](TMailDialog& d) {
            ++shown;
            QVERIFY(d.cbMail->isChecked()); // the tick carries into the dialog
            TMailData mail = d.Values();
            mail.SMTP = QStringLiteral("smtp.example.org");
            mail.Sender = QStringLiteral("robot@example.org");
            mail.Recipients = QStringLiteral("ops@example.org");
            d.SetValues(mail);
            d.btOk->click();
        });
        form.cbMail->click();
        QCOMPARE(shown, 2);
        QVERIFY(form.cbMail->isChecked());
        QVERIFY(form.Settings().MailData.Enabled);
        QCOMPARE(form.Settings().MailData.SMTP, QStringLiteral("smtp.example.org"));

        form.cbMail->click();
        QCOMPARE(shown, 2);
        QVERIFY(!form.Settings().MailData.Enabled);
        QCOMPARE(form.Settings().MailData.SMTP, QStringLiteral("smtp.example.org"));
    }

    // Closing stores the shown group and rewrites the file, keeping its mode and the sections
    // it does not own.
    void closeWritesTheFile()
    {
        const QString task = MakeTask("a.buj");
        WriteGroups({{"Daily", {task}}});
        const QString ini = Path(QStringLiteral("KvStarter.ini"));
        {
            auto f = TUnicodeIniFile::CreateForWrite(ini, false);
            f->WriteString(QStringLiteral("Foreign"), QStringLiteral("Key"), QStringLiteral("v"));
            f->Close();
        }
        QFile::setPermissions(ini, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                       QFileDevice::ReadGroup);
        NewContext();
        {
            TMainForm form(fContext);
            form.edUser->setText(QStringLiteral("backup"));
            form.cbNoSplash->setChecked(true);
            form.close();
        }
        TStarterSettings saved;
        LoadStarterSettings(ini, saved);
        QCOMPARE(int(saved.Groups.size()), 1);
        QCOMPARE(saved.Groups[0]->Desc, QStringLiteral("Daily"));
        QCOMPARE(saved.Groups[0]->User, QStringLiteral("backup"));
        QVERIFY(saved.Groups[0]->NoSplash);
        QCOMPARE(saved.Groups[0]->TaskFile(0), task);
        QCOMPARE(saved.LastTask, QStringLiteral("Daily"));
        const QFileDevice::Permissions mode = QFile::permissions(ini);
        QVERIFY(mode.testFlag(QFileDevice::ReadGroup)); // as it was, not the new file's 0600
        QVERIFY(!mode.testFlag(QFileDevice::WriteGroup) && !mode.testFlag(QFileDevice::ReadOther));
        const auto f = TUnicodeIniFile::CreateForRead(ini);
        QCOMPARE(f->ReadString(QStringLiteral("Foreign"), QStringLiteral("Key"), QString()),
                 QStringLiteral("v"));
        QVERIFY(f->SectionExists(QStringLiteral("Applications")));
    }

    // "Start backup" saves, asks for the password of a prompting group and starts the backup
    // program with the command line the command-line run builds.
    void startGroupRunsTheBackupProgram()
    {
        const QStringList tasks{MakeTask("one.buj"), MakeTask("two words.buj")};
        WriteGroups({{"Daily", tasks}});
        NewContext();
        const QString log = Path(QStringLiteral("kelvara-args.log"));
        ScopedEnv record("FAKE_KELVARA_LOG", log.toUtf8());
        ScopedEnv exitCode("FAKE_KELVARA_EXIT", QByteArray("2"));
        TMainForm form(fContext);
        form.cbNoSplash->setChecked(true);
        form.bbStart->click();

        QCOMPARE(fPasswordPrompts.size(), 1);
        const QStringList lines = ReadLines(log);
        QCOMPARE(lines.size(), 1);
        const TTaskProperties& group = *form.Settings().Groups[0];
        QVERIFY(group.NoSplash);
        TGroupRunner runner(*fLauncher, {}, fState->KvPath, QString(), QString());
        const QStringList expected = Words(runner.BuildCommandLine(group)) + tasks;
        QCOMPARE(lines[0].split(u'\t'), expected);
        QCOMPARE(fRunErrors.size(), 1); // exit code 2
        QVERIFY(fRunErrors[0].startsWith(QStringLiteral("Error reported by Kelvara: ")));
        TStarterSettings saved; // saved before the start
        LoadStarterSettings(fState->Settings.IniName, saved);
        QVERIFY(saved.Groups[0]->NoSplash);
    }

    // A group whose account is gone is shown as stored; its start fails with the reason.
    void groupOfAMissingAccount()
    {
        WriteGroups({{"Daily", {MakeTask("one.buj")}}});
        NewContext();
        fState->Stored.Groups[0]->User = QStringLiteral("kvnosuchaccount7");
        fState->Stored.Groups[0]->Pwd = QStringLiteral("pw");
        fState->Stored.Groups[0]->PwdPrompt = false;
        TMainForm form(fContext);
        QCOMPARE(form.edUser->text(), QStringLiteral("kvnosuchaccount7"));
        form.bbStart->click();
        QCOMPARE(fPasswordPrompts.size(), 0);
        QCOMPARE(fRunErrors.size(), 1);
        QVERIFY2(fRunErrors[0].startsWith(QStringLiteral("Error on starting Kelvara: ")),
                 qPrintable(fRunErrors[0]));
    }

    // "Edit backup task" uses a fixed password even when the group asks for it at every start,
    // and opens the selected task.
    void editTaskUsesTheFixedPassword()
    {
        const QStringList tasks{MakeTask("one.buj"), MakeTask("two.buj")};
        WriteGroups({{"Daily", tasks}});
        NewContext();
        fState->Stored.Groups[0]->Pwd = QStringLiteral("pw");
        fState->Stored.Groups[0]->PwdPrompt = true;
        const QString log = Path(QStringLiteral("kelvara-args.log"));
        ScopedEnv record("FAKE_KELVARA_LOG", log.toUtf8());
        TMainForm form(fContext);
        bool asked = false;
        SetPasswordAnswerHook([&](TPasswordDialog& d) {
            asked = true;
            d.reject();
        });
        form.lbTasks->setCurrentRow(1);
        form.bbEditTask->click();
        QVERIFY(!asked);
        const QStringList lines = ReadLines(log);
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines[0].endsWith(tasks[1] + QStringLiteral("\t/edit")));

        form.ShowGroup(0);
        form.lbTasks->clear();
        form.bbEditTask->click();
        QCOMPARE(fMessages.last(), QStringLiteral("No backup tasks specified!"));
    }

    // The shortcut starts this program with the chosen group and the run log switched on.
    void shortcutRunsTheChosenGroup()
    {
        WriteGroups({{"Daily", {}}, {"Weekly", {}}});
        NewContext();
        TMainForm form(fContext);
        SetShortcutAnswerHook([](TShortcutDialog& d) {
            d.edName->setText(QStringLiteral("Nightly"));
            d.lbConfigs->item(1)->setSelected(true);
            d.btOk->click();
        });
        form.bbShortcut->click();
        QFile f(DesktopShortcutFile(QStringLiteral("Nightly")));
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(fMessages.join(u'|')));
        const QString text = QString::fromUtf8(f.readAll());
        QVERIFY2(text.contains(QStringLiteral(" Weekly /force /logmode:1")), qPrintable(text));
    }

    // The backup log of the selected task is found through its task file and the group's log
    // folder; a missing run log is named in a message.
    void logsOpenInTheViewer()
    {
        const QString task = MakeTask("one.buj");
        {
            QFile f(task);
            QVERIFY(f.open(QIODevice::Append));
            f.write("LogName=%taskname%.log\n");
        }
        QVERIFY(QDir().mkpath(Path(QStringLiteral("logs"))));
        QFile log(Path(QStringLiteral("logs/one.log")));
        QVERIFY(log.open(QIODevice::WriteOnly));
        log.write("Kelvara - 1\r\n  *** error\r\n");
        log.close();
        WriteGroups({{"Daily", {task}}});
        NewContext();
        fState->Stored.Groups[0]->AltLogDir = Path(QStringLiteral("logs"));
        TMainForm form(fContext);
        QVERIFY(form.bbShowLog->isEnabled());
        form.bbShowLog->click();
        QVERIFY(ShownTextDialog());
        QCOMPARE(ShownTextDialog()->TextName(), log.fileName());
        FreeShowTextDialog();

        form.bbOwnLog->click();
        QCOMPARE(fMessages, QStringList{"Log file not found: " + fState->LogName});
    }

    // The account is split at its backslash; a changed account asks for its password; a wrong
    // password shows the message and brings the dialog back.
    void startApplicationUnderTheAccount()
    {
        const QString program = MakeTask("my tools/run");
        WriteGroups({{"Daily", {}}});
        AccountLauncher launcher;
        NewContext(&launcher);
        fState->Stored.Groups[0]->User = QStringLiteral("OFFICE\\backup");
        fState->Stored.Groups[0]->Pwd = QStringLiteral("pw");
        TMainForm form(fContext);
        int shown = 0;
        SetAppDialogAnswerHook([&](TAppDialog& d) {
            ++shown;
            if (shown == 3) {
                d.CloseBtn->click();
                return;
            }
            d.cbApp->setEditText(u'"' + program + QStringLiteral("\" --fast"));
            if (shown == 2)
                d.edAccount->setText(QStringLiteral("other"));
            d.bbStartApp->click();
        });
        AnswerNewPassword(QStringLiteral("wrong"));
        form.bbStartApp->click();
        QCOMPARE(shown, 1);
        form.bbStartApp->click();
        QCOMPARE(shown, 3);
        QCOMPARE(launcher.starts.size(), 2);
        QCOMPARE(launcher.starts[0].domain, QStringLiteral("OFFICE"));
        QCOMPARE(launcher.starts[0].user, QStringLiteral("backup"));
        QCOMPARE(launcher.starts[0].password, QStringLiteral("pw")); // unchanged: not asked
        QCOMPARE(launcher.starts[0].commandLine, u'"' + program + QStringLiteral("\" --fast"));
        QCOMPARE(launcher.starts[1].domain, QString());
        QCOMPARE(launcher.starts[1].user, QStringLiteral("other"));
        QCOMPARE(launcher.starts[1].password, QStringLiteral("wrong"));
        QCOMPARE(fMessages.size(), 1);
        QVERIFY(fMessages[0].startsWith(QStringLiteral("Error starting application: ")));
        QCOMPARE(form.Settings().Groups[0]->Pwd, QStringLiteral("pw")); // the group is unchanged
    }

    // A missing program keeps the dialog open; a chosen program heads the history at the next
    // start of the dialog.
    void appDialogChecksAndHistory()
    {
        const QString ini = Path(QStringLiteral("KvStarter.ini"));
        const QString chosen = MakeTask("bin/tool");
        {
            TAppDialog dialog;
            dialog.LoadFromIni(ini, QStringLiteral("Applications"));
            dialog.cbApp->setEditText(Path(QStringLiteral("missing")));
            dialog.StartClicked(1);
            QCOMPARE(fMessages, QStringList{"Please specify an application!"});
            dialog.edFileMgr->setText(QString());
            dialog.StartClicked(0);
            QCOMPARE(fMessages.last(), QStringLiteral("Please specify a file manager!"));
            QVERIFY(dialog.result() != QDialog::Accepted);
            SetFileChoiceHook([&](const TFileRequest&) { return QStringList{chosen}; });
            dialog.bbSelApp->click();
            QCOMPARE(dialog.cbApp->currentText(), chosen);
            QVERIFY(dialog.CheckStart(1).message.isEmpty());
        }
        TAppDialog again;
        again.LoadFromIni(ini, QStringLiteral("Applications"));
        QCOMPARE(again.cbApp->itemText(0), chosen);
        QCOMPARE(again.cbApp->currentText(), chosen);
    }
};

QTEST_MAIN(tst_MainForm)
#include "tst_MainForm.moc"
