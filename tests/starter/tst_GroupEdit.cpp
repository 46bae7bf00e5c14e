#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include "AccountLauncher.h"
#include "GroupFields.h"
#include "common/infra/IniFileUtils.h"
#include "common/platform/WinExecute.h"
#include "starter/AppLaunch.h"
#include "starter/GroupEdit.h"

namespace {

std::vector<int> Rows(std::initializer_list<int> rows)
{
    return rows;
}

} // namespace

class tst_GroupEdit : public QObject {
    Q_OBJECT

private slots:
    // Every field of a group goes through the window's values and back unchanged.
    void viewRoundTripKeepsEveryField()
    {
        TTaskProperties group(QStringLiteral("Daily"));
        SetEveryField(group, QStringLiteral("/var/log/kv"), {"/a/one.buj", "/a/two words.buj"});
        TTaskProperties back(QStringLiteral("Daily"));
        StoreView(ViewOfGroup(group), back);
        QCOMPARE(DifferentFields(group, back), QStringList());
    }

    void passwordAndDelayRules()
    {
        TTaskProperties group(QStringLiteral("g"));
        group.PwdPrompt = false; // but no password: it must still ask
        QVERIFY(ViewOfGroup(group).PwdPrompt);

        TGroupView view = ViewOfGroup(group);
        view.UserPwd = QStringLiteral("pw");
        view.PwdPrompt = true; // a fixed password kept, yet asked for
        StoreView(view, group);
        QCOMPARE(group.Pwd, QStringLiteral("pw"));
        QVERIFY(group.PwdPrompt);

        view.ParProc = true;
        view.StartDelay = 25;
        view.DelayBetween = false; // unticked: no delay, whatever the field holds
        StoreView(view, group);
        QCOMPARE(group.StartDelay, 0);
        QVERIFY(!ViewOfGroup(group).DelayBetween);
    }

    void delayControls_data()
    {
        QTest::addColumn<bool>("parallel");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("ticked");
        QTest::newRow("sequential, no delay") << false << 0 << false << false;
        QTest::newRow("sequential, delay kept") << false << 15 << false << true;
        QTest::newRow("parallel, no delay") << true << 0 << true << false;
        QTest::newRow("parallel, delay") << true << 5 << true << true;
    }

    void delayControls()
    {
        QFETCH(bool, parallel);
        QFETCH(int, value);
        QFETCH(bool, enabled);
        QFETCH(bool, ticked);
        const TDelayControls c = DelayControlsFor(parallel, value);
        QCOMPARE(c.BoxEnabled, enabled);
        QCOMPARE(c.FieldEnabled, enabled);
        QCOMPARE(c.BoxTicked, ticked);
        QCOMPARE(DelayAfterTicking(0), kDefaultStartDelay);
        QCOMPARE(DelayAfterTicking(10), 10);
    }

    void listPositions()
    {
        QCOMPARE(RowAfterRemove(2, 4), 2);  // the next line takes its place
        QCOMPARE(RowAfterRemove(4, 4), 3);  // the last line was removed
        QCOMPARE(RowAfterRemove(0, 0), -1); // nothing left
        QCOMPARE(SwapTarget(0, -1, 3), -1);
        QCOMPARE(SwapTarget(2, 1, 3), -1);
        QCOMPARE(SwapTarget(1, 1, 3), 2);
        QCOMPARE(SwapTarget(-1, 1, 3), -1);
    }

    void addGroupComparesWithoutCase()
    {
        TStarterSettings settings;
        QCOMPARE(AddGroup(settings, QStringLiteral("Daily")).Index, 0);
        const TAddedGroup again = AddGroup(settings, QStringLiteral("DAILY"));
        QVERIFY(again.Existed);
        QCOMPARE(again.Index, 0);
        QCOMPARE(int(settings.Groups.size()), 1);
        const TAddedGroup other = AddGroup(settings, QStringLiteral("Weekly"));
        QVERIFY(!other.Existed);
        QCOMPARE(other.Index, 1);
        QVERIFY(settings.Groups[1]->PwdPrompt); // default values
    }

    void entryListMoves_data()
    {
        QTest::addColumn<std::vector<int>>("rows");
        QTest::addColumn<bool>("up");
        QTest::addColumn<QString>("order");
        QTest::addColumn<std::vector<int>>("moved");
        QTest::newRow("one up") << Rows({2}) << true << "acbde" << Rows({1});
        QTest::newRow("two apart up") << Rows({1, 3}) << true << "badce" << Rows({0, 2});
        QTest::newRow("block at top stays")
            << Rows({0, 1, 3}) << true << "abdce" << Rows({0, 1, 2});
        QTest::newRow("adjacent up") << Rows({2, 3}) << true << "acdbe" << Rows({1, 2});
        QTest::newRow("one down") << Rows({0}) << false << "bacde" << Rows({1});
        QTest::newRow("block at bottom stays")
            << Rows({1, 3, 4}) << false << "acbde" << Rows({2, 3, 4});
    }

    void entryListMoves()
    {
        QFETCH(std::vector<int>, rows);
        QFETCH(bool, up);
        QFETCH(QString, order);
        QFETCH(std::vector<int>, moved);
        TEntryListEdit list({"a", "b", "c", "d", "e"});
        const std::vector<int> result = up ? list.MoveUp(rows) : list.MoveDown(rows);
        QCOMPARE(list.Names().join(QString()), order);
        QCOMPARE(result, moved);
    }

    void entryListRemoveAndRename()
    {
        TEntryListEdit list({"Daily", "Weekly", "Photos"});
        QVERIFY(!list.Rename(0, QStringLiteral("weekly"))); // only case differs: refused
        QVERIFY(list.Rename(0, QStringLiteral("DAILY")));   // its own name in other case
        QVERIFY(!list.Rename(1, QString()));
        QCOMPARE(list.Remove({2, 1}), 0); // the former position is gone: the new last entry
        QCOMPARE(list.Names(), QStringList{"DAILY"});
        QCOMPARE(list.Entries()[0].Origin, 0);
    }

    // The dialog's result replaces the groups: renamed, reordered, removed ones gone, and an
    // empty list leaves a new group.
    void applyGroupList()
    {
        TStarterSettings settings;
        for (const char* name : {"Daily", "Weekly", "Photos"})
            AddGroup(settings, QString::fromLatin1(name));
        settings.Groups[2]->User = QStringLiteral("photo");
        TEntryListEdit list({"Daily", "Weekly", "Photos"});
        list.Remove({1});
        list.Rename(1, QStringLiteral("Pictures"));
        list.MoveUp({1});
        QCOMPARE(ApplyGroupList(settings, list.Entries(), 0), 0);
        QCOMPARE(int(settings.Groups.size()), 2);
        QCOMPARE(settings.Groups[0]->Desc, QStringLiteral("Pictures"));
        QCOMPARE(settings.Groups[0]->User, QStringLiteral("photo"));
        QCOMPARE(settings.Groups[1]->Desc, QStringLiteral("Daily"));
        QCOMPARE(ApplyGroupList(settings, list.Entries(), -1), 0); // none selected: the first

        QCOMPARE(ApplyGroupList(settings, {}, -1), 0);
        QCOMPARE(int(settings.Groups.size()), 1);
        QCOMPARE(settings.Groups[0]->Desc, QStringLiteral("New group"));
    }

    void editTaskCommandLine()
    {
        QCOMPARE(EditTaskCommandLine(QStringLiteral("/opt/kv/Kelvara"), QString(),
                                     QStringLiteral("/t/a b.buj")),
                 QStringLiteral("/opt/kv/Kelvara /startapp:kvstarter \"/t/a b.buj\" /edit"));
        QCOMPARE(EditTaskCommandLine(QStringLiteral("/my kv/Kelvara"), QStringLiteral("/my logs"),
                                     QStringLiteral("/t/a.buj")),
                 QStringLiteral("\"/my kv/Kelvara\" /startapp:kvstarter \"/logdir:/my logs\" "
                                "/t/a.buj /edit"));
    }

    // A failed write leaves the old file as it was and says why.
    void failedSaveKeepsTheFile()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("plain")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString noFolder = dir.filePath(QStringLiteral("plain/KvStarter.ini"));
        QVERIFY(SaveSettingsWithMessage(noFolder, TStarterSettings()).contains(noFolder));
        if (geteuid() == 0)
            QSKIP("root writes into read-only folders");
        const QString file = dir.filePath(QStringLiteral("KvStarter.ini"));
        TStarterSettings settings;
        AddGroup(settings, QStringLiteral("Daily"));
        QCOMPARE(SaveSettingsWithMessage(file, settings), QString());
        const QByteArray before = [&] {
            QFile f(file);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        AddGroup(settings, QStringLiteral("Weekly"));
        const QString error = SaveSettingsWithMessage(file, settings);
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner);
        QVERIFY(error.contains(file));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }

    void unreadableSettingsFileIsReported()
    {
        if (geteuid() == 0)
            QSKIP("root reads every file");
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("KvStarter.ini"));
        QCOMPARE(SettingsReadError(file), QString()); // missing: fine
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Config]\nTaskCount=1\n");
        f.close();
        QCOMPARE(SettingsReadError(file), QString());
        f.setPermissions(QFileDevice::WriteOwner);
        QVERIFY(!SettingsReadError(file).isEmpty());
    }

    // The section keeps at most 50 entries, skips empty ones and leaves the rest of the file.
    void appSettingsRoundTrip()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("KvStarter.ini"));
        {
            auto ini = TUnicodeIniFile::CreateForWrite(file, false);
            ini->WriteString(QStringLiteral("Config"), QStringLiteral("LastTask"),
                             QStringLiteral("Daily"));
            ini->WriteString(QStringLiteral("Applications"), QStringLiteral("App0"), QString());
            ini->WriteString(QStringLiteral("Applications"), QStringLiteral("App1"),
                             QStringLiteral("/usr/bin/xterm"));
            ini->Close();
        }
        QCOMPARE(LoadAppSettings(file, QStringLiteral("Applications")).History,
                 QStringList{"/usr/bin/xterm"});
        TAppSettings settings;
        settings.FileManager = QStringLiteral("/usr/bin/thunar");
        settings.Application = QStringLiteral("\"/opt/my app/run\" -x");
        for (int i = 0; i < 60; ++i)
            settings.History.append(QStringLiteral("/bin/p%1").arg(i));
        settings.Window = {10, 20, 300, 400};
        SaveAppSettings(file, QStringLiteral("Applications"), settings);
        const TAppSettings back = LoadAppSettings(file, QStringLiteral("Applications"));
        QCOMPARE(back.History, settings.History.mid(0, kAppHistoryStored));
        QCOMPARE(back.FileManager, settings.FileManager);
        QCOMPARE(back.Application, settings.Application);
        QCOMPARE(back.Window.Top, 10);
        QCOMPARE(back.Window.Width, 400);
        const auto ini = TUnicodeIniFile::CreateForRead(file);
        QCOMPARE(ini->ReadString(QStringLiteral("Config"), QStringLiteral("LastTask"), QString()),
                 QStringLiteral("Daily"));
    }

    void commandChecksAndHistory()
    {
        QCOMPARE(CommandProgram(QStringLiteral("\"/opt/my app/run\" --fast")),
                 QStringLiteral("/opt/my app/run"));
        QCOMPARE(CommandProgram(QStringLiteral("/usr/bin/xterm -e top")),
                 QStringLiteral("/usr/bin/xterm"));
        QCOMPARE(CommandProgram(QString()), QString());

        QVERIFY(!NeedsPasswordPrompt(QStringLiteral("pw"), QStringLiteral("Backup"),
                                     QStringLiteral("backup")));
        QVERIFY(NeedsPasswordPrompt(QStringLiteral("pw"), QStringLiteral("other"),
                                    QStringLiteral("backup")));
        QVERIFY(NeedsPasswordPrompt(QString(), QStringLiteral("backup"), QStringLiteral("backup")));

        QStringList full;
        for (int i = 0; i < kAppHistoryShown; ++i)
            full.append(QStringLiteral("/bin/p%1").arg(i));
        QStringList added = HistoryWithProgram(full, QStringLiteral("/bin/new"));
        QCOMPARE(added.size(), kAppHistoryShown);
        QCOMPARE(added.first(), QStringLiteral("/bin/new"));
        QVERIFY(!added.contains(QStringLiteral("/bin/p7")));
        QStringList moved = HistoryWithProgram(full, QStringLiteral("/bin/p5"));
        QCOMPARE(moved.size(), kAppHistoryShown);
        QCOMPARE(moved.first(), QStringLiteral("/bin/p5"));
        // A long hand-written history loses one entry, not all beyond the drop-down.
        QCOMPARE(HistoryWithProgram(full + full, QStringLiteral("/x")).size(),
                 2 * kAppHistoryShown);
    }

    void startApplicationSplitsTheAccount()
    {
        AccountLauncher launcher;
        QCOMPARE(StartApplication(launcher, QStringLiteral("OFFICE\\backup"), QStringLiteral("pw"),
                                  QStringLiteral("/usr/bin/xterm")),
                 QString());
        QCOMPARE(StartApplication(launcher, QStringLiteral("backup"), QStringLiteral("pw"),
                                  QStringLiteral("/usr/bin/xterm")),
                 QString());
        QCOMPARE(launcher.starts[0].domain, QStringLiteral("OFFICE"));
        QCOMPARE(launcher.starts[0].user, QStringLiteral("backup"));
        QCOMPARE(launcher.starts[0].folder, QString());
        QCOMPARE(launcher.starts[1].domain, QString());
        QCOMPARE(launcher.starts[1].user, QStringLiteral("backup"));
        const QString error =
            StartApplication(launcher, QStringLiteral("bad"), QStringLiteral("wrong"),
                             QStringLiteral("/usr/bin/xterm"));
        QVERIFY(error.startsWith(QStringLiteral("Error starting application: ")));
        QVERIFY(error.contains(QStringLiteral("Authentication failure (0x8007052E)")));
    }
};

QTEST_GUILESS_MAIN(tst_GroupEdit)
#include "tst_GroupEdit.moc"
