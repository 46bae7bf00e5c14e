#include "common/monitor/MetricsFile.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

#include "common/infra/Translate.h"

namespace {

struct TFamily {
    const char* suffix;
    const char* help;
    bool rotationOnly;
};

constexpr TFamily kFamilies[] = {
    {"last_run_timestamp_seconds", "Time the last run ended, in seconds since 1970.", false},
    {"last_success_timestamp_seconds",
     "Time the last run without errors ended, in seconds since 1970.", false},
    {"last_run_duration_seconds", "Duration of the last run.", false},
    {"last_run_errors", "Errors counted in the last run.", false},
    {"last_run_exit_code",
     "Exit code of the backup program in the last run; 7 when it could not be started.", false},
    {"last_run_step", "Step of the rotation made by the last run; 0 when none was made.", true},
    {"last_run_mode", "Backup mode of the last run: 1 for the mode made, 0 for the others.", true},
};

constexpr const char* kModes[] = {"full", "differential", "incremental"};

enum TFamilyIndex { fLastRun, fLastSuccess, fDuration, fErrors, fExitCode, fStep, fMode };

QString FamilyName(const TMonitoredProgram& program, int family)
{
    return QLatin1String(program.Prefix) + u'_' + QLatin1String(kFamilies[family].suffix);
}

int FamilyOf(const TMonitoredProgram& program, const QString& name)
{
    for (int i = 0; i < int(std::size(kFamilies)); ++i)
        if ((program.Rotation || !kFamilies[i].rotationOnly) && FamilyName(program, i) == name)
            return i;
    return -1;
}

bool IsNameStart(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c == u':';
}

bool IsNameChar(QChar c)
{
    return IsNameStart(c) || (c >= u'0' && c <= u'9');
}

// Reads a metric or label name at pos.
QString ReadName(const QString& line, qsizetype& pos)
{
    const qsizetype start = pos;
    if (pos < line.size() && IsNameStart(line[pos]))
        while (pos < line.size() && IsNameChar(line[pos]))
            ++pos;
    return line.mid(start, pos - start);
}

// Reads a quoted label value at pos, undoing the escapes.
std::optional<QString> ReadQuoted(const QString& line, qsizetype& pos)
{
    if (pos >= line.size() || line[pos] != u'"')
        return std::nullopt;
    QString value;
    for (++pos; pos < line.size(); ++pos) {
        const QChar c = line[pos];
        if (c == u'"') {
            ++pos;
            return value;
        }
        if (c != u'\\') {
            value += c;
            continue;
        }
        if (++pos >= line.size())
            return std::nullopt;
        const QChar e = line[pos];
        if (e == u'n')
            value += u'\n';
        else if (e == u'\\' || e == u'"')
            value += e;
        else
            return std::nullopt;
    }
    return std::nullopt;
}

std::optional<TLabels> ReadLabels(const QString& line, qsizetype& pos)
{
    TLabels labels;
    if (pos >= line.size() || line[pos] != u'{')
        return labels;
    ++pos;
    while (pos < line.size() && line[pos] != u'}') {
        const QString name = ReadName(line, pos);
        if (name.isEmpty() || pos >= line.size() || line[pos] != u'=')
            return std::nullopt;
        ++pos;
        const std::optional<QString> value = ReadQuoted(line, pos);
        if (!value)
            return std::nullopt;
        labels.append({name, *value});
        if (pos < line.size() && line[pos] == u',')
            ++pos;
    }
    if (pos >= line.size())
        return std::nullopt;
    ++pos;
    return labels;
}

TMetricSeries Series(const TMonitoredProgram& program, int family, const TRunRecord& record,
                     const QString& value)
{
    return {FamilyName(program, family), {{QLatin1String(program.Label), record.Name}}, value};
}

QString LabelText(const TLabels& labels)
{
    if (labels.isEmpty())
        return QString();
    QStringList parts;
    for (const auto& [name, value] : labels)
        parts.append(name + QStringLiteral("=\"") + EscapeLabelValue(value) + u'"');
    return u'{' + parts.join(u',') + u'}';
}

QString FolderProblem(const QString& folder)
{
    const QFileInfo info(folder);
    if (!info.exists())
        return Tr("the folder does not exist");
    if (!info.isDir())
        return Tr("it is not a folder");
    return QString();
}

QList<TMetricSeries> ReadSeries(const QString& fileName)
{
    QList<TMetricSeries> series;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return series;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (std::optional<TMetricSeries> s = ParseSeriesLine(QString::fromUtf8(line)))
            series.append(*s);
    return series;
}

} // namespace

QString TMetricSeries::Label(const QString& name) const
{
    for (const auto& [label, value] : Labels)
        if (label == name)
            return value;
    return QString();
}

QString EscapeLabelValue(const QString& value)
{
    QString text = value;
    text.replace(u'\\', QStringLiteral("\\\\"));
    text.replace(u'"', QStringLiteral("\\\""));
    text.replace(u'\n', QStringLiteral("\\n"));
    return text;
}

std::optional<TMetricSeries> ParseSeriesLine(const QString& line)
{
    qsizetype pos = 0;
    TMetricSeries series;
    series.Name = ReadName(line, pos);
    if (series.Name.isEmpty())
        return std::nullopt;
    std::optional<TLabels> labels = ReadLabels(line, pos);
    if (!labels || pos >= line.size() || line[pos] != u' ')
        return std::nullopt;
    series.Labels = *labels;
    series.Value = line.mid(pos + 1).section(u' ', 0, 0, QString::SectionSkipEmpty);
    bool number = false;
    series.Value.toDouble(&number);
    if (!number)
        return std::nullopt;
    return series;
}

QList<TMetricSeries> RecordSeries(const TMonitoredProgram& program, const TRunRecord& record)
{
    QList<TMetricSeries> series{
        Series(program, fLastRun, record, QString::number(record.EndTime)),
        Series(program, fDuration, record, QString::number(record.Duration, 'f', 3)),
        Series(program, fErrors, record, QString::number(record.Errors)),
        Series(program, fExitCode, record, QString::number(record.ExitCode)),
    };
    if (record.Succeeded())
        series.append(Series(program, fLastSuccess, record, QString::number(record.EndTime)));
    if (!program.Rotation)
        return series;
    series.append(Series(program, fStep, record, QString::number(record.Step)));
    for (const char* mode : kModes) {
        TMetricSeries s =
            Series(program, fMode, record,
                   record.Mode == QLatin1String(mode) ? QStringLiteral("1") : QStringLiteral("0"));
        s.Labels.append({QStringLiteral("mode"), QLatin1String(mode)});
        series.append(s);
    }
    return series;
}

QList<TMetricSeries> MergeSeries(const TMonitoredProgram& program,
                                 const QList<TMetricSeries>& earlier, const TRunRecord& record)
{
    const QString label = QLatin1String(program.Label);
    QList<TMetricSeries> merged;
    for (const TMetricSeries& s : earlier) {
        const int family = FamilyOf(program, s.Name);
        if (family < 0)
            continue;
        const bool sameRun = s.Label(label) == record.Name;
        if (!sameRun || (family == fLastSuccess && !record.Succeeded()))
            merged.append(s);
    }
    return merged + RecordSeries(program, record);
}

QByteArray FormatMetrics(const TMonitoredProgram& program, const QList<TMetricSeries>& series)
{
    QByteArray text;
    for (int family = 0; family < int(std::size(kFamilies)); ++family) {
        QList<TMetricSeries> members;
        for (const TMetricSeries& s : series)
            if (FamilyOf(program, s.Name) == family)
                members.append(s);
        if (members.isEmpty())
            continue;
        std::stable_sort(members.begin(), members.end(),
                         [](const auto& a, const auto& b) { return a.Labels < b.Labels; });
        const QByteArray name = FamilyName(program, family).toUtf8();
        text += "# HELP " + name + ' ' + kFamilies[family].help + '\n';
        text += "# TYPE " + name + " gauge\n";
        for (const TMetricSeries& s : members)
            text += (s.Name + LabelText(s.Labels) + u' ' + s.Value).toUtf8() + '\n';
    }
    return text;
}

QString UpdateMetricsFile(const QString& folder, const TMonitoredProgram& program,
                          const TRunRecord& record)
{
    if (const QString problem = FolderProblem(folder); !problem.isEmpty())
        return problem;
    const QDir dir(folder);
    const QString fileName = dir.filePath(QLatin1String(program.FileName));
    // Two runs ending together must not drop each other's series; a lock that cannot be had
    // in time is passed over rather than losing this run's.
    QLockFile lock(dir.filePath(u'.' + QLatin1String(program.FileName) + QStringLiteral(".lock")));
    (void)lock.tryLock(10000);
    const bool existed = QFileInfo::exists(fileName);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const QByteArray text =
        FormatMetrics(program, MergeSeries(program, ReadSeries(fileName), record));
    if (file.write(text) != text.size() || !file.commit())
        return file.errorString();
    // The collector often runs under an account of its own.
    if (!existed)
        QFile::setPermissions(fileName, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ReadGroup | QFileDevice::ReadOther);
    return QString();
}
