#include "common/tasks/TaskTools.h"

#include <QProcess>

#include <unistd.h>

#include "common/infra/Translate.h"

namespace {

constexpr int kToolTimeoutMs = 15000;

} // namespace

QString UserRuntimeFolder()
{
    return QStringLiteral("/run/user/") + QString::number(getuid());
}

TToolOutput RunTool(const QString& program, const QStringList& arguments, const QByteArray& input)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C")); // answers are parsed
    environment.insert(QStringLiteral("SYSTEMD_PAGER"), QString());
    // Every session of the user reaches the same user manager, also one without the variables
    // of a desktop session (ssh, cron).
    if (environment.value(QStringLiteral("XDG_RUNTIME_DIR")).isEmpty())
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), UserRuntimeFolder());
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    TToolOutput output;
    if (!process.waitForStarted(kToolTimeoutMs)) {
        output.err = process.errorString();
        return output;
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(kToolTimeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        output.err = process.errorString();
        return output;
    }
    output.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    output.out = process.readAllStandardOutput();
    output.err = QString::fromUtf8(process.readAllStandardError());
    return output;
}

QString ToolFailure(const QString& program, const QStringList& arguments, const TToolOutput& output)
{
    const QString detail = output.err.trimmed().isEmpty()
                               ? Fmt(Tr("exit code %s"), {QString::number(output.exitCode)})
                               : output.err.trimmed();
    return Fmt(Tr("%s failed: %s"), {(QStringList{program} + arguments).join(u' '), detail});
}
