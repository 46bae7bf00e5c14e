#include "common/tasks/TaskSchedCom_win.h"

#include <algorithm>

#include "common/infra/Translate.h"
#include "common/platform/WinTaskService_win.h"

namespace {

// Day 0 of the scheduler's dates.
const QDateTime kOleDateEpoch(QDate(1899, 12, 30), QTime(0, 0));

QDateTime FromOleDate(double date)
{
    if (date <= 0)
        return {};
    return kOleDateEpoch.addMSecs(static_cast<qint64>(date * 86400000.0 + 0.5));
}

std::string Utf8(const QString& text)
{
    return text.toStdString();
}

// Runs a scheduler call; its failure becomes the wrapper's error.
template <typename F> auto Guarded(F call) -> decltype(call())
{
    try {
        return call();
    } catch (const ETaskServiceError& error) {
        throw EOleSysError(error.Code(), QString::fromUtf8(error.what()));
    }
}

class TTaskSchedulerCom : public ITaskBackend {
public:
    bool Available() override
    {
        try {
            Connect();
            return true;
        } catch (const EOleSysError&) {
            return false;
        }
    }

    QString Description() const override { return Tr("Windows Task Scheduler"); }

    void Connect() override
    {
        Guarded([&] { service.Connect(); });
    }

    QStringList TaskNames() override
    {
        QStringList names;
        for (const std::string& name : Guarded([&] { return service.TaskNames(); }))
            names << QString::fromStdString(name);
        std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        });
        return names;
    }

    TTaskDefinitionData Definition(const QString& name) override
    {
        const std::string xml = Guarded([&] { return service.TaskXml(Utf8(name)); });
        return DefinitionFromXml(QString::fromStdString(xml));
    }

    void Register(const QString& name, const TTaskDefinitionData& definition, const QString& user,
                  const QString& password) override
    {
        Guarded([&] {
            service.Register(Utf8(name), Utf8(DefinitionToXml(definition)), Utf8(user),
                             Utf8(password), definition.principal.logonType);
        });
    }

    void Delete(const QString& name) override
    {
        Guarded([&] { service.Delete(Utf8(name)); });
    }

    void SetEnabled(const QString& name, bool enabled) override
    {
        Guarded([&] { service.SetEnabled(Utf8(name), enabled); });
    }

    void Run(const QString& name) override
    {
        Guarded([&] { service.Run(Utf8(name)); });
    }

    void Stop(const QString& name) override
    {
        Guarded([&] { service.Stop(Utf8(name)); });
    }

    TTaskRunInfo Info(const QString& name) override
    {
        const TTaskServiceStatus status = Guarded([&] { return service.Status(Utf8(name)); });
        TTaskRunInfo info;
        info.state = status.state;
        info.lastRunTime = FromOleDate(status.lastRunTime);
        info.nextRunTime = FromOleDate(status.nextRunTime);
        info.lastResult = status.lastResult;
        info.missedRuns = status.missedRuns;
        return info;
    }

private:
    TWinTaskService service;
};

} // namespace

std::unique_ptr<ITaskBackend> CreateTaskSchedulerBackend()
{
    return std::make_unique<TTaskSchedulerCom>();
}
