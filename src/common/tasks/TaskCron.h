#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "common/tasks/TaskFileStore.h"
#include "common/tasks/TaskTools.h"

// Tasks as lines of a crontab: one marked block per task in the user's crontab, or, for
// another account (as root), a file in /etc/cron.d with the account field. The definition is
// kept beside them as for the file store, which also runs a task on demand.

// The schedule lines of a task ("30 6 * * * <command>"), one or more per enabled trigger;
// none for a disabled task. What cron cannot express directly is checked by a guard in front
// of the command (start and end boundaries, one-time years, last days and weeks of a month);
// the rest throws EOleSysError (kNotImplemented). With a run file, each run writes its start
// (seconds since 1970) and exit code there.
QStringList CronLines(const TTaskDefinitionData& definition, const QString& runFile = {});
// The crontab with the block of the task replaced by the lines (removed when there are none);
// every other byte is kept.
QByteArray ReplaceCronBlock(const QByteArray& crontab, const QString& taskName,
                            const QStringList& lines);
// The name of the task's file in /etc/cron.d (letters, digits, "-" and "_" only).
QString CronFileName(const QString& taskName);

class TTaskCronStore : public TTaskFileStore {
public:
    // folder: where the definitions live; owner: whose crontab (empty: ours; root may name
    // another account); systemFolder: the cron.d folder for tasks of other accounts.
    explicit TTaskCronStore(QString folder, QString owner = QString(), TToolRunner run = RunTool,
                            QString systemFolder = QStringLiteral("/etc/cron.d/"),
                            TClock clock = {});
    // $XDG_DATA_HOME/Kelvara6/cron/
    static QString DefaultFolder();
    // True when a cron daemon and the crontab tool are installed.
    static bool CronInstalled();

    bool Available() override;
    QString Description() const override;
    bool FiresTasks() const override { return true; }
    void Connect() override;
    void Register(const QString& name, const TTaskDefinitionData& definition, const QString& user,
                  const QString& password) override;
    void Delete(const QString& name) override;
    void SetEnabled(const QString& name, bool enabled) override;
    TTaskRunInfo Info(const QString& name) override;

private:
    QStringList OwnerArguments() const;
    QByteArray ReadCrontab();
    void WriteCrontab(const QByteArray& crontab);
    // Replaces the task's block in the crontab as it is now, re-read just before writing.
    void UpdateCrontab(const QString& name, const QStringList& lines);
    void WriteSystemFile(const QString& name, const QString& account, const QStringList& lines);
    void Install(const QString& name, const TTaskDefinitionData& definition);
    QString RunFileOf(const QString& name) const;

    QString FOwner;
    TToolRunner FRun;
    QString FSystemFolder;
};
