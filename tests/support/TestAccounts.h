#pragma once

// Local accounts and PAM services that a test creates as root and removes again.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QString>

namespace kvtest {

inline QString RandomDigits()
{
    return QString::number(QRandomGenerator::global()->bounded(100000, 999999));
}

inline int Run(const QString& program, const QStringList& args, const QByteArray& input = {})
{
    QProcess process;
    process.start(program, args);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// Removes the accounts "<prefix><six digits>" that a crashed run left behind.
inline void RemoveLeftoverAccounts(const QString& prefix)
{
    QFile passwd("/etc/passwd");
    if (!passwd.open(QIODevice::ReadOnly))
        return;
    const QRegularExpression account("^(" + QRegularExpression::escape(prefix) + "[0-9]{6}):");
    for (const QByteArray& line : passwd.readAll().split('\n'))
        if (const auto match = account.match(QString::fromUtf8(line)); match.hasMatch())
            Run("userdel", {"-r", match.captured(1)});
}

// A local account "<prefix><six digits>" with a known password, a home folder and, when given,
// further groups.
struct TTestAccount {
    explicit TTestAccount(const QString& prefix, const QStringList& groups = {})
        : name(prefix + RandomDigits()), groups(groups)
    {}
    TTestAccount(const TTestAccount&) = delete;
    TTestAccount& operator=(const TTestAccount&) = delete;
    ~TTestAccount()
    {
        if (created)
            Run("userdel", {"-r", name});
    }
    bool Create()
    {
        QStringList args{"-m", "-s", "/bin/sh", name};
        if (!groups.isEmpty())
            args << "-G" << groups.join(',');
        created = Run("useradd", args) == 0;
        return created && Run("chpasswd", {}, (name + ":" + password + "\n").toUtf8()) == 0;
    }
    QString Home() const { return "/home/" + name; }

    QString name;
    QStringList groups;
    QString password = "Pw-" + RandomDigits() + "-" + RandomDigits();
    bool created = false;
};

// A PAM service of the test's own in /etc/pam.d, with the content of the program's service.
struct TTestPamService {
    TTestPamService() = default;
    TTestPamService(const TTestPamService&) = delete;
    TTestPamService& operator=(const TTestPamService&) = delete;
    ~TTestPamService() { QFile::remove(Path()); }
    bool Install(const QString& sourceFile)
    {
        QFile source(sourceFile), target(Path());
        return source.open(QIODevice::ReadOnly) && target.open(QIODevice::WriteOnly) &&
               target.write(source.readAll()) > 0;
    }
    QString Path() const { return "/etc/pam.d/" + name; }

    QString name = "kvtest-" + RandomDigits();
};

} // namespace kvtest
