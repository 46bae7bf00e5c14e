#pragma once

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTest>

// What the test program "shortcut-target" recorded when a launcher started it.
struct LaunchRecord {
    QString workingFolder;
    QStringList arguments;
};

// Path of the program that records its start.
inline QString ShortcutTargetProgram()
{
    return QStringLiteral(KV_BINARY_DIR "/tests/bin/shortcut-target");
}

// Starts a launcher file the way a desktop does: GLib's launcher code, through "gio launch".
// The target writes its record to recordFile. True when gio accepted the launcher.
inline bool LaunchWithGio(const QString& launcher, const QString& recordFile)
{
    QProcess gio;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KV_LAUNCH_RECORD"), recordFile);
    // No session bus is to be started for this.
    env.remove(QStringLiteral("DISPLAY"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
               QStringLiteral("unix:path=/nonexistent"));
    gio.setProcessEnvironment(env);
    gio.start(QStringLiteral("gio"), {QStringLiteral("launch"), launcher});
    return gio.waitForFinished(10000) && gio.exitStatus() == QProcess::NormalExit &&
           gio.exitCode() == 0;
}

// Waits for the record (at most ten seconds); an empty record when none came.
inline LaunchRecord WaitForLaunchRecord(const QString& recordFile)
{
    QDeadlineTimer deadline(10000);
    while (!QFile::exists(recordFile) && !deadline.hasExpired())
        QTest::qWait(50);
    QFile file(recordFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> parts = file.readAll().split('\0');
    parts.removeLast(); // after the last NUL
    LaunchRecord record;
    if (!parts.isEmpty())
        record.workingFolder = QString::fromUtf8(parts.takeFirst());
    for (const QByteArray& part : parts)
        record.arguments.append(QString::fromUtf8(part));
    return record;
}

// Result of desktop-file-validate: empty when the file passes, else its complaints.
inline QString DesktopFileComplaints(const QString& file)
{
    QProcess validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    validate.start(QStringLiteral("desktop-file-validate"), {file});
    if (!validate.waitForFinished(10000))
        return QStringLiteral("desktop-file-validate did not finish");
    const QString output = QString::fromUtf8(validate.readAll());
    if (validate.exitCode() != 0)
        return output.isEmpty() ? QStringLiteral("failed") : output;
    // Hints are fine; warnings and errors are not.
    return output.contains(QStringLiteral("error:")) || output.contains(QStringLiteral("warning:"))
               ? output
               : QString();
}
