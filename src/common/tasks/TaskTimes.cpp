#include "common/tasks/TaskTimes.h"

#include <limits>

#include <QLocale>
#include <QTimeZone>

namespace {

constexpr std::uint32_t kMax = std::numeric_limits<std::uint32_t>::max();

// Skips to the first digit, takes the run of digits and removes the text up to its end.
std::uint32_t ReadNumber(QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && !text[i].isDigit())
        ++i;
    std::uint64_t value = 0;
    while (i < text.size() && text[i].isDigit()) {
        value = qMin<std::uint64_t>(value * 10 + std::uint64_t(text[i].digitValue()), kMax);
        ++i;
    }
    text.remove(0, i);
    return std::uint32_t(value);
}

std::uint32_t AddScaled(std::uint32_t sum, std::uint32_t value, std::uint32_t factor)
{
    const std::uint64_t total = std::uint64_t(sum) + std::uint64_t(value) * factor;
    return std::uint32_t(qMin<std::uint64_t>(total, kMax));
}

QChar TakeFirst(QString& text)
{
    if (text.isEmpty())
        return QChar();
    const QChar c = text[0];
    text.remove(0, 1);
    return c;
}

QString OffsetText(int seconds)
{
    if (seconds == 0)
        return QStringLiteral("Z");
    const int minutes = qAbs(seconds) / 60;
    return QString(seconds < 0 ? u'-' : u'+') + QStringLiteral("%1:%2")
                                                    .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                                                    .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

std::uint32_t DurationToSeconds(const QString& duration)
{
    if (!duration.startsWith(u'P'))
        return 0;
    QString rest = duration.mid(1);
    if (!rest.startsWith(u'T')) {
        const std::uint32_t days = ReadNumber(rest);
        return rest.startsWith(u'D') ? AddScaled(0, days, 86400) : 0;
    }
    std::uint32_t seconds = 0;
    while (!rest.isEmpty()) {
        const std::uint32_t n = ReadNumber(rest);
        switch (TakeFirst(rest).unicode()) {
        case u'H':
            seconds = AddScaled(seconds, n, 3600);
            break;
        case u'M':
            seconds = AddScaled(seconds, n, 60);
            break;
        case u'S':
            seconds = AddScaled(seconds, n, 1);
            break;
        default:
            break;
        }
    }
    return seconds;
}

QString SecondsToDuration(std::uint32_t seconds)
{
    if (seconds == 0)
        return QString();
    if (seconds >= 86400)
        return u'P' + QString::number(seconds / 86400) + u'D';
    QString out = QStringLiteral("PT");
    const std::uint32_t parts[] = {seconds / 3600, seconds / 60 % 60, seconds % 60};
    const char16_t units[] = {u'H', u'M', u'S'};
    for (int i = 0; i < 3; ++i)
        if (parts[i] != 0)
            out += QString::number(parts[i]) + QChar(units[i]);
    return out;
}

QDateTime TaskTimeToDateTime(const QString& text, bool* hasZone)
{
    if (hasZone)
        *hasZone = false;
    if (text.isEmpty())
        return QDateTime();
    QString rest = text;
    int n[6];
    for (int& v : n)
        v = int(qMin<std::uint32_t>(ReadNumber(rest), 0xFFFF));
    const QDate date(n[0], n[1], n[2]);
    const QTime time(n[3], n[4], n[5]);
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    if (hasZone)
        *hasZone = !rest.isEmpty();
    return QDateTime(date, time);
}

QString DateTimeToTaskTime(const QDateTime& value, bool withZone)
{
    if (!IsDateTimeSet(value))
        return QString();
    const QDateTime local = value.toLocalTime();
    QString out = local.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"));
    if (withZone)
        out += OffsetText(local.offsetFromUtc());
    return out;
}

QString TaskTimeToDisplay(const QDateTime& value)
{
    if (!value.isValid() || value < QDateTime(QDate(2000, 1, 1), QTime(0, 0)))
        return QString();
    const QLocale locale;
    const QDateTime local = value.toLocalTime();
    QString out = locale.toString(local.date(), ShortDateFormat());
    if (local.time() != QTime(0, 0))
        out += u' ' + locale.toString(local.time(), LongTimeFormat());
    return out;
}

bool IsDateTimeSet(const QDateTime& value)
{
    return value.isValid() && value.date() >= QDate(1899, 12, 31);
}

QDateTime ZeroDateTime()
{
    return QDateTime(QDate(1899, 12, 30), QTime(0, 0));
}

QString ShortDateFormat()
{
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy")))
        format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return format;
}

QString LongTimeFormat()
{
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove(u't');
    return format.trimmed();
}

QString HourMinuteFormat()
{
    const QString format = QLocale().timeFormat(QLocale::ShortFormat);
    QString separator = QStringLiteral(":");
    const qsizetype h = format.indexOf(u'h', 0, Qt::CaseInsensitive);
    if (h >= 0) {
        qsizetype i = h;
        while (i < format.size() && format[i].toLower() == u'h')
            ++i;
        qsizetype j = i;
        while (j < format.size() && format[j] != u'm')
            ++j;
        if (j > i && j < format.size())
            separator = format.mid(i, j - i);
    }
    return QStringLiteral("HH") + separator + QStringLiteral("mm");
}
