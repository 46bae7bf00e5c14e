// The metrics file: escaping, merging with earlier runs, and what the metrics tools make of it.
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "common/monitor/MetricsFile.h"
#include "monitor/NodeExporter.h"

namespace {

TRunRecord Run(const QString& name, int errors, qint64 end, int exitCode = 0)
{
    TRunRecord r;
    r.Name = name;
    r.Errors = errors;
    r.EndTime = end;
    r.Duration = 1.5;
    r.ExitCode = exitCode;
    return r;
}

QByteArray ReadAll(const QString& fileName)
{
    QFile f(fileName);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The value of a series of the file, by metric suffix and the group's name.
std::optional<double> Value(const QByteArray& text, const char* suffix, const QString& group)
{
    return ScrapedValue(text, QString("kelvara_starter_") + suffix, {{"group", group}});
}

} // namespace

class tst_MetricsFile : public QObject {
    Q_OBJECT

private slots:
    void labelValuesSurviveTheFormat_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "Daily";
        QTest::newRow("quotes") << "say \"hi\"";
        QTest::newRow("backslashes") << "C:\\Backup\\";
        QTest::newRow("line breaks") << "one\ntwo\r\nthree";
        QTest::newRow("non-ASCII") << QString::fromUtf8("Sicherung Bür😀 Ω");
        QTest::newRow("braces and commas") << "a},b=\"c\",{";
    }
    void labelValuesSurviveTheFormat()
    {
        QFETCH(QString, name);
        const QByteArray text =
            FormatMetrics(kStarterProgram, RecordSeries(kStarterProgram, Run(name, 0, 100)));
        for (const QByteArray& line : text.split('\n'))
            if (!line.startsWith('#') && !line.isEmpty()) {
                const std::optional<TMetricSeries> s = ParseSeriesLine(QString::fromUtf8(line));
                QVERIFY2(s, line.constData());
                QCOMPARE(s->Label("group"), name);
            }
        QCOMPARE(Value(text, "last_run_timestamp_seconds", name), 100.0);
    }

    void malformedLinesAreNoSeries_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("comment") << "# HELP x y";
        QTest::newRow("empty") << "";
        QTest::newRow("no value") << "kelvara_starter_last_run_errors{group=\"a\"}";
        QTest::newRow("text value") << "kelvara_starter_last_run_errors{group=\"a\"} many";
        QTest::newRow("open quote") << "kelvara_starter_last_run_errors{group=\"a} 1";
        QTest::newRow("unknown escape") << "kelvara_starter_last_run_errors{group=\"\\t\"} 1";
        QTest::newRow("unclosed labels") << "kelvara_starter_last_run_errors{group=\"a\" 1";
    }
    void malformedLinesAreNoSeries()
    {
        QFETCH(QString, line);
        QVERIFY(!ParseSeriesLine(line));
    }

    // A run replaces its own group's series, keeps the others', and a failure keeps the time
    // of the last success.
    void mergeWithEarlierRuns()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("kvstarter.prom");
        QCOMPARE(UpdateMetricsFile(dir.path(), kStarterProgram, Run("Daily", 0, 1000)), QString());
        QCOMPARE(UpdateMetricsFile(dir.path(), kStarterProgram, Run("Weekly", 0, 2000)), QString());
        QCOMPARE(UpdateMetricsFile(dir.path(), kStarterProgram, Run("Daily", 2, 3000, 4)),
                 QString());
        QByteArray text = ReadAll(file);
        QCOMPARE(Value(text, "last_run_timestamp_seconds", "Daily"), 3000.0);
        QCOMPARE(Value(text, "last_success_timestamp_seconds", "Daily"), 1000.0);
        QCOMPARE(Value(text, "last_run_errors", "Daily"), 2.0);
        QCOMPARE(Value(text, "last_run_exit_code", "Daily"), 4.0);
        QCOMPARE(Value(text, "last_success_timestamp_seconds", "Weekly"), 2000.0);
        QCOMPARE(text.count("# TYPE kelvara_starter_last_run_errors gauge"), 1);
        QCOMPARE(text.count("kelvara_starter_last_run_errors{"), 2);

        QCOMPARE(UpdateMetricsFile(dir.path(), kStarterProgram, Run("Daily", 0, 4000)), QString());
        text = ReadAll(file);
        QCOMPARE(Value(text, "last_success_timestamp_seconds", "Daily"), 4000.0);
        QCOMPARE(Value(text, "last_run_errors", "Daily"), 0.0);
        QCOMPARE(text.count("kelvara_starter_last_success_timestamp_seconds{"), 2);
        QVERIFY(!QFileInfo(file).permissions().testFlag(QFileDevice::WriteOther));
        QVERIFY(QFileInfo(file).permissions().testFlag(QFileDevice::ReadOther));
        // Only the metrics file is left for the collector.
        QCOMPARE(QDir(dir.path()).entryList({"*.prom"}, QDir::Files),
                 QStringList{"kvstarter.prom"});
    }

    // A damaged earlier file loses its broken lines, not the run.
    void damagedEarlierFile()
    {
        QTemporaryDir dir;
        QFile f(dir.filePath("kvstarter.prom"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("garbage {{{\nkelvara_starter_last_run_errors{group=\"Old\"} 3\n"
                "kelvara_starter_last_run_errors{group=\"Cut");
        f.close();
        QCOMPARE(UpdateMetricsFile(dir.path(), kStarterProgram, Run("New", 0, 10)), QString());
        const QByteArray text = ReadAll(f.fileName());
        QCOMPARE(Value(text, "last_run_errors", "Old"), 3.0);
        QCOMPARE(Value(text, "last_run_errors", "New"), 0.0);
        QVERIFY(!text.contains("garbage"));
        QVERIFY(!text.contains("Cut"));
    }

    void unusableFolder()
    {
        QTemporaryDir dir;
        QVERIFY(
            !UpdateMetricsFile(dir.filePath("missing"), kStarterProgram, Run("A", 0, 1)).isEmpty());
        QVERIFY(!QFileInfo::exists(dir.filePath("missing")));
        QFile plain(dir.filePath("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        QVERIFY(!UpdateMetricsFile(plain.fileName(), kStarterProgram, Run("A", 0, 1)).isEmpty());
        if (geteuid() == 0)
            return; // root writes into any folder
        QDir().mkpath(dir.filePath("ro"));
        QFile::setPermissions(dir.filePath("ro"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QVERIFY(!UpdateMetricsFile(dir.filePath("ro"), kStarterProgram, Run("A", 0, 1)).isEmpty());
    }

    // The metrics tools accept both programs' files, names with every kind of character
    // included, and serve the values.
    void toolsAcceptTheFiles()
    {
        QTemporaryDir dir;
        const QString nasty = QString::fromUtf8("Büro \"A\"\\B\r\nC");
        QCOMPARE(UpdateMetricsFile(dir.path(), kStarterProgram, Run(nasty, 1, 50, 2)), QString());
        TRunRecord planned = Run("Week", 0, 60);
        planned.Mode = "differential";
        planned.Step = 3;
        QCOMPARE(UpdateMetricsFile(dir.path(), kPlanerProgram, planned), QString());

        const QString promtool = QStandardPaths::findExecutable("promtool");
        if (promtool.isEmpty())
            QSKIP("promtool (Debian package prometheus) is not installed");
        for (const char* name : {"kvstarter.prom", "kvplaner.prom"}) {
            QProcess p;
            p.setStandardInputFile(dir.filePath(name));
            p.start(promtool, {"check", "metrics"});
            QVERIFY(p.waitForFinished(30000));
            QVERIFY2(p.exitCode() == 0, p.readAll().constData());
        }

        if (!TNodeExporter::Available())
            QSKIP("prometheus-node-exporter is not installed");
        TNodeExporter exporter;
        const QString failure = exporter.Start(dir.path());
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        const QByteArray text = exporter.Scrape();
        QCOMPARE(ScrapedValue(text, "node_textfile_scrape_error"), 0.0);
        QCOMPARE(Value(text, "last_run_exit_code", nasty), 2.0);
        QCOMPARE(ScrapedValue(text, "kelvara_planer_last_run_mode",
                              {{"schedule", "Week"}, {"mode", "differential"}}),
                 1.0);
        QCOMPARE(ScrapedValue(text, "kelvara_planer_last_run_mode",
                              {{"schedule", "Week"}, {"mode", "full"}}),
                 0.0);
        QCOMPARE(ScrapedValue(text, "kelvara_planer_last_run_step", {{"schedule", "Week"}}), 3.0);
    }
};

QTEST_GUILESS_MAIN(tst_MetricsFile)
#include "tst_MetricsFile.moc"
