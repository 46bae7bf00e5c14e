#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "common/infra/IniFileUtils.h"
#include "starter/StarterSettings.h"

class tst_StarterSettings : public QObject {
    Q_OBJECT

private:
    QTemporaryDir tmp;

    QString Task(const QString& name)
    {
        const QString path = tmp.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        return path;
    }
    QString Ini() const { return tmp.filePath("KvStarter.ini"); }
    void WriteIni(const QByteArray& text)
    {
        QFile f(Ini());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }

private slots:
    void newGroupDefaults()
    {
        TTaskProperties g("Daily");
        QCOMPARE(g.Desc, QString("Daily"));
        QVERIFY(g.PwdPrompt);
        QVERIFY(!g.PlaySound);
        QCOMPARE(g.Status, 1);
        QCOMPARE(g.Delay, 5);
        QCOMPARE(g.AddTask("/a|b.buj", false), 0);
        QCOMPARE(g.TaskFile(0), QString("/a|b.buj"));
        QVERIFY(!g.IsChecked(0));
    }

    void statusModes_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<bool>("wait");
        QTest::newRow("0") << 0 << "quiet" << false;
        QTest::newRow("1") << 1 << "delay" << true;
        QTest::newRow("2") << 2 << "wait" << false;
        QTest::newRow("3") << 3 << "error" << true;
        QTest::newRow("4") << 4 << "silent" << false;
        QTest::newRow("unknown acts like 1") << 9 << "delay" << true;
    }
    void statusModes()
    {
        QFETCH(int, status);
        QFETCH(QString, prompt);
        QFETCH(bool, wait);
        QCOMPARE(PromptValue(status), prompt);
        QCOMPARE(StatusUsesWait(status), wait);
    }

    void loadDefaultsAndHandEdits()
    {
        const QString a = Task("a.buj");
        WriteIni("[Config]\nTaskCount=2147483647\nLastTask=Second\n"
                 "[Mail]\nSMTP=mail.example\nEnabled=1\nUseTLS=7\nPort=abc\n"
                 "[Task00]\nDescription=First\nPassword=garbage!!\nPasswordPrompt=0\n"
                 "Count=99\nTaskFile00=#" +
                 a.toUtf8() +
                 "\nTaskFile01=/gone/x.buj\nTaskFile02=\n"
                 "[Task01]\nDescription=Second\nStatusWindow=x\n");
        TStarterSettings s;
        LoadStarterSettings(Ini(), s);
        // The runaway count stops at the sections the file holds; those missing are defaults.
        QCOMPARE(int(s.Groups.size()), 4);
        QCOMPARE(s.Groups[3]->Desc, QString("Task03"));
        const TTaskProperties& first = *s.Groups[0];
        QCOMPARE(first.Pwd, QString()); // undecipherable reads as empty ...
        QVERIFY(first.PwdPrompt);       // ... and the group prompts
        QVERIFY(first.PlaySound);       // missing key reads as true
        QCOMPARE(first.TaskCount(), 1); // vanished file dropped
        QVERIFY(!first.IsChecked(0));
        QCOMPARE(s.Groups[1]->Status, 1);
        QCOMPARE(s.MailData.Port, 25);
        QCOMPARE(int(s.MailData.SecureMode), 0);
        QVERIFY(!s.MailData.Enabled); // no recipients
        QCOMPARE(s.MailData.Sender, QString("KvStarter"));
        QCOMPARE(s.MailData.Subject, QString("KvStarter error report"));
        QCOMPARE(ShownGroupIndex(s), 1);
    }

    // A section missing below the count is a group of default values named after the section.
    void missingSectionIsADefaultGroup()
    {
        WriteIni("[Config]\nTaskCount=3\n[Task00]\nDescription=First\n"
                 "[Task02]\nDescription=Third\nUsername=ops\n");
        TStarterSettings s;
        LoadStarterSettings(Ini(), s);
        QCOMPARE(int(s.Groups.size()), 3);
        const TTaskProperties& missing = *s.Groups[1];
        QCOMPARE(missing.Desc, QString("Task01"));
        QCOMPARE(missing.User, QString());
        QVERIFY(missing.PwdPrompt);
        QVERIFY(missing.PlaySound);
        QCOMPARE(missing.TaskCount(), 0);
        QCOMPARE(s.Groups[2]->User, QString("ops"));
        QCOMPARE(s.IndexOfGroup("task01"), 1);

        // The last one missing too: the count holds all the same.
        WriteIni("[Config]\nTaskCount=2\n[Task00]\nDescription=First\n");
        TStarterSettings last;
        LoadStarterSettings(Ini(), last);
        QCOMPARE(int(last.Groups.size()), 2);
        QCOMPARE(last.Groups[1]->Desc, QString("Task01"));
    }

    void commandLineGroupWinsOverLastTask()
    {
        WriteIni("[Config]\nTaskCount=2\nLastTask=Second\n[Task00]\nDescription=First\n"
                 "[Task01]\nDescription=Second\n");
        TStarterSettings s;
        s.LastTask = "first";
        LoadStarterSettings(Ini(), s);
        QCOMPARE(ShownGroupIndex(s), 0);
        s.LastTask = "none";
        QCOMPARE(ShownGroupIndex(s), 0);
    }

    void roundTrip()
    {
        const QString a = Task("a.buj"), b = Task("b b.buj"), c = Task("c.buj");
        WriteIni("[Applications]\nCount=1\n[Task101]\nDescription=Stale\n");
        TStarterSettings s;
        for (int i = 0; i < 101; ++i)
            s.Groups.push_back(std::make_unique<TTaskProperties>(QString("G%1").arg(i)));
        TTaskProperties& g = *s.Groups[0];
        g.User = "backup";
        g.Pwd = "s3cret Pässword";
        g.PwdPrompt = false;
        g.AddTask(a, true);
        g.AddTask(b, false);
        g.AddTask(c, true);
        s.MailData.SMTP = "smtp.example";
        s.MailData.Recipients = "ops@example";
        s.MailData.Password = "mailpw";
        s.MailData.Enabled = true;
        s.MailData.SecureMode = stRequired;
        s.LastTask = "G5";
        SaveStarterSettings(Ini(), s);

        TMemIniFile raw(Ini());
        QVERIFY(raw.SectionExists("Task100"));
        QVERIFY(raw.SectionExists("Applications"));
        QCOMPARE(raw.ReadString("Task00", "TaskFile01", ""), "#" + b);
        QVERIFY(!raw.ReadString("Task00", "Password", "").contains("s3cret"));
        QCOMPARE(raw.ReadString("Unicode", "Program", ""), QString("KvStarter"));

        // The second task vanishes and three groups are saved over 101.
        QFile::remove(b);
        TStarterSettings back;
        LoadStarterSettings(Ini(), back);
        QCOMPARE(int(back.Groups.size()), 101);
        QCOMPARE(back.Groups[0]->Pwd, QString("s3cret Pässword"));
        QVERIFY(!back.Groups[0]->PwdPrompt);
        QCOMPARE(back.MailData.Password, QString("mailpw"));
        QVERIFY(back.MailData.Enabled);
        QCOMPARE(int(back.MailData.SecureMode), int(stRequired));
        back.Groups.resize(3);
        SaveStarterSettings(Ini(), back);

        TMemIniFile after(Ini());
        QCOMPARE(after.ReadInteger("Config", "TaskCount", 0), 3);
        QCOMPARE(after.ReadInteger("Task00", "Count", 0), 2);
        QCOMPARE(after.ReadString("Task00", "TaskFile01", ""), c);
        QVERIFY(!after.ValueExists("Task00", "TaskFile02"));
        QVERIFY(after.SectionExists("Task03")); // stale, ignored when read
        TStarterSettings reread;
        LoadStarterSettings(Ini(), reread);
        QCOMPARE(int(reread.Groups.size()), 3);
    }
};

QTEST_GUILESS_MAIN(tst_StarterSettings)
#include "tst_StarterSettings.moc"
