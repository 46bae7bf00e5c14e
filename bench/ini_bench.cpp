// Load + read every key + save of a settings file of 1,000 sections with 20 keys each,
// for TUnicodeIniFile and for QSettings (IniFormat) on the same content.
#include <algorithm>
#include <cstdio>
#include <functional>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>

#include "common/infra/IniFileUtils.h"

namespace {

constexpr int kSections = 1000;
constexpr int kKeys = 20;
constexpr int kRounds = 7;

QString SectionName(int s)
{
    return QStringLiteral("Group%1").arg(s, 4, 10, QLatin1Char('0'));
}
QString KeyName(int k)
{
    return QStringLiteral("Key%1").arg(k, 2, 10, QLatin1Char('0'));
}

void MakeFile(const QString& path)
{
    auto ini = TUnicodeIniFile::CreateForWrite(path, true);
    for (int s = 0; s < kSections; ++s)
        for (int k = 0; k < kKeys; ++k)
            ini->WriteString(SectionName(s), KeyName(k),
                             QStringLiteral("value %1/%2").arg(s).arg(k));
    ini->Close();
}

// One round: open, read every key once, change one value, write back.
qint64 OursRound(const QString& path, qint64& checksum)
{
    QElapsedTimer t;
    t.start();
    auto ini = TUnicodeIniFile::CreateForWrite(path, false);
    for (int s = 0; s < kSections; ++s)
        for (int k = 0; k < kKeys; ++k)
            checksum += ini->ReadString(SectionName(s), KeyName(k), QString()).size();
    ini->WriteString(SectionName(0), KeyName(0), QStringLiteral("changed %1").arg(checksum));
    ini->Close();
    return t.nsecsElapsed();
}

qint64 QSettingsRound(const QString& path, qint64& checksum)
{
    QElapsedTimer t;
    t.start();
    {
        QSettings settings(path, QSettings::IniFormat);
        for (int s = 0; s < kSections; ++s) {
            settings.beginGroup(SectionName(s));
            for (int k = 0; k < kKeys; ++k)
                checksum += settings.value(KeyName(k)).toString().size();
            settings.endGroup();
        }
        settings.setValue(SectionName(0) + u'/' + KeyName(0),
                          QStringLiteral("changed %1").arg(checksum));
        settings.sync();
    }
    return t.nsecsElapsed();
}

double MedianMs(const std::function<qint64()>& round)
{
    std::vector<qint64> times;
    for (int i = 0; i < kRounds; ++i)
        times.push_back(round());
    std::sort(times.begin(), times.end());
    return double(times[times.size() / 2]) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString ours = dir.filePath("ours.ini");
    const QString theirs = dir.filePath("qsettings.ini");
    MakeFile(ours);
    {
        // The same content in QSettings' own format.
        QSettings settings(theirs, QSettings::IniFormat);
        for (int s = 0; s < kSections; ++s)
            for (int k = 0; k < kKeys; ++k)
                settings.setValue(SectionName(s) + u'/' + KeyName(k),
                                  QStringLiteral("value %1/%2").arg(s).arg(k));
    }
    qint64 checksum = 0;
    const double oursMs = MedianMs([&] { return OursRound(ours, checksum); });
    const double theirsMs = MedianMs([&] { return QSettingsRound(theirs, checksum); });
    std::printf("file: %d sections x %d keys, median of %d rounds (load + read all + save)\n",
                kSections, kKeys, kRounds);
    std::printf("TUnicodeIniFile_ms=%.2f\n", oursMs);
    std::printf("QSettings_ms=%.2f\n", theirsMs);
    std::printf("ratio=%.3f\n", oursMs / theirsMs);
    std::printf("checksum=%lld\n", static_cast<long long>(checksum));
    return 0;
}
