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

// Runs a tool with the arguments, feeding input on its standard input; waits up to 15 s.
using TToolRunner = std::function<TToolOutput(const QString& program, const QStringList& arguments,
                                              const QByteArray& input)>;
TToolOutput RunTool(const QString& program, const QStringList& arguments,
                    const QByteArray& input = {});
// The message of a failed call: "<tool> <arguments> failed: <its error text>".
QString ToolFailure(const QString& program, const QStringList& arguments,
                    const TToolOutput& output);
