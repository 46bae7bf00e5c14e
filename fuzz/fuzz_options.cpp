// The option matchers of the starter, the planner and the backup program: any parameters
// (one per input line) are read without a crash, and an option written for a command line
// comes back with its value.

#include "FuzzSupport.h"
#include "KvArgs.h"
#include "common/backup/Options.h"
#include "common/infra/Reporter.h"
#include "planner/BackupLauncher.h"
#include "planner/Clock.h"
#include "planner/ScheduleRun.h"
#include "starter/StarterOptions.h"

namespace {

class TSilentReporter : public Reporter {
public:
    void Information(const QString&, int) override {}
    void Error(const QString&, int) override {}
    bool Confirm(const QString&) override { return false; }
    void Event(const TEventEntry&) override {}
};

class TNoLauncher : public TProcessLauncher {
public:
    TLaunchOutcome Start(const QString&, bool, const std::function<void()>&) override
    {
        std::abort(); // reading the command line never starts anything
    }
};

class TFixedClock : public TClock {
public:
    QDate Today() const override { return QDate(2024, 5, 6); }
};

TPlanerRun PlanerRun()
{
    static TSilentReporter reporter;
    static TNoLauncher launcher;
    static TFixedClock clock;
    TPlanerRun run(reporter, launcher, clock);
    run.AppPath = QStringLiteral("/nonexistent/settings/");
    return run;
}

// The one word an option becomes on a command line.
QString OptionWord(const char* keyword, const QString& value)
{
    const QStringList words = SplitCommandLine(OptionText(QString::fromLatin1(keyword), value));
    FUZZ_CHECK(words.size() == 1);
    return words.front();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input = FuzzBytes(data, size);
    const QStringList params = SplitInputText(input, '\n');

    const TStarterOptions starter = ParseStarterOptions(params);
    if (starter.HasIni)
        (void)ChooseSettingsFile(starter);
    TPlanerRun planer = PlanerRun();
    planer.ReadCommandLine(params);
    planer.BuildDefOptions();
    (void)ParseKelvaraArgs(params);
    for (const QString& param : params) {
        (void)LeadingInteger(param);
        (void)MatchOptionValue(param, {QStringLiteral("shutdown"), QStringLiteral("logoff")});
    }

    const QString value = QString::fromUtf8(input);
    const TStarterOptions withIni = ParseStarterOptions({OptionWord("ini", value)});
    FUZZ_CHECK(withIni.HasIni && withIni.IniValue == value);
    TPlanerRun delayed = PlanerRun();
    delayed.ReadCommandLine({OptionWord("delay", value), QStringLiteral("Name")});
    FUZZ_CHECK(delayed.Wait == LeadingInteger(value).value_or(5));
    FUZZ_CHECK(delayed.SchedName == u"Name" && delayed.OtherOptions.isEmpty());
    return 0;
}
