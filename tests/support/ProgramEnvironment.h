#pragma once

// The environment a test runs one of the programs in: no display, no machine-wide state.

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Adds a library to the ones preloaded into the program.
inline void AddPreload(QProcessEnvironment& env, const QString& library)
{
    const QString preload = env.value("LD_PRELOAD");
    env.insert("LD_PRELOAD", preload.isEmpty() ? library : preload + ':' + library);
    // A sanitizer build must accept libraries preloaded before its runtime.
    const QString asan = env.value("ASAN_OPTIONS");
    if (!asan.contains("verify_asan_link_order"))
        env.insert("ASAN_OPTIONS", (asan.isEmpty() ? asan : asan + ':') +
                                       QStringLiteral("verify_asan_link_order=0"));
}

// The system's environment without a display; the machine registry is a file of the test
// (`folder`) and the system log goes to `folder`/syslog.txt.
inline QProcessEnvironment ProgramEnvironment(const QString& folder)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    env.insert("KELVARA_MACHINE_REGISTRY", QDir(folder).filePath("machine-registry.ini"));
    env.insert("KV_SYSLOG_RECORD", QDir(folder).filePath("syslog.txt"));
    AddPreload(env, KV_SYSLOG_RECORDER);
    return env;
}

// The entries the program wrote to its system log (see ProgramEnvironment).
inline QStringList RecordedSyslog(const QString& folder)
{
    QFile file(QDir(folder).filePath("syslog.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

// The preloaded clock library of libfaketime; empty when it is not installed.
inline QString FakeTimeLibrary()
{
    for (const QString& lib : QDir("/usr/lib").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString candidate = "/usr/lib/" + lib + "/faketime/libfaketime.so.1";
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return QFileInfo::exists("/usr/lib/faketime/libfaketime.so.1")
               ? QStringLiteral("/usr/lib/faketime/libfaketime.so.1")
               : QString();
}

// The program named `command` sees `day` (from noon on) as today; the programs it starts keep
// the real clock. False when libfaketime is not installed.
inline bool SetToday(QProcessEnvironment& env, const QDate& day, const QString& command)
{
    const QString library = FakeTimeLibrary();
    if (library.isEmpty())
        return false;
    AddPreload(env, library);
    env.insert("FAKETIME", '@' + day.toString(Qt::ISODate) + " 12:00:00");
    env.insert("FAKETIME_ONLY_CMDS", command);
    env.insert("FAKETIME_DONT_FAKE_MONOTONIC", "1");
    return true;
}
