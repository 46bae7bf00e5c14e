#pragma once

#include <functional>

#include <QByteArray>
#include <QString>
#include <QStringList>

// Calls of the system's command-line tools (systemctl, loginctl, crontab).

struct TToolOutput {
    int exitCode = -1; // -1: the tool could not be run or was killed
    QByteArray out;
    QString err;
};

// The runtime folder of this user's manager (/run/user/<uid>).
QString UserRuntimeFolder();
// The runtime folder of this user's manager (/run/user/<uid>).
QString UserRuntimeFolder();
// Runs a tool with the arguments, feeding input on its standard input; waits up to 15 s. The
// tool gets our environment with LC_ALL=C, and the user's runtime folder when none is set.
using TToolRunner = std::function<TToolOutput(const QString& program, const QStringList& arguments,
                                              const QByteArray& input)>;
TToolOutput RunTool(const QString& program, const QStringList& arguments,
                    const QByteArray& input = {});
// The message of a failed call: "<tool> <arguments> failed: <its error text>".
QString ToolFailure(const QString& program, const QStringList& arguments,
                    const TToolOutput& output);
