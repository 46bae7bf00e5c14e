#include "common/tasks/TaskTools.h"

#include <QProcess>

#include "common/infra/Translate.h"

namespace {

constexpr int kToolTimeoutMs = 15000;

} // namespace

TToolOutput RunTool(const QString& program, const QStringList& arguments, const QByteArray& input)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C")); // answers are parsed
    environment.insert(QStringLiteral("SYSTEMD_PAGER"), QString());
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
