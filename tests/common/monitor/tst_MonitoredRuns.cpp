// The real programs as scheduled tasks run them, watched the way an office watches them: pings,
// the metrics collector, the system log.
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "ProgramEnvironment.h"
#include "RecordingReporter.h"
#include "common/infra/IniFileUtils.h"
#include "monitor/NodeExporter.h"
#include "ping/PingTestServer.h"
#include "planner/Schedules.h"
#include "starter/StarterSettings.h"

namespace {

const QDate kDay(2025, 6, 2);

} // namespace

class tst_MonitoredRuns : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> tmp;
    QString work, settingsDir, metrics;

    QString Path(const QString& name) const { return tmp->filePath(name); }

    // A group of one task under the current account, without a password prompt.
    void SaveStarter(const QString& group, const QString& pingUrl, const QString& metricsDir)
    {
        TStarterSettings s;
        auto g = std::make_unique<TTaskProperties>(group);
        g->Pwd = "unused";
        g->PwdPrompt = false;
        g->PingUrl = pingUrl;
        g->AddTask(Path("a.buj"), true);
        s.Groups.push_back(std::move(g));
        s.Monitoring.MetricsDir = metricsDir;
        SaveStarterSettings(settingsDir + "KvStarter.ini", s);
    }

    // A rotation of 2 cycles of 3 steps that starts with a full backup.
    void SavePlaner(const QString& pingUrl, const QString& metricsDir)
    {
        TPlanerSettings s;
        TSchedTask t;
        t.SName = "Week";
        t.Task = Path("week.buj");
        t.Cycles = 2;
        t.Steps = 3;
        t.FirstDay = 0;
        t.Silent = true;
        t.PingUrl = pingUrl;
        s.Schedules.push_back(t);
        s.Monitoring.MetricsDir = metricsDir;
        SavePlanerSettings(settingsDir + "KvPlaner.ini", s);
    }

    void Run(const QString& program, const QStringList& args, const QStringList& env = {})
    {
        QProcess p;
        QProcessEnvironment e = ProgramEnvironment(tmp->path());
        e.insert("HOME", tmp->path());
        e.insert("XDG_CONFIG_HOME", Path("cfg"));
        e.insert("FAKE_KELVARA_LOG", Path("calls.txt"));
        e.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + Path("no-bus"));
        if (program == "KvPlaner" && !SetToday(e, kDay, program))
            qWarning("libfaketime is not installed");
        for (const QString& kv : env)
            e.insert(kv.section('=', 0, 0), kv.section('=', 1));
        p.setProcessEnvironment(e);
        p.setWorkingDirectory(work);
        p.setStandardInputFile(QProcess::nullDevice());
        p.setChildProcessModifier([] { ::setsid(); });
        p.start(KV_BIN_DIR "/" + program, args);
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
    }

    QStringList RunLog() const
    {
        QFile f(settingsDir + "KvStarter.log");
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split("\r\n")
                                           : QStringList();
    }

    QStringList Journal() const
    {
        return RecordedSyslog(tmp->path()).filter(QRegularExpression("^Kelvara: Kv\\w+ run: "));
    }

private slots:
    void init()
    {
        tmp = std::make_unique<QTemporaryDir>();
        work = Path("work");
        settingsDir = Path("cfg") + "/Kelvara6/";
        metrics = Path("metrics");
        for (const QString& dir : {work, settingsDir, metrics})
            QDir().mkpath(dir);
        for (const char* task : {"a.buj", "week.buj"}) {
            QFile f(Path(task));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QVERIFY(QFile::link(KV_BIN_DIR "/fake-kelvara", work + "/Kelvara"));
    }

    // A failed group run and a successful scheduled run, as the collector serves them.
    void failedGroupAndScheduledRunReachTheCollector()
    {
        TPingTestServer server(Path("pings.txt"));
        QVERIFY(server.Start());
        const QString group = QString::fromUtf8("Nächtlich \"A\"\\B");
        SaveStarter(group, server.Url() + "/grp", metrics);
        SavePlaner(server.Url() + "/sched", metrics);
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        Run("KvStarter", {group, "/force", "/logmode:1"}, {"FAKE_KELVARA_EXIT=4"});
        Run("KvPlaner", {"Week"});
        QCOMPARE(server.Requests(),
                 (QStringList{"/grp/start", "/grp/fail", "/sched/start", "/sched"}));
        // Only the backup program's error is in the run log.
        QCOMPARE(RunLog().filter(QRegularExpression("^  \\*\\*\\* ")).size(), 1);

        const QStringList journal = Journal();
        QCOMPARE(journal.size(), 2);
        QVERIFY2(journal[0].startsWith("Kelvara: KvStarter run: group=\"Nächtlich \\\"A\\\"\\\\B\" "
                                       "outcome=failure errors=1 exit_code=4 duration_seconds="),
                 qPrintable(journal[0]));
        QVERIFY2(QRegularExpression("^Kelvara: KvPlaner run: schedule=\"Week\" outcome=success "
                                    "errors=0 exit_code=0 duration_seconds=[0-9.]+ mode=full "
                                    "step=1$")
                     .match(journal[1])
                     .hasMatch(),
                 qPrintable(journal[1]));

        if (!TNodeExporter::Available())
            QSKIP("prometheus-node-exporter is not installed");
        TNodeExporter exporter;
        const QString failure = exporter.Start(metrics);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        const QByteArray text = exporter.Scrape();
        QCOMPARE(ScrapedValue(text, "node_textfile_scrape_error"), 0.0);
        const QList<std::pair<QString, QString>> g{{"group", group}};
        QCOMPARE(ScrapedValue(text, "kelvara_starter_last_run_errors", g), 1.0);
        QCOMPARE(ScrapedValue(text, "kelvara_starter_last_run_exit_code", g), 4.0);
        QVERIFY(!ScrapedValue(text, "kelvara_starter_last_success_timestamp_seconds", g));
        const std::optional<double> ran =
            ScrapedValue(text, "kelvara_starter_last_run_timestamp_seconds", g);
        QVERIFY(ran && *ran >= before && *ran <= QDateTime::currentSecsSinceEpoch());

        const QList<std::pair<QString, QString>> s{{"schedule", "Week"}};
        // The planner saw noon of its day as the time.
        const double noon = double(QDateTime(kDay, QTime(12, 0)).toSecsSinceEpoch());
        const std::optional<double> success =
            ScrapedValue(text, "kelvara_planer_last_success_timestamp_seconds", s);
        QVERIFY(success && *success >= noon && *success < noon + 120);
        QCOMPARE(ScrapedValue(text, "kelvara_planer_last_run_errors", s), 0.0);
        QCOMPARE(ScrapedValue(text, "kelvara_planer_last_run_step", s), 1.0);
        QCOMPARE(ScrapedValue(text, "kelvara_planer_last_run_mode",
                              {{"schedule", "Week"}, {"mode", "full"}}),
                 1.0);
    }

    // The hand-edited keys survive the windows' saving of the whole file, and replacing a
    // schedule from the window (which has no field for them yet).
    void handEditedKeysAreKept()
    {
        SaveStarter("Daily", "https://ping.example/g", metrics);
        TStarterSettings starter;
        LoadStarterSettings(settingsDir + "KvStarter.ini", starter);
        SaveStarterSettings(settingsDir + "KvStarter.ini", starter);
        starter = {};
        LoadStarterSettings(settingsDir + "KvStarter.ini", starter);
        QCOMPARE(starter.Monitoring.MetricsDir, metrics);
        QCOMPARE(starter.Groups.at(0)->PingUrl, QString("https://ping.example/g"));

        SavePlaner("https://ping.example/s", metrics);
        TPlanerSettings planer = LoadPlanerSettings(settingsDir + "KvPlaner.ini", QString());
        RecordingReporter reporter;
        reporter.answers = {true};
        TSchedTask edited = planer.Schedules.at(0);
        edited.PingUrl.clear();
        edited.Cycles = 3;
        QCOMPARE(ReplaceSchedule(planer.Schedules, 0, edited, reporter), 0);
        SavePlanerSettings(settingsDir + "KvPlaner.ini", planer);
        planer = LoadPlanerSettings(settingsDir + "KvPlaner.ini", QString());
        QCOMPARE(planer.Monitoring.MetricsDir, metrics);
        QCOMPARE(planer.Schedules.at(0).Cycles, 3);
        QCOMPARE(planer.Schedules.at(0).PingUrl, QString("https://ping.example/s"));
    }

    // A metrics folder that is not there: told once, and the runs come out as they would.
    void missingMetricsFolder()
    {
        const QString missing = Path("no-such-folder");
        SaveStarter("Daily", QString(), missing);
        SavePlaner(QString(), missing);
        Run("KvStarter", {"Daily", "/force", "/logmode:1"});
        Run("KvPlaner", {"Week"});
        const QStringList errors = RunLog().filter(QRegularExpression("^  \\*\\*\\* "));
        QCOMPARE(errors, QStringList{"  *** The metrics could not be written to \"" + missing +
                                     "\": the folder does not exist"});
        QVERIFY(!QFileInfo::exists(missing));
        QCOMPARE(RecordedSyslog(tmp->path()).filter("event 0x8000001C (warning, category 2): "),
                 QStringList{"Kelvara: event 0x8000001C (warning, category 2): \"the folder does "
                             "not exist\" \"" +
                             missing + "\" \"Week\""});
        const QStringList journal = Journal();
        QCOMPARE(journal.size(), 2);
        QVERIFY(journal[0].contains("outcome=success errors=0"));
        QVERIFY(journal[1].contains("outcome=success errors=0"));
        // The scheduled run stored its progress all the same.
        QCOMPARE(TUnicodeIniFile::CreateForRead(settingsDir + "KvPlaner.ini")
                     ->ReadInteger("Sched00", "NextCycle", -1),
                 2);
    }
};

QTEST_GUILESS_MAIN(tst_MonitoredRuns)
#include "tst_MonitoredRuns.moc"
